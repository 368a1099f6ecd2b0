// gpg's status lines: the keyword, its arguments and the GOODSIG split.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "base/result.h"
#include "gpg/status_line.h"

namespace ambrine {
namespace {

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
