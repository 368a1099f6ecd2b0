#include "base/secure_wipe.h"

#include <string.h>

#include <algorithm>

namespace ambrine {

void SecureWipe(void* data, std::size_t size) {
  if (data != nullptr && size > 0) explicit_bzero(data, size);
}

void SecureWipe(std::string& text) {
  // The capacity beyond size() may hold bytes of earlier, longer contents.
  text.resize(text.capacity());
  SecureWipe(text.data(), text.size());
  text.clear();
}

void AppendWiping(std::string& text, const char* bytes, std::size_t count,
                  std::size_t maxCapacity) {
  const std::size_t needed = text.size() + count;
  if (needed > text.capacity()) {
    std::string grown;
    grown.reserve(std::max(std::min(text.capacity() * 2, maxCapacity), needed));
    grown.append(text);
    SecureWipe(text);
    text.swap(grown);
  }
  text.append(bytes, count);
}

}  // namespace ambrine
