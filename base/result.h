// Result codes (the outcome of an operation): signed 32-bit, negative on failure, 0 on success.
#pragma once

#include <cstdint>
#include <string>

namespace ambrine {

using Result = std::int32_t;

constexpr Result kOk = 0;
constexpr Result kFailure = static_cast<Result>(0x80004005);      // general failure
constexpr Result kUnexpected = static_cast<Result>(0x8000FFFF);   // unexpected
constexpr Result kNotImplemented = static_cast<Result>(0x80004001);
constexpr Result kInvalidData = static_cast<Result>(0x8007000D);  // invalid data
constexpr Result kCancelled = static_cast<Result>(0x800704C7);    // cancelled by the user
constexpr Result kUnknownName = static_cast<Result>(0x80020006);  // page has no such function

inline bool Failed(Result s) { return s < 0; }
inline bool Succeeded(Result s) { return s >= 0; }

// A failed system call: 0x80070000 | (errno & 0xFFFF).
Result ResultFromErrno(int err);
// ResultFromErrno(errno), for the call that just failed.
Result LastErrorResult();

// The text shown for a code: strerror for errno codes, a fixed English text
// for the program's own codes.
std::string ResultText(Result s);

}  // namespace ambrine
