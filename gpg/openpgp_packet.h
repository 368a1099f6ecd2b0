// OpenPGP packet headers as gpg writes them: the one reader of a packet's
// tag and length, for the checks that look at a file before gpg does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ambrine {

// The tag of the packet whose header starts with `ctb` (its first byte):
// the new format's six low bits or the old format's four tag bits; 0 when
// the byte's high bit is clear, so it starts no packet at all.
int PacketTag(unsigned char ctb);

struct PacketHeader {
  int tag = 0;
  std::uint64_t headerSize = 0;  // the bytes before the body
  std::uint64_t bodySize = 0;
};

// Parses the header at the start of `bytes` (`available` of them). False
// for anything that is not a packet header with a definite length: a
// cleared high bit, tag 0, an old-format indeterminate length or a
// new-format partial length (key rings never use either), or a header cut
// short.
bool ParsePacketHeader(const unsigned char* bytes, std::size_t available, PacketHeader& header);

// True when `head` (the first bytes of a file) begins with the packet of an
// encrypted OpenPGP message: a public-key or passphrase session key, or
// encrypted data. Key rings and other files do not.
bool StartsAsEncryptedMessage(const unsigned char* head, std::size_t length);

}  // namespace ambrine
