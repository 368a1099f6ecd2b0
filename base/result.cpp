#include "base/result.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ambrine {

namespace {

constexpr std::uint32_t kErrnoFacility = 0x80070000u;

}  // namespace

Result ResultFromErrno(int err) {
  if (err <= 0) return kFailure;  // a failure without an error number
  return static_cast<Result>(kErrnoFacility | (static_cast<std::uint32_t>(err) & 0xFFFFu));
}

Result LastErrorResult() { return ResultFromErrno(errno); }

std::string ResultText(Result s) {
  switch (s) {
    case kOk: return "The operation completed successfully.";
    case kFailure: return "Unspecified error";
    case kUnexpected: return "Catastrophic failure";
    case kNotImplemented: return "Not implemented";
    case kInvalidData: return "The data is invalid.";
    case kCancelled: return "The operation was canceled by the user.";
    case kUnknownName: return "Unknown name.";
    default: break;
  }
  const auto code = static_cast<std::uint32_t>(s);
  if ((code & 0xFFFF0000u) == kErrnoFacility) {
    char buffer[256];
    // GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(static_cast<int>(code & 0xFFFFu), buffer, sizeof buffer);
    return text;
  }
  char hex[32];
  std::snprintf(hex, sizeof hex, "Error 0x%08X", code);
  return hex;
}

}  // namespace ambrine
