// ambrine-leaf end to end with the real gpg1, and its SHA-256 and JSON helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>

#include "gpg/gpg_engine.h"
#include "leaf/search/record_search.h"
#include "cli/json_writer.h"
#include "cli/sha256.h"
#include "cli/tool_settings.h"
#include "support/small_disk.h"
#include "support/test_keyring.h"
#include "tool_run.h"

namespace ambrine {
namespace {

TEST(Sha256, KnownVectors) {
  EXPECT_EQ(Sha256::Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256::Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256::Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // A million "a" in uneven pieces.
  const std::string a(1000, 'a');
  Sha256 exact;
  exact.Update(a.data(), 7);
  for (int i = 0; i < 999; ++i) exact.Update(a.data(), a.size());
  exact.Update(a.data(), 993);

  EXPECT_EQ(exact.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// The string of `text` as the writer gives it.
std::string JsonString(std::string_view text) {
  JsonWriter json;
  json.String(text);
  return json.text();
}

TEST(JsonWriter, StringsEscapeControlsAndReplaceBrokenUtf8) {
  EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
  EXPECT_EQ(JsonString("\xE6\x97\xA5"), "\"\xE6\x97\xA5\"");
  EXPECT_EQ(JsonString("x\xFFy\xE6\x97"), "\"x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonString(std::string("a\0b\x7F", 4)), "\"a\\u0000b\\u007f\"");
}

TEST(JsonWriter, SeparatesItemsOfNestedContainersAndStartsAnewAfterPrinting) {
  JsonWriter json;
  json.BeginObject().Key("a").BeginArray().EndArray().Key("b").BeginArray();
  json.BeginObject().Key("k").Null().EndObject().BeginObject().EndObject().Number(18446744073709551615u);
  json.EndArray().Key("c").Bool(false).Key("d").BeginObject().Key("e").String("").EndObject();
  json.EndObject();
  EXPECT_EQ(json.text(), "{\"a\": [], \"b\": [{\"k\": null}, {}, 18446744073709551615], "
                         "\"c\": false, \"d\": {\"e\": \"\"}}");
  // A closed writer prints its line; the next object does not follow a ", ".
  ASSERT_TRUE(json.PrintLine());
  EXPECT_EQ(json.text(), "");
  json.BeginArray().Bool(true).EndArray();
  EXPECT_EQ(json.text(), "[true]");
}

using test::Shell;
using test::Tool;
using test::ToolRun;

class ToolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    home_ = new test::TempDir;
    key_ = new test::TestKey(test::MakeKey(home_->path(), "Tool Tester"));
  }
  static void TearDownTestSuite() {
    delete key_;
    delete home_;
  }
  std::string Home() const { return "--homedir " + home_->path() + " "; }
  static test::TempDir* home_;
  static test::TestKey* key_;
  test::TempDir dir_;
};
test::TempDir* ToolTest::home_ = nullptr;
test::TestKey* ToolTest::key_ = nullptr;

TEST_F(ToolTest, CreateShowAndExtractAgree) {
  test::WriteFile(dir_.File("page.html"), "<html>\xE6\x97\xA5</html>");
  test::WriteFile(dir_.File("form.txt"), "a=\"1\"\n");
  test::WriteFile(dir_.File("one.bin"), "abc");
  test::WriteFile(dir_.File("two.bin"), "");
  ToolRun create = Tool("create " + Home() + "--recipient " + key_->fingerprint + " --document " +
                        dir_.File("page.html") + " --form " + dir_.File("form.txt") + " --attach " +
                        dir_.File("one.bin") + " --attach " + dir_.File("two.bin") + " -o " +
                        dir_.File("leaf.gpg"),
                    dir_);
  ASSERT_EQ(create.exit, 0) << create.err;

  ToolRun show = Tool("show " + Home() + dir_.File("leaf.gpg"), dir_);
  ASSERT_EQ(show.exit, 0) << show.err;
  const std::string keyId = key_->fingerprint.substr(24);
  EXPECT_EQ(show.out,
            "{\"decrypted\": true, \"signatures\": [{\"keyid\": \"" + keyId +
                "\", \"uid\": \"Tool Tester\", \"fingerprint\": \"" + key_->fingerprint +
                "\", \"own\": true}], \"unknown_signers\": [], \"document\": {\"bytes\": 16, \"sha256\": \"" +
                Sha256::Hex("<html>\xE6\x97\xA5</html>") + "\"}, \"form\": \"a=\\\"1\\\"\\u000a\", "
                "\"attachments\": [{\"index\": 0, \"name\": \"one.bin\", \"bytes\": 3, \"sha256\": \"" +
                Sha256::Hex("abc") + "\"}, {\"index\": 1, \"name\": \"two.bin\", \"bytes\": 0, "
                "\"sha256\": \"" + Sha256::Hex("") + "\"}]}\n");

  EXPECT_EQ(Tool("extract " + Home() + dir_.File("leaf.gpg") + " --attachment 0 " + dir_.File("x"), dir_).exit, 0);
  EXPECT_EQ(test::ReadFile(dir_.File("x")), "abc");
  EXPECT_EQ(Tool("extract " + Home() + dir_.File("leaf.gpg") + " --form " + dir_.File("f"), dir_).exit, 0);
  EXPECT_EQ(test::ReadFile(dir_.File("f")), "a=\"1\"\n");
  EXPECT_EQ(Tool("extract " + Home() + dir_.File("leaf.gpg") + " --document " + dir_.File("d"), dir_).exit, 0);
  EXPECT_EQ(test::ReadFile(dir_.File("d")), "<html>\xE6\x97\xA5</html>");
  ToolRun missing = Tool("extract " + Home() + dir_.File("leaf.gpg") + " --attachment 5 " + dir_.File("y"), dir_);
  EXPECT_EQ(missing.exit, 1);
  EXPECT_NE(missing.err.find("no attachment 5"), std::string::npos);
  EXPECT_NE(::access(dir_.File("y").c_str(), F_OK), 0);
}

TEST_F(ToolTest, FailuresNameWhatFailed) {
  test::WriteFile(dir_.File("page.html"), "<p/>");
  test::WriteFile(dir_.File("pass"), "right\n");
  test::WriteFile(dir_.File("wrong"), "wrong\n");
  ASSERT_EQ(Tool("create " + Home() + "--symmetric --passphrase-file " + dir_.File("pass") +
                     " --document " + dir_.File("page.html") + " -o " + dir_.File("sym.gpg"),
                 dir_).exit, 0);
  EXPECT_EQ(Tool("show " + Home() + "--passphrase-file " + dir_.File("pass") + " " + dir_.File("sym.gpg"),
                 dir_).exit, 0);
  ToolRun wrong = Tool("show " + Home() + "--passphrase-file " + dir_.File("wrong") + " " + dir_.File("sym.gpg"), dir_);
  EXPECT_EQ(wrong.exit, 1);
  EXPECT_NE(wrong.err.find("wrong passphrase"), std::string::npos) << wrong.err;

  // A signed and encrypted message that is no leaf: its first part is text.
  test::WriteFile(dir_.File("bad.txt"),
                  "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n--b--\r\n");
  GpgEngine engine(test::SettingsFor(home_->path()));
  ASSERT_EQ(engine.EncryptFileSymmetric(dir_.File("bad.txt"), dir_.File("bad.gpg"), false, nullptr,
                                        "right").status, kOk);
  ToolRun malformed = Tool("show " + Home() + "--passphrase-file " + dir_.File("pass") + " " + dir_.File("bad.gpg"), dir_);
  EXPECT_EQ(malformed.exit, 1);
  EXPECT_NE(malformed.err.find("the first part is not text/html"), std::string::npos) << malformed.err;
  EXPECT_NE(malformed.err.find("malformed"), std::string::npos) << malformed.err;

  // Decrypted to a message of another type: no page to show, so no success.
  test::WriteFile(dir_.File("note.txt"), "Content-Type: text/plain\r\n\r\njust a note\r\n");
  ASSERT_EQ(engine.EncryptFileSymmetric(dir_.File("note.txt"), dir_.File("note.gpg"), false,
                                        nullptr, "right").status, kOk);
  ToolRun note = Tool("show " + Home() + "--passphrase-file " + dir_.File("pass") + " " + dir_.File("note.gpg"), dir_);
  EXPECT_EQ(note.exit, 1);
  EXPECT_NE(note.err.find("malformed"), std::string::npos) << note.err;

  ToolRun notGpg = Tool("show " + Home() + dir_.File("page.html"), dir_);
  EXPECT_EQ(notGpg.exit, 1);
  EXPECT_NE(notGpg.err.find("cannot be decrypted"), std::string::npos) << notGpg.err;
  EXPECT_EQ(Tool("create " + Home() + "--document " + dir_.File("page.html"), dir_).exit, 2);
  EXPECT_EQ(Tool("frobnicate", dir_).exit, 2);
  EXPECT_EQ(Tool("--help", dir_).exit, 0);
}

TEST_F(ToolTest, AGpgFailureIsTheToolsTextThenGpgsOwnLine) {
  // gpg knows no key by this fingerprint; the leaf written before stays.
  test::WriteFile(dir_.File("page.html"), "<p/>");
  const std::string leaf = dir_.File("leaf.gpg");
  const std::string create = "create " + Home() + "--document " + dir_.File("page.html") + " -o " + leaf;
  ASSERT_EQ(Tool(create + " --recipient " + key_->fingerprint, dir_).exit, 0);
  const std::string before = test::ReadFile(leaf);
  ToolRun refused = Tool(create + " --recipient " + std::string(40, 'E'), dir_);
  EXPECT_EQ(refused.exit, 1);
  EXPECT_EQ(refused.err, "ambrine-leaf: gpg could not sign and encrypt the leaf\n"
                         "ambrine-leaf: gpg: [stdin]: sign+encrypt failed: public key not found\n");
  EXPECT_EQ(test::ReadFile(leaf), before);

  // No key is needed to fail an open.
  test::TempDir emptyHome;
  test::WriteFile(dir_.File("not-a-leaf.gpg"), "just text\n");
  ToolRun notALeaf = Tool("show --homedir " + emptyHome.path() + " " + dir_.File("not-a-leaf.gpg"), dir_);
  EXPECT_EQ(notALeaf.exit, 1);
  EXPECT_EQ(notALeaf.err, "ambrine-leaf: the file cannot be decrypted (not a leaf, no matching "
                          "secret key, or damaged)\n"
                          "ambrine-leaf: gpg: no valid OpenPGP data found.\n");
  EXPECT_EQ(notALeaf.out, "");
}

TEST_F(ToolTest, ShowPrintsTheKnownSha256OfThePageAndEachAttachment) {
  // FIPS 180-4's examples: "abc", and a million "a" (a large attachment
  // reaches the hash in many pieces); the empty attachment's digest too.
  test::WriteFile(dir_.File("abc.html"), "abc");
  test::WriteFile(dir_.File("million.bin"), std::string(1000000, 'a'));
  test::WriteFile(dir_.File("empty.bin"), "");
  ASSERT_EQ(Tool("create " + Home() + "--recipient " + key_->fingerprint + " --document " +
                     dir_.File("abc.html") + " --attach " + dir_.File("million.bin") + " --attach " +
                     dir_.File("empty.bin") + " -o " + dir_.File("kat.gpg"),
                 dir_).exit, 0);
  ToolRun show = Tool("show " + Home() + dir_.File("kat.gpg"), dir_);
  ASSERT_EQ(show.exit, 0) << show.err;
  EXPECT_NE(show.out.find("\"document\": {\"bytes\": 3, \"sha256\": "
                          "\"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"}"),
            std::string::npos) << show.out;
  EXPECT_NE(show.out.find("{\"index\": 0, \"name\": \"million.bin\", \"bytes\": 1000000, \"sha256\": "
                          "\"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0\"}"),
            std::string::npos) << show.out;
  EXPECT_NE(show.out.find("{\"index\": 1, \"name\": \"empty.bin\", \"bytes\": 0, \"sha256\": "
                          "\"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\"}"),
            std::string::npos) << show.out;

  // Output that cannot be written is a failure, not a success.
  ToolRun full = Tool("show " + Home() + dir_.File("kat.gpg") + " >/dev/full", dir_);
  EXPECT_EQ(full.exit, 1);
  EXPECT_EQ(full.err, "ambrine-leaf: cannot write to standard output\n");
}

TEST_F(ToolTest, OptionsTakeAttachedValuesAndDashMeansTheStandardStreams) {
  test::WriteFile(dir_.File("page.html"), "<html></html>");
  test::WriteFile(dir_.File("one.bin"), "attached bytes");
  ToolRun create = Tool("create --homedir=" + home_->path() + " --recipient=" + key_->fingerprint +
                            " --document=" + dir_.File("page.html") + " --attach=" +
                            dir_.File("one.bin") + " --output=" + dir_.File("leaf.gpg"),
                        dir_);
  ASSERT_EQ(create.exit, 0) << create.err;

  ToolRun shown = Shell("sh -c '" + std::string(AMBRINE_LEAF_TOOL) + " show " + Home() + "- <" +
                            dir_.File("leaf.gpg") + "'",
                        dir_);
  EXPECT_NE(shown.out.find("\"name\": \"one.bin\", \"bytes\": 14"), std::string::npos) << shown.err;
  ToolRun extracted = Tool("extract " + Home() + "--attachment=0 - " + dir_.File("leaf.gpg"), dir_);
  EXPECT_EQ(extracted.exit, 0) << extracted.err;
  EXPECT_EQ(extracted.out, "attached bytes");
  EXPECT_FALSE(std::filesystem::exists("-"));

  ToolRun version = Tool("--version", dir_);
  EXPECT_EQ(version.out.rfind("ambrine-leaf ", 0), 0u);
  EXPECT_EQ(Tool("show --reencrypt=yes " + dir_.File("leaf.gpg"), dir_).exit, 2);
  EXPECT_EQ(Tool("show --homedir", dir_).exit, 2);
}

TEST_F(ToolTest, ALeafNamedLikeAnOptionIsReadAfterDoubleDashAndDashWritesParts) {
  test::WriteFile(dir_.File("page.html"), "<p>dash</p>");
  test::WriteFile(dir_.File("form.txt"), "form text");
  // Options after the arguments, values attached.
  ASSERT_EQ(Tool("create --document=" + dir_.File("page.html") + " -o " + dir_.File("-dash.gpg") +
                     " --form " + dir_.File("form.txt") + " --homedir=" + home_->path() +
                     " --recipient=" + key_->fingerprint,
                 dir_).exit, 0);
  const std::string inDir = "cd " + dir_.path() + " && " + test::ToolPath() + " ";
  const std::string home = " --homedir " + home_->path();
  ToolRun asOption = Shell(inDir + "show" + home + " -dash.gpg", dir_);
  EXPECT_EQ(asOption.exit, 2);
  EXPECT_EQ(asOption.err, "ambrine-leaf: unknown option -dash.gpg\nTry 'ambrine-leaf --help'.\n");
  ToolRun shown = Shell(inDir + "show" + home + " -- -dash.gpg", dir_);
  EXPECT_EQ(shown.exit, 0) << shown.err;
  EXPECT_NE(shown.out.find("\"form\": \"form text\""), std::string::npos) << shown.out;

  ToolRun form = Shell(inDir + "extract --form=-" + home + " -- -dash.gpg", dir_);
  EXPECT_EQ(form.exit, 0) << form.err;
  EXPECT_EQ(form.out, "form text");
  ToolRun page = Shell(inDir + "extract -- -dash.gpg", dir_);
  EXPECT_EQ(page.exit, 2) << "extract needs a part to write";
  page = Shell(inDir + "extract" + home + " --document - -- -dash.gpg", dir_);
  EXPECT_EQ(page.exit, 0) << page.err;
  EXPECT_EQ(page.out, "<p>dash</p>");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("-")));
  // Help before "--" wins over everything else; after it, it is a LEAF.
  EXPECT_EQ(Tool("show --bogus --help", dir_).exit, 0);
  EXPECT_EQ(Tool("show" + home + " -- --help", dir_).exit, 1);
}

TEST_F(ToolTest, ALongCreateShowsProgressOnATerminalAndNowhereElse) {
  test::WriteFile(dir_.File("page.html"), "<html></html>");
  std::string bytes(32u << 20, '\0');
  unsigned long long x = 88172645463325252ull;  // xorshift: gpg cannot compress it away
  for (char& c : bytes) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    c = static_cast<char>(x);
  }
  test::WriteFile(dir_.File("big.bin"), bytes);
  const std::string create = "create " + Home() + "--recipient " + key_->fingerprint +
                             " --document " + dir_.File("page.html") + " --attach " +
                             dir_.File("big.bin") + " -o ";

  ToolRun piped = Tool(create + dir_.File("piped.gpg"), dir_);
  ASSERT_EQ(piped.exit, 0) << piped.err;
  EXPECT_EQ(piped.err, "");

  // script(1) gives the tool a terminal and copies what it shows.
  ToolRun shown = Shell("script -qec '" + std::string(AMBRINE_LEAF_TOOL) + " " + create +
                            dir_.File("shown.gpg") + "' /dev/null",
                        dir_);
  ASSERT_EQ(shown.exit, 0) << shown.out;
  EXPECT_NE(shown.out.find("\rsaving "), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find(" / 32.0 MiB"), std::string::npos) << shown.out;
  // The line is cleared at the end.
  EXPECT_NE(shown.out.rfind("\r\033[K"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("shown.gpg")));
}

TEST_F(ToolTest, CreateWritesOwnerOnlyAndAFailedCreateKeepsTheOldLeaf) {
  test::WriteFile(dir_.File("page.html"), "<p>kept</p>");
  // A permissive umask would give a plainly created file 0644.
  const mode_t umaskBefore = ::umask(022);
  ToolRun created = Tool("create " + Home() + "--recipient " + key_->fingerprint +
                             " --document " + dir_.File("page.html") + " -o " + dir_.File("keep.gpg"),
                         dir_);
  ::umask(umaskBefore);
  ASSERT_EQ(created.exit, 0) << created.err;
  struct stat info {};
  ASSERT_EQ(::stat(dir_.File("keep.gpg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string before = test::ReadFile(dir_.File("keep.gpg"));
  ASSERT_FALSE(before.empty());

  // No key ring holds this key: gpg refuses, and the leaf written before
  // stays. The output is named relative to the working folder.
  const std::string unknown(40, 'E');
  char* const cwdBefore = ::getcwd(nullptr, 0);
  ASSERT_NE(cwdBefore, nullptr);
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  ToolRun failed = Tool("create " + Home() + "--recipient " + unknown + " --document " +
                            dir_.File("page.html") + " -o keep.gpg",
                        dir_);
  EXPECT_EQ(::chdir(cwdBefore), 0);
  std::free(cwdBefore);
  EXPECT_EQ(failed.exit, 1) << failed.err;
  EXPECT_NE(failed.err.find("could not sign and encrypt"), std::string::npos) << failed.err;
  EXPECT_EQ(Sha256::Hex(test::ReadFile(dir_.File("keep.gpg"))), Sha256::Hex(before));
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_NE(entry.path().filename().string().rfind(".keep.gpg.", 0), 0u) << entry.path();
  }
  // What is left is the leaf as it was: it still opens.
  ToolRun show = Tool("show " + Home() + dir_.File("keep.gpg"), dir_);
  EXPECT_EQ(show.exit, 0) << show.err;
  EXPECT_NE(show.out.find(Sha256::Hex("<p>kept</p>")), std::string::npos) << show.out;
}

// Makes a leaf with the tool; `extra` holds the mode and attachments.
void CreateLeaf(const std::string& home, const std::string& extra, const std::string& page,
                const std::string& form, const std::string& out, const test::TempDir& dir) {
  test::WriteFile(dir.File("page.html"), page);
  test::WriteFile(dir.File("form.txt"), form);
  ToolRun run = Tool("create --homedir " + home + " " + extra + " --document " +
                         dir.File("page.html") + " --form " + dir.File("form.txt") + " -o " + out,
                     dir);
  ASSERT_EQ(run.exit, 0) << run.err;
}

TEST_F(ToolTest, CreateUnlocksAProtectedSecretKeyFromThePassphraseFile) {
  test::TempDir home;
  const test::TestKey key = test::MakeKey(home.path(), "Locked Signer", "lock pass");
  test::WriteFile(dir_.File("right"), "lock pass\n");
  test::WriteFile(dir_.File("wrong"), "not it\n");
  const std::string leaf = dir_.File("locked.gpg");
  const std::string create = "create --homedir " + home.path() + " --recipient " + key.fingerprint +
                             " --document " + dir_.File("page.html") + " -o " + leaf;
  test::WriteFile(dir_.File("page.html"), "<p>locked</p>");
  // With no terminal, a wrong passphrase cannot be asked again: nothing is
  // written, and no leaf appears.
  ToolRun wrong = Tool(create + " --passphrase-file " + dir_.File("wrong"), dir_);
  EXPECT_EQ(wrong.exit, 1);
  EXPECT_NE(wrong.err.find("no terminal"), std::string::npos) << wrong.err;
  EXPECT_FALSE(std::filesystem::exists(leaf));
  ToolRun right = Tool(create + " --passphrase-file " + dir_.File("right"), dir_);
  ASSERT_EQ(right.exit, 0) << right.err;
  ToolRun show = Tool("show --homedir " + home.path() + " --passphrase-file " + dir_.File("right") +
                          " " + leaf,
                      dir_);
  EXPECT_EQ(show.exit, 0) << show.err;
  EXPECT_NE(show.out.find("\"uid\": \"Locked Signer\""), std::string::npos) << show.out;
}

TEST_F(ToolTest, SearchFindsTheRightLeavesAndKeepsAnEncryptedIndex) {
  const std::string home = home_->path();
  std::filesystem::remove(home + "/search-index");
  const std::string records = dir_.File("records");
  std::filesystem::create_directories(records + "/sub");
  const std::string own = "--recipient " + key_->fingerprint;
  // Full-width "ＡＢＣ" in the form (escaped, as the default form writes
  // it); a word only in a script.
  CreateLeaf(home, own, "<p>Monthly report</p><script>var x = 'zebra';</script>",
             "ambrine-form 1\n{\"title\":\"\\uff21\\uff22\\uff23 meeting\"}", records + "/a.gpg",
             dir_);
  // Half-width "ｶﾞｲﾄﾞ" in the page, and an attachment's name.
  test::WriteFile(dir_.File("Invoice-2026.pdf"), "%PDF-1.4");
  CreateLeaf(home, own + " --attach " + dir_.File("Invoice-2026.pdf"),
             "<h1>\xEF\xBD\xB6\xEF\xBE\x9E\xEF\xBD\xB2\xEF\xBE\x84\xEF\xBE\x9E Kyoto</h1>", "x",
             records + "/sub/b.gpg", dir_);
  test::WriteFile(dir_.File("pass"), "pw one\n");
  CreateLeaf(home, "--symmetric --passphrase-file " + dir_.File("pass"), "<p/>",
             "ambrine-form 1\n{\"body\":\"saffron\"}", records + "/s.gpg", dir_);
  test::WriteFile(records + "/broken.gpg", std::string("\x85\x01\x0c", 3) + std::string(200, 'z'));
  // A stranger's leaf, encrypted to the stranger's key alone.
  test::TempDir strangerHome;
  const test::TestKey stranger = test::MakeKey(strangerHome.path(), "Stranger");
  CreateLeaf(strangerHome.path(), "--recipient " + stranger.fingerprint, "<p>meeting</p>", "x",
             records + "/foreign.gpg", dir_);
  std::filesystem::copy_file(home + "/pubring.gpg", records + "/ring.gpg");
  test::WriteFile(records + "/notes.txt", "meeting");

  const std::string search = "search " + Home();
  ToolRun found = Tool(search + "abc MEETING -- " + records, dir_);
  ASSERT_EQ(found.exit, 0) << found.err;
  EXPECT_EQ(found.out, "{\"path\": \"" + records + "/a.gpg\", \"signer\": {\"uid\": \"Tool Tester\", "
                       "\"fingerprint\": \"" + key_->fingerprint + "\"}, \"modified\": \"" +
                       found.out.substr(found.out.find("\"modified\": \"") + 13, 20) +
                       "\", \"snippet\": \"\xEF\xBC\xA1\xEF\xBC\xA2\xEF\xBC\xA3 meeting\"}\n");
  EXPECT_NE(found.err.find(records + "/s.gpg: made with a passphrase"), std::string::npos) << found.err;
  EXPECT_NE(found.err.find(records + "/broken.gpg: "), std::string::npos) << found.err;
  EXPECT_NE(found.err.find(records + "/ring.gpg: not an encrypted leaf"), std::string::npos);
  EXPECT_NE(found.err.find(records + "/foreign.gpg: no secret key of yours opens it"),
            std::string::npos) << found.err;
  EXPECT_EQ(found.err.find("notes.txt"), std::string::npos);

  ToolRun named = Tool(search + "invoice \xE3\x82\xAC\xE3\x82\xA4\xE3\x83\x89 -- " + records, dir_);
  EXPECT_EQ(named.exit, 0) << named.err;
  EXPECT_EQ(named.out.rfind("{\"path\": \"" + records + "/sub/b.gpg\"", 0), 0u) << named.out;
  EXPECT_EQ(std::count(named.out.begin(), named.out.end(), '\n'), 1);
  EXPECT_EQ(Tool(search + "zebra -- " + records, dir_).exit, 1);
  EXPECT_EQ(Tool(search + "saffron -- " + records, dir_).exit, 1);
  ToolRun unlocked = Tool(search + "--passphrase-file " + dir_.File("pass") + " saffron -- " + records, dir_);
  EXPECT_EQ(unlocked.exit, 0) << unlocked.err;
  EXPECT_NE(unlocked.out.find(records + "/s.gpg\", \"signer\": {\"uid\": \"Tool Tester\""),
            std::string::npos) << unlocked.out;

  // The index is owner-only, addressed to the own key alone, and holds the
  // public-key leaves' text but never the passphrase leaf's.
  const std::string index = home + "/search-index";
  struct stat info;
  ASSERT_EQ(::stat(index.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string gpg = "gpg1 --batch --no-tty --homedir " + home + " ";
  const std::string packets = Shell(gpg + "--list-packets " + index, dir_).out;
  EXPECT_EQ(packets.find(":symkey enc packet:"), std::string::npos) << packets;
  const std::size_t first = packets.find(":pubkey enc packet:");
  ASSERT_NE(first, std::string::npos) << packets;
  EXPECT_EQ(packets.find(":pubkey enc packet:", first + 1), std::string::npos) << packets;
  const std::size_t keyIdAt = packets.find("keyid ", first);
  const std::string keyId = packets.substr(keyIdAt + 6, 16);
  EXPECT_NE(Shell(gpg + "--with-colons --list-keys " + key_->fingerprint, dir_).out.find(keyId),
            std::string::npos) << keyId;
  const std::string plain = Shell(gpg + "--decrypt " + index, dir_).out;
  EXPECT_NE(plain.find("meeting"), std::string::npos);
  EXPECT_EQ(plain.find("saffron"), std::string::npos);

  // A later search takes an unchanged leaf from the index: garbage of the
  // same size and time is not read. Once its time changes it is read again.
  const std::string a = records + "/a.gpg";
  ASSERT_EQ(::stat(a.c_str(), &info), 0);
  test::WriteFile(a, std::string(info.st_size, '\x85'));
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
  EXPECT_EQ(Tool(search + "meeting -- " + records, dir_).exit, 0);
  const struct timespec later[2] = {info.st_atim, {info.st_mtim.tv_sec + 5, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), later, 0), 0);
  ToolRun reread = Tool(search + "meeting -- " + records, dir_);
  EXPECT_EQ(reread.exit, 1);
  EXPECT_NE(reread.err.find(a + ": "), std::string::npos) << reread.err;

  EXPECT_EQ(Tool(search + "meeting " + records, dir_).exit, 2);
  EXPECT_EQ(Tool(search + "-- " + records, dir_).exit, 2);
  EXPECT_EQ(Tool(search + "meeting --", dir_).exit, 2);
}

TEST_F(ToolTest, SearchOnAFullDiskStillFindsAndLeavesNoPartialIndex) {
  CreateLeaf(home_->path(), "--recipient " + key_->fingerprint, "<p>juniper</p>", "x",
             dir_.File("j.gpg"), dir_);
  // The key rings on a disk that is then full: the index cannot be written.
  const test::TempDir mountPoint;
  const test::SmallDisk small(mountPoint.path(), "256k");
  if (!small.failure().empty()) GTEST_SKIP() << small.failure();
  for (const auto& file : std::filesystem::directory_iterator(home_->path())) {
    if (file.is_regular_file() && file.path().filename() != "search-index") {
      std::filesystem::copy_file(file.path(), mountPoint.path() + "/" + file.path().filename().string());
    }
  }
  ASSERT_TRUE(small.Fill());
  ToolRun found = Tool("search --homedir " + mountPoint.path() + " juniper -- " + dir_.path(), dir_);
  EXPECT_EQ(found.exit, 0) << found.err;
  EXPECT_NE(found.out.find(dir_.File("j.gpg")), std::string::npos) << found.out;
  for (const auto& file : std::filesystem::directory_iterator(mountPoint.path())) {
    EXPECT_EQ(file.path().filename().string().find("search-index"), std::string::npos)
        << file.path();
  }
}

TEST_F(ToolTest, ACancelledSearchFindsNothingAndWritesNoIndex) {
  CreateLeaf(home_->path(), "--recipient " + key_->fingerprint, "<p>juniper</p>", "x",
             dir_.File("j.gpg"), dir_);
  SearchRequest request;
  request.words = {"juniper"};
  request.folders = {dir_.path()};
  request.indexPath = dir_.File("index");
  request.ownFingerprint = key_->fingerprint;
  OperationProgress progress;
  progress.Cancel();
  const SearchOutcome outcome = SearchRecords(ToolSettings(home_->path()), request, &progress);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_TRUE(outcome.hits.empty());
  EXPECT_FALSE(std::filesystem::exists(request.indexPath));
  // The same search, not cancelled, finds the leaf and keeps its index.
  const SearchOutcome found = SearchRecords(ToolSettings(home_->path()), request);
  ASSERT_EQ(found.hits.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(request.indexPath));
}

}  // namespace
}  // namespace ambrine
