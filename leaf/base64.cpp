#include "leaf/base64.h"

#include <array>
#include <cstring>

namespace ambrine {
namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<unsigned char, 256> MakeDecodeTable() {
  std::array<unsigned char, 256> table{};
  for (auto& v : table) v = 255;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}
constexpr std::array<unsigned char, 256> kDecode = MakeDecodeTable();

inline void EncodeFull(const unsigned char* b, char* out) {
  out[0] = kAlphabet[b[0] >> 2];
  out[1] = kAlphabet[((b[0] & 3) << 4) | (b[1] >> 4)];
  out[2] = kAlphabet[((b[1] & 15) << 2) | (b[2] >> 6)];
  out[3] = kAlphabet[b[2] & 63];
}

// DecodeBase64Quad without the trailing zero; the arithmetic is on bytes,
// so bits shifted out of a byte are lost.
inline int DecodeQuad(const char* c, unsigned char* out) {
  const unsigned char s0 = kDecode[static_cast<unsigned char>(c[0])];
  const unsigned char s1 = kDecode[static_cast<unsigned char>(c[1])];
  const unsigned char s2 = kDecode[static_cast<unsigned char>(c[2])];
  const unsigned char s3 = kDecode[static_cast<unsigned char>(c[3])];
  out[0] = static_cast<unsigned char>((s0 << 2) | ((s1 >> 4) & 0x0F));
  if (c[2] == '=') return 1;
  out[1] = static_cast<unsigned char>((s1 << 4) | ((s2 >> 2) & 0x3F));
  if (c[3] == '=') return 2;
  out[2] = static_cast<unsigned char>((s2 << 6) | s3);
  return 3;
}

// DecodeQuad with a shortcut for the usual group of four alphabet
// characters: their 24 bits are the three bytes. Any other group ('=' or a
// character outside the alphabet) goes through DecodeQuad, so its bytes stay
// exactly those.
inline int DecodeValidQuadOr(const char* c, unsigned char* out) {
  const unsigned s0 = kDecode[static_cast<unsigned char>(c[0])];
  const unsigned s1 = kDecode[static_cast<unsigned char>(c[1])];
  const unsigned s2 = kDecode[static_cast<unsigned char>(c[2])];
  const unsigned s3 = kDecode[static_cast<unsigned char>(c[3])];
  if (((s0 | s1 | s2 | s3) & 0xC0) != 0) return DecodeQuad(c, out);
  const unsigned bits = (s0 << 18) | (s1 << 12) | (s2 << 6) | s3;
  out[0] = static_cast<unsigned char>(bits >> 16);
  out[1] = static_cast<unsigned char>(bits >> 8);
  out[2] = static_cast<unsigned char>(bits);
  return 3;
}

}  // namespace

int EncodeBase64Group(const unsigned char* bytes, int count, char* output) {
  output[0] = kAlphabet[bytes[0] >> 2];
  if (count == 1) {
    output[1] = kAlphabet[(bytes[0] & 3) << 4];
    output[2] = '=';
    output[3] = '=';
  } else if (count == 2) {
    output[1] = kAlphabet[((bytes[0] & 3) << 4) | (bytes[1] >> 4)];
    output[2] = kAlphabet[(bytes[1] & 15) << 2];
    output[3] = '=';
  } else {
    EncodeFull(bytes, output);
  }
  output[4] = '\0';
  return 4;
}

int DecodeBase64Quad(const char* quad, unsigned char* output) {
  const int count = DecodeQuad(quad, output);
  output[count] = 0;
  return count;
}

void Base64LineEncoder::AddGroup(const unsigned char* group, int count,
                                 std::string& out) {
  char chars[5];
  EncodeBase64Group(group, count, chars);
  out.append(chars, 4);
  if (++groupsOnLine_ == kBase64GroupsPerLine) {
    out.append("\r\n", 2);
    groupsOnLine_ = 0;
  }
}

void Base64LineEncoder::Add(const unsigned char* bytes, std::size_t count,
                            std::string& out) {
  // Complete a waiting group first.
  while (waitingCount_ > 0 && waitingCount_ < 3 && count > 0) {
    waiting_[waitingCount_++] = *bytes++;
    --count;
  }
  if (waitingCount_ == 3) {
    AddGroup(waiting_, 3, out);
    waitingCount_ = 0;
  }
  // Fill the current line group by group, then whole lines at a time.
  while (groupsOnLine_ != 0 && count >= 3) {
    AddGroup(bytes, 3, out);
    bytes += 3;
    count -= 3;
  }
  const std::size_t lines = count / kBase64LineBytes;
  if (lines > 0) {
    std::size_t at = out.size();
    out.resize(at + lines * (kBase64LineChars + 2));
    char* dst = out.data() + at;
    for (std::size_t l = 0; l < lines; ++l) {
      for (std::size_t g = 0; g < kBase64GroupsPerLine; ++g) {
        EncodeFull(bytes, dst);
        bytes += 3;
        dst += 4;
      }
      *dst++ = '\r';
      *dst++ = '\n';
    }
    count -= lines * kBase64LineBytes;
  }
  while (count >= 3) {
    AddGroup(bytes, 3, out);
    bytes += 3;
    count -= 3;
  }
  while (count > 0) {
    waiting_[waitingCount_++] = *bytes++;
    --count;
  }
}

void Base64LineEncoder::Finish(std::string& out) {
  if (waitingCount_ > 0) AddGroup(waiting_, waitingCount_, out);
  waitingCount_ = 0;
  if (groupsOnLine_ != 0) out.append("\r\n", 2);
  groupsOnLine_ = 0;
}

void Base64QuadDecoder::Add(const char* text, std::size_t count, std::string& out,
                            bool stopAtZero) {
  unsigned char bytes[3];
  auto emit = [&](const char* quad) {
    int n = DecodeQuad(quad, bytes);
    if (stopAtZero) {
      const void* zero = std::memchr(bytes, 0, n);
      if (zero != nullptr) n = static_cast<int>(static_cast<const unsigned char*>(zero) - bytes);
    }
    out.append(reinterpret_cast<const char*>(bytes), n);
  };
  while (pendingCount_ > 0 && count > 0) {
    pending_[pendingCount_++] = *text++;
    --count;
    if (pendingCount_ == 4) {
      emit(pending_);
      pendingCount_ = 0;
    }
  }
  const std::size_t quads = count / 4;
  if (!stopAtZero && quads > 0) {
    // Bulk path: decode straight into the output, then trim the groups that
    // gave fewer than three bytes.
    std::size_t at = out.size();
    out.resize(at + quads * 3);
    unsigned char* dst = reinterpret_cast<unsigned char*>(out.data()) + at;
    unsigned char* start = dst;
    for (std::size_t q = 0; q < quads; ++q) {
      dst += DecodeValidQuadOr(text, dst);
      text += 4;
    }
    out.resize(at + static_cast<std::size_t>(dst - start));
  } else {
    for (std::size_t q = 0; q < quads; ++q) {
      emit(text);
      text += 4;
    }
  }
  count -= quads * 4;
  while (count > 0) {
    pending_[pendingCount_++] = *text++;
    --count;
  }
}

}  // namespace ambrine
