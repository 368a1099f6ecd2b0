// Wiping secrets (form text, document bytes, passphrases) when done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ambrine {

// Overwrites `size` bytes with zeros in a way the compiler cannot drop.
void SecureWipe(void* data, std::size_t size);
// Wipes the whole capacity of `text` and leaves it empty.
void SecureWipe(std::string& text);

// Wipes a secret when the scope ends, on every way out.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string& secret) : secret_(secret) {}
  ~WipeOnExit() { SecureWipe(secret_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string& secret_;
};

// Appends to a string that holds a secret; when it must grow, the old
// buffer is wiped before it is freed, so no copy is left in freed memory.
// The capacity grows by doubling but not beyond `maxCapacity` (unless the
// text itself needs more): a string that is known never to pass a limit
// does not reserve up to twice that limit.
void AppendWiping(std::string& text, const char* bytes, std::size_t count,
                  std::size_t maxCapacity = SIZE_MAX);

}  // namespace ambrine
