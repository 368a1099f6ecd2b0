// How large the parts of a record that are held whole in memory may be.
// A leaf is compressed by gpg, so a few megabytes on disk can decompress
// into gigabytes of page; these limits make such a leaf fail as invalid data
// instead of exhausting memory. Attachments have no limit: they stream
// into gpg and are never held whole.
#pragma once

#include <cstddef>

namespace ambrine {

// The page's document (the decoded document part of a leaf).
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{256} << 20;  // 256 MiB

// A string held whole: the form text of a leaf's form-data part, and any
// string that travels between the page and the program.
inline constexpr std::size_t kMaxStringBytes = std::size_t{64} << 20;  // 64 MiB

}  // namespace ambrine
