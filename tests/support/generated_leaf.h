// Leaf messages of any size made up on the fly, for the size limits: every
// decoded byte is "A", and the message is written a block at a time, so a
// test never holds a large part whole.
#pragma once

#include <cstddef>
#include <string>

#include "base/result.h"
#include "gpg/gpg_settings.h"

namespace ambrine::test {

// Writes a leaf message whose document decodes to `documentBytes` bytes and
// whose form text to `formBytes` bytes, with no attachment. Returns the
// first failed write (EPIPE when the reader stopped early); `written`
// receives the number of bytes that went out.
Result WriteGeneratedMessage(int fd, std::size_t documentBytes, std::size_t formBytes,
                             std::size_t* written = nullptr);

// Such a message encrypted (unsigned) to `fingerprint` into `path`. gpg
// compresses it, so even a page of hundreds of MiB takes little space on
// disk. Ends the test on failure.
void MakeGeneratedLeaf(const GpgSettings& settings, const std::string& fingerprint,
                       std::size_t documentBytes, std::size_t formBytes,
                       const std::string& path);

}  // namespace ambrine::test
