// Status codes and their texts; status line splitting.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "base/status.h"
#include "gpg/status_line.h"

namespace ambrine {
namespace {

TEST(Status, SystemErrorsCarryTheErrorNumber) {
  EXPECT_EQ(static_cast<Status>(0x80070002), StatusFromErrno(ENOENT));
  EXPECT_EQ(static_cast<Status>(0x80070020), StatusFromErrno(EPIPE));
  EXPECT_TRUE(Failed(StatusFromErrno(ENOENT)));
  EXPECT_TRUE(Failed(StatusFromErrno(0)));  // a failure stays a failure
  errno = EACCES;
  EXPECT_EQ(StatusFromErrno(EACCES), LastErrorStatus());
}

TEST(Status, TextsOfSystemAndProgramCodes) {
  EXPECT_EQ(std::strerror(ENOENT), StatusText(StatusFromErrno(ENOENT)));
  EXPECT_EQ("Unspecified error", StatusText(kFailure));
  EXPECT_EQ("Catastrophic failure", StatusText(kUnexpected));
  EXPECT_EQ("The data is invalid.", StatusText(kInvalidData));
  EXPECT_EQ("The operation was canceled by the user.", StatusText(kCancelled));
  EXPECT_EQ("Unknown name.", StatusText(kUnknownName));
  EXPECT_FALSE(StatusText(kNotImplemented).empty());
}

TEST(StatusLine, KeywordAndArgumentsAfterThePrefix) {
  StatusLine line = ParseStatusLine("[GNUPG:] GET_HIDDEN passphrase.enter");
  EXPECT_EQ("GET_HIDDEN", line.keyword);
  EXPECT_EQ("passphrase.enter", line.arguments);
  EXPECT_EQ("GET_HIDDEN passphrase.enter", line.afterPrefix);
  EXPECT_EQ(StatusKeyword::GetHidden, line.kind);

  line = ParseStatusLine("[GNUPG:] BEGIN_ENCRYPTION");
  EXPECT_EQ("BEGIN_ENCRYPTION", line.keyword);
  EXPECT_EQ("", line.arguments);
  EXPECT_EQ(StatusKeyword::BeginEncryption, line.kind);
}

TEST(StatusLine, KeywordsMatchWholeAndCaseSensitive) {
  EXPECT_EQ(StatusKeyword::NeedPassphrase, ParseStatusLine("[GNUPG:] NEED_PASSPHRASE 1 2 17 0").kind);
  EXPECT_EQ(StatusKeyword::NeedPassphraseSym, ParseStatusLine("[GNUPG:] NEED_PASSPHRASE_SYM 9 3 2").kind);
  EXPECT_EQ(StatusKeyword::None, ParseStatusLine("[GNUPG:] NEED_PASSPHRASE_PIN x").kind);
  EXPECT_EQ(StatusKeyword::None, ParseStatusLine("[GNUPG:] get_bool x").kind);
  EXPECT_EQ(StatusKeyword::GoodSig, ParseStatusLine("[GNUPG:] GOODSIG ABCD Alice").kind);
  EXPECT_EQ(StatusKeyword::DecryptionOkay, ParseStatusLine("[GNUPG:] DECRYPTION_OKAY").kind);
  EXPECT_EQ(StatusKeyword::None, ParseStatusLine("[GNUPG:] END_ENCRYPTION").kind);
}

// The one reader of a good signature's line: the key id, then the user id,
// which may hold spaces; a line with one space has only a user id.
TEST(StatusLine, GoodSignatureSplitsKeyIdFromUserId) {
  GoodSignature signature = SplitGoodSignature("GOODSIG 0123456789ABCDEF Alice Example <a@e.org>");
  EXPECT_EQ("0123456789ABCDEF", signature.keyId);
  EXPECT_EQ("Alice Example <a@e.org>", signature.userId);
  signature = SplitGoodSignature("GOODSIG Alice");
  EXPECT_EQ("", signature.keyId);
  EXPECT_EQ("Alice", signature.userId);
  signature = SplitGoodSignature("GOODSIG 0123 ");
  EXPECT_EQ("0123", signature.keyId);
  EXPECT_EQ("", signature.userId);
  signature = SplitGoodSignature("GOODSIG");
  EXPECT_EQ("", signature.keyId);
  EXPECT_EQ("", signature.userId);
}

TEST(StatusLine, LinesWithoutThePrefixHaveNoKeyword) {
  for (const char* text : {"", "[GNUPG:]", "[GNUPG:]GET_BOOL x", "gpg: GET_BOOL", " [GNUPG:] GET_BOOL"}) {
    const StatusLine line = ParseStatusLine(text);
    EXPECT_EQ("", line.keyword) << text;
    EXPECT_EQ(StatusKeyword::None, line.kind) << text;
  }
  EXPECT_EQ("", ParseStatusLine("[GNUPG:] ").keyword);
}

}  // namespace
}  // namespace ambrine
