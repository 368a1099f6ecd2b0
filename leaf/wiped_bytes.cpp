#include "leaf/wiped_bytes.h"

#include "base/secure_wipe.h"

namespace ambrine {

void WipedBytes::Reserve(std::size_t count) {
  if (count <= bytes_.capacity()) return;
  std::string grown;
  grown.reserve(count);
  grown.append(bytes_);
  SecureWipe(bytes_);
  bytes_.swap(grown);
}

void WipedBytes::Append(const char* bytes, std::size_t count) { AppendWiping(bytes_, bytes, count); }

void WipedBytes::Release() {
  SecureWipe(bytes_);
  // An empty string of its own frees the capacity; shrink_to_fit may not.
  std::string().swap(bytes_);
}

}  // namespace ambrine
