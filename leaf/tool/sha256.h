// SHA-256 (FIPS 180-4), for the digests the tool prints.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ambrine {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  std::array<std::uint8_t, 32> Finish();
  // Finish() as 64 lower-case hexadecimal digits.
  std::string HexDigest();
  static std::string Hex(std::string_view data);

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes
};

}  // namespace ambrine
