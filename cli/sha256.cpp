// nettle's SHA-256 behind the tool's digest calls, with the digest in
// hexadecimal as the tool prints it.
#include "cli/sha256.h"

#include <cstdint>

#include "base/secure_wipe.h"

namespace ambrine {

Sha256::Sha256() { sha256_init(&context_); }

Sha256::~Sha256() { SecureWipe(&context_, sizeof context_); }

void Sha256::Update(const void* data, std::size_t size) {
  sha256_update(&context_, size, static_cast<const std::uint8_t*>(data));
}

std::string Sha256::HexDigest() {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  // nettle starts the context anew after a digest.
  sha256_digest(&context_, sizeof digest, digest);
  std::string hex;
  hex.reserve(2 * sizeof digest);
  for (std::uint8_t byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 15]);
  }
  return hex;
}

std::string Sha256::Hex(std::string_view data) {
  Sha256 hash;
  hash.Update(data.data(), data.size());
  return hash.HexDigest();
}

}  // namespace ambrine
