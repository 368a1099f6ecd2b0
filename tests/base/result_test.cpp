// Result codes: system errors carry their number, every code has a text.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "base/result.h"

namespace ambrine {
namespace {

TEST(Result, SystemErrorsCarryTheErrorNumber) {
  EXPECT_EQ(static_cast<Result>(0x80070002), ResultFromErrno(ENOENT));
  EXPECT_EQ(static_cast<Result>(0x80070020), ResultFromErrno(EPIPE));
  EXPECT_TRUE(Failed(ResultFromErrno(ENOENT)));
  EXPECT_TRUE(Failed(ResultFromErrno(0)));  // a failure stays a failure
  errno = EACCES;
  EXPECT_EQ(ResultFromErrno(EACCES), LastErrorResult());
}

TEST(Result, TextsOfSystemAndProgramCodes) {
  EXPECT_EQ(std::strerror(ENOENT), ResultText(ResultFromErrno(ENOENT)));
  EXPECT_EQ("Unspecified error", ResultText(kFailure));
  EXPECT_EQ("Catastrophic failure", ResultText(kUnexpected));
  EXPECT_EQ("The data is invalid.", ResultText(kInvalidData));
  EXPECT_EQ("The operation was canceled by the user.", ResultText(kCancelled));
  EXPECT_EQ("Unknown name.", ResultText(kUnknownName));
  EXPECT_FALSE(ResultText(kNotImplemented).empty());
}

}  // namespace
}  // namespace ambrine
