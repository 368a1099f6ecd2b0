#include "gpg/openpgp_packet.h"

namespace ambrine {

namespace {

constexpr int kPublicKeySessionKeyTag = 1;
constexpr int kPassphraseSessionKeyTag = 3;
constexpr int kEncryptedDataTag = 9;
constexpr int kProtectedEncryptedDataTag = 18;  // with integrity protection

}  // namespace

int PacketTag(unsigned char ctb) {
  if ((ctb & 0x80) == 0) return 0;
  if ((ctb & 0x40) != 0) return ctb & 0x3F;  // new format
  return (ctb >> 2) & 0x0F;                  // old format
}

bool ParsePacketHeader(const unsigned char* bytes, std::size_t available, PacketHeader& header) {
  if (available < 2) return false;
  const unsigned char ctb = bytes[0];
  header.tag = PacketTag(ctb);
  if (header.tag == 0) return false;
  if ((ctb & 0x40) != 0) {  // new format
    const unsigned char first = bytes[1];
    if (first < 192) {
      header.headerSize = 2;
      header.bodySize = first;
    } else if (first < 224) {
      if (available < 3) return false;
      header.headerSize = 3;
      header.bodySize = ((static_cast<std::uint64_t>(first) - 192) << 8) + bytes[2] + 192;
    } else if (first == 255) {
      if (available < 6) return false;
      header.headerSize = 6;
      header.bodySize = (static_cast<std::uint64_t>(bytes[2]) << 24) |
                        (static_cast<std::uint64_t>(bytes[3]) << 16) |
                        (static_cast<std::uint64_t>(bytes[4]) << 8) | bytes[5];
    } else {
      return false;  // partial body length
    }
    return true;
  }
  const int lengthType = ctb & 0x03;  // old format
  if (lengthType == 3) return false;  // indeterminate length
  const std::size_t lengthBytes = lengthType == 0 ? 1 : lengthType == 1 ? 2 : 4;
  if (available < 1 + lengthBytes) return false;
  header.headerSize = 1 + lengthBytes;
  header.bodySize = 0;
  for (std::size_t i = 0; i < lengthBytes; ++i) header.bodySize = (header.bodySize << 8) | bytes[1 + i];
  return true;
}

bool StartsAsEncryptedMessage(const unsigned char* head, std::size_t length) {
  if (length == 0) return false;
  const int tag = PacketTag(head[0]);
  return tag == kPublicKeySessionKeyTag || tag == kPassphraseSessionKeyTag ||
         tag == kEncryptedDataTag || tag == kProtectedEncryptedDataTag;
}

}  // namespace ambrine
