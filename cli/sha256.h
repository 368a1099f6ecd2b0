// SHA-256 digests the tool prints for a page and each attachment, computed
// by nettle: the program does no cryptography of its own.
#pragma once

#include <nettle/sha2.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace ambrine {

class Sha256 {
 public:
  Sha256();
  // Wipes the hash state, which holds the last bytes fed in.
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Feeds `size` more bytes; pieces of any size give the digest of the whole.
  void Update(const void* data, std::size_t size);
  // The digest of everything fed since construction or the last call, as 64
  // lower-case hexadecimal digits; the hash then starts anew.
  std::string HexDigest();
  // The digest of `data` as HexDigest() gives it.
  static std::string Hex(std::string_view data);

 private:
  sha256_ctx context_;
};

}  // namespace ambrine
