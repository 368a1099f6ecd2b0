// Key listings: colon records fed through a real pipe by the stand-in, and
// listings of real key rings.
#include <gtest/gtest.h>

#include "gpg/gpg_engine.h"
#include "shared_keys.h"
#include "standin.h"

namespace ambrine {
namespace {

using test::StandIn;

KeyList ListThrough(const std::string& script, Result* status = nullptr) {
  StandIn standIn(script);
  GpgEngine engine(standIn.Settings());
  KeyList keys{"stale entry"};
  const Result s = engine.ListKeys(false, keys, nullptr, nullptr);
  if (status) *status = s;
  EXPECT_EQ(kOk, s);
  return keys;
}

TEST(KeyListParser, UsesOnlyTheUidAndFprOfEachPrimaryKey) {
  const KeyList keys = ListThrough(
      "stdout tru::1:1700000000:0:3:1:5\n"
      "stdout pub:u:1024:17:AAAA1111AAAA1111:1700000000:::u:::scESC:\n"
      "stdout fpr:::::::::F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1:\n"
      "stdout uid:u::::1700000000::HASH1::U1 <u1@example.org>:\n"
      "stdout sub:u:2048:16:BBBB2222BBBB2222:1700000000::::::e:\n"
      "stdout fpr:::::::::SUBSUBSUBSUBSUBSUBSUBSUBSUBSUBSUBSUBSUB1:\n"
      "stdout pub:u:1024:17:CCCC3333CCCC3333:1700000000:::u:::scESC:\n"
      "stdout fpr:::::::::F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2:\n"
      "stdout uid:u::::1700000000::HASH2::U2a:\n"
      "stdout uid:u::::1700000000::HASH3::U2b:\n"
      "stdout sub:u:2048:16:DDDD4444DDDD4444:1700000000::::::e:\n"
      "stdout fpr:::::::::SUBSUBSUBSUBSUBSUBSUBSUBSUBSUBSUBSUBSUB2:\n");
  EXPECT_EQ((KeyList{"U1 <u1@example.org>:F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1F1",
                     "U2b:F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2F2"}),
            keys);
}

TEST(KeyListParser, SecretBlocksAndTheLastKeyWithoutTrailingRecord) {
  const KeyList keys = ListThrough(
      "stdout sec::1024:17:AAAA1111AAAA1111:1700000000::::::::::\n"
      "stdout fpr:::::::::FA:\n"
      "stdout uid:::::::HASH::Me \\x3a colon:\n");
  EXPECT_EQ((KeyList{"Me \\x3a colon:FA"}), keys);
}

TEST(KeyListParser, KeysWithoutFingerprintOrUserId) {
  // A block with no fpr gives nothing, and its user id does not stick to the
  // next key; a key without uid gets an empty user id.
  const KeyList keys = ListThrough(
      "stdout pub:u:1024:17:AAAA:1:::u:::scESC:\n"
      "stdout uid:u::::1::H::Lost Name:\n"
      "stdout pub:u:1024:17:BBBB:1:::u:::scESC:\n"
      "stdout fpr:::::::::FB:\n");
  EXPECT_EQ((KeyList{":FB"}), keys);
}

TEST(KeyListParser, AnEmptyListingGivesAnEmptyList) {
  EXPECT_TRUE(ListThrough("").empty());
  EXPECT_TRUE(ListThrough("stdout tru::1:1700000000:0:3:1:5\n").empty());
}

TEST(KeyListParser, CrLfLinesAndShortRecords) {
  KeyList keys;
  KeyListParser parser(keys);
  parser.AddLine("pub:u");
  parser.AddLine("fpr:::::::::F9");  // field 10 runs to the end of the line
  parser.AddLine("uid:short");       // too short: empty user id
  parser.Finish();
  EXPECT_EQ((KeyList{":F9"}), keys);
  EXPECT_EQ("F9", ColonField("fpr:::::::::F9", 10));
  EXPECT_EQ("", ColonField("a:b", 10));
  EXPECT_EQ("a", ColonField("a:b", 1));
}

TEST(KeyListParser, FactsOfEachKeyStayBesideItsEntry) {
  KeyList keys;
  KeyFactsList facts;
  KeyListParser parser(keys, &facts);
  for (const char* line : {
           "tru::1:1700000000:0:3:1:5",
           // DSA 1024 with an ElGamal 2048 subkey.
           "pub:u:1024:17:AAAA1111AAAA1111:1700000000:::u:::scESC:",
           "fpr:::::::::F1:",
           "uid:u::::1700000000::H1::Dsa Key:",
           "sub:u:2048:16:BBBB2222BBBB2222:1700000000::::::e:",
           "fpr:::::::::S1:",
           // A block without fpr gives no entry, and its subkey is nobody's.
           "pub:u:4096:1:CCCC:1700000000:::u:::scESC:",
           "sub:u:4096:1:DDDD:1700000000::::::e:",
           // RSA 3072 (secret listing) with two subkeys: the first one counts.
           "sec::3072:1:EEEE:1796688000::::::::::",
           "fpr:::::::::F2:",
           "uid:::::::H2::Rsa Key:",
           "ssb::3072:1:FFFF:1796688000::::::::::",
           "ssb::2048:16:GGGG:1796688000::::::::::",
           // No subkey, an algorithm without a name here, no creation time.
           "pub:u:256:99:HHHH::::u:::scESC:",
           "fpr:::::::::F3:",
       })
    parser.AddLine(line);
  parser.Finish();

  ASSERT_EQ((KeyList{"Dsa Key:F1", "Rsa Key:F2", ":F3"}), keys);
  ASSERT_EQ(3u, facts.size());
  EXPECT_EQ("DSA/ElGamal", KeyTypeText(facts[0]));
  EXPECT_EQ("1024/2048", KeySizeText(facts[0]));
  EXPECT_EQ("2023-11-14", KeyDateText(facts[0]));  // 1700000000 is 22:13 UTC that day
  EXPECT_EQ("RSA", KeyTypeText(facts[1]));
  EXPECT_EQ("3072", KeySizeText(facts[1]));
  EXPECT_EQ(1, facts[1].subkeyAlgorithm);
  EXPECT_EQ("2026-12-08", KeyDateText(facts[1]));
  EXPECT_EQ("#99", KeyTypeText(facts[2]));
  EXPECT_EQ("256", KeySizeText(facts[2]));
  EXPECT_EQ("", KeyDateText(facts[2]));
  EXPECT_EQ(0, ColonNumber("12a"));
  EXPECT_EQ(0, ColonNumber("99999999999999999999999"));
}

TEST(ListKeys, AFailedStartLeavesTheListAsItWas) {
  GpgEngine engine("/nonexistent/gpg", "/tmp", {}, {});
  KeyList keys{"kept"};
  EXPECT_TRUE(Failed(engine.ListKeys(true, keys, nullptr, nullptr)));
  EXPECT_EQ((KeyList{"kept"}), keys);
}

TEST(ListKeys, ListsRealKeyRings) {
  const auto& keys = test::Keys();
  GpgEngine secretEngine(test::SettingsFor(keys.aliceHome));
  KeyList secret;
  ASSERT_EQ(kOk, secretEngine.ListKeys(true, secret, nullptr, nullptr));
  EXPECT_EQ((KeyList{"Alice Ambrine:" + keys.alice.fingerprint}), secret);

  GpgEngine publicEngine(test::SettingsFor(keys.aliceHome));
  KeyList pub;
  ASSERT_EQ(kOk, publicEngine.ListKeys(false, pub, nullptr, nullptr));
  EXPECT_EQ((KeyList{"Alice Ambrine:" + keys.alice.fingerprint,
                     "Bob Ambrine:" + keys.bob.fingerprint}),
            pub);
  EXPECT_EQ(40u, keys.alice.fingerprint.size());

  const std::vector<std::string> onlyBob{keys.bob.fingerprint};
  GpgEngine filtered(test::SettingsFor(keys.aliceHome));
  ASSERT_EQ(kOk, filtered.ListKeys(false, pub, &onlyBob, nullptr));
  EXPECT_EQ((KeyList{"Bob Ambrine:" + keys.bob.fingerprint}), pub);
}

TEST(ListKeys, UnreadableKeyRingsGiveNoEntriesAndSuccess) {
  test::TempDir empty;
  GpgEngine engine(test::SettingsFor(empty.File("missing")));
  KeyList keys{"stale"};
  EXPECT_EQ(kOk, engine.ListKeys(false, keys, nullptr, nullptr));
  EXPECT_TRUE(keys.empty());
}

TEST(KeyEntries, SplitFormatAndStrip) {
  const KeyEntry entry = SplitKeyEntry("Name <a@b>:ABCD1234");
  EXPECT_EQ("Name <a@b>", entry.userId);
  EXPECT_EQ("ABCD1234", entry.fingerprint);
  const KeyEntry bare = SplitKeyEntry("nocolon");
  EXPECT_EQ("nocolon", bare.userId);
  EXPECT_EQ("nocolon", bare.fingerprint);
  EXPECT_EQ("ABCD 1234 EF", FormatFingerprint("ABCD1234EF"));
  EXPECT_EQ("ABCD", FormatFingerprint("ABCD"));
  EXPECT_EQ("ABCD1234EF", StripSpaces(FormatFingerprint("ABCD1234EF")));
}

}  // namespace
}  // namespace ambrine
