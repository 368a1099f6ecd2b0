// Status codes: signed 32-bit, negative on failure, 0 on success.
#pragma once

#include <cstdint>
#include <string>

namespace ambrine {

using Status = std::int32_t;

constexpr Status kOk = 0;
constexpr Status kFailure = static_cast<Status>(0x80004005);      // general failure
constexpr Status kUnexpected = static_cast<Status>(0x8000FFFF);   // unexpected
constexpr Status kNotImplemented = static_cast<Status>(0x80004001);
constexpr Status kInvalidData = static_cast<Status>(0x8007000D);  // invalid data
constexpr Status kCancelled = static_cast<Status>(0x800704C7);    // cancelled by the user
constexpr Status kUnknownName = static_cast<Status>(0x80020006);  // page has no such function

inline bool Failed(Status s) { return s < 0; }
inline bool Succeeded(Status s) { return s >= 0; }

// A failed system call: 0x80070000 | (errno & 0xFFFF).
Status StatusFromErrno(int err);
// StatusFromErrno(errno), for the call that just failed.
Status LastErrorStatus();

// The text shown for a code: strerror for errno codes, a fixed English text
// for the program's own codes.
std::string StatusText(Status s);

}  // namespace ambrine
