// The key generation operation with the real gpg1 (and gpgs that fail in
// set ways): the key joins the user's rings only when it was made, keys
// already there are kept, a cancel stops gpg, and what the dialog shows of
// gpg's status lines.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "base/operation_progress.h"
#include "gpg/gpg_engine.h"
#include "gpg/key_generation.h"
#include "gpg/key_generation_display.h"
#include "gpg/status_driver.h"
#include "shared_keys.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

KeyList ListedKeys(const GpgSettings& settings, bool secret) {
  GpgEngine engine(settings);
  KeyList keys;
  EXPECT_EQ(kOk, engine.ListKeys(secret, keys, nullptr, nullptr));
  return keys;
}

// A gpg for key generation: reads the parameters, writes junk to the
// public ring they name (as a gpg that fails half-way may), writes
// `statusLines` on its status descriptor and `errorLine` on its standard
// error and exits with `exitCode`, or, given `sleepSeconds`, becomes a
// process that sleeps that long.
std::string FailingGpg(const TempDir& dir, const std::string& statusLines,
                       const std::string& errorLine, int exitCode, int sleepSeconds = 0) {
  const std::string path = dir.File("gpg");
  WriteFile(path + ".status", statusLines);
  WriteFile(path, "#!/bin/sh\n"
                  "fd=\n"
                  "for a in \"$@\"; do case \"$a\" in --status-fd=*) fd=${a#--status-fd=} ;; esac; done\n"
                  "ring=$(tr -d '\\r' | sed -n 's/^%pubring //p')\n"
                  "[ -n \"$ring\" ] && echo junk >\"$ring\"\n"
                  "eval \"cat '" + path + ".status' >&$fd\"\n"
                  "echo '" + errorLine + "' >&2\n" +
                  (sleepSeconds > 0 ? "exec sleep " + std::to_string(sleepSeconds) + "\n" : "") +
                  "exit " + std::to_string(exitCode) + "\n");
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

class KeyGenerationTest : public testing::Test {
 protected:
  KeyGenerationOutcome Generate(const NewKeyPair& key, OperationProgress* progress = nullptr) {
    return KeyGeneration(settings_).Run(
        key, [this](const std::string& text) { shown_ += text; }, progress);
  }

  TempDir home_;
  GpgSettings settings_ = test::SettingsFor(home_.path());
  std::string shown_;
};

TEST_F(KeyGenerationTest, MakesTheKeyIntoAnEmptyHomeAndShowsGpgsLines) {
  NewKeyPair key;
  key.name = "Core Tester";
  key.email = "core@example.org";
  key.comment = "home";
  const KeyGenerationOutcome outcome = Generate(key);
  ASSERT_EQ(KeyGenerationResult::Made, outcome.result) << shown_;
  EXPECT_EQ(nullptr, outcome.reportAt);
  EXPECT_EQ(0, outcome.exitCode);
  EXPECT_EQ(40u, outcome.fingerprint.size());

  const KeyList secret = ListedKeys(settings_, true);
  ASSERT_EQ(1u, secret.size());
  const KeyEntry entry = SplitKeyEntry(secret[0]);
  EXPECT_EQ("Core Tester (home) <core@example.org>", entry.userId);
  EXPECT_EQ(outcome.fingerprint, entry.fingerprint);
  EXPECT_NE(std::string::npos, shown_.find("[GNUPG:] KEY_CREATED B " + outcome.fingerprint))
      << shown_;
  // Progress comes as characters, not as whole status lines.
  EXPECT_EQ(std::string::npos, shown_.find("PROGRESS")) << shown_;
  EXPECT_FALSE(fs::exists(home_.File("secring.gpg.new")));
}

TEST_F(KeyGenerationTest, KeysAlreadyInTheRingsAreKeptAndTheNewOneAdded) {
  const auto& keys = test::Keys();
  test::CopyPublicKey(keys.aliceHome, home_.path(), keys.alice.fingerprint);
  NewKeyPair key;
  key.name = "Second Owner";
  const KeyGenerationOutcome outcome = Generate(key);
  ASSERT_EQ(KeyGenerationResult::Made, outcome.result) << shown_;

  const KeyList publicKeys = ListedKeys(settings_, false);
  ASSERT_EQ(2u, publicKeys.size());
  EXPECT_EQ(keys.alice.fingerprint, SplitKeyEntry(publicKeys[0]).fingerprint);
  EXPECT_EQ(outcome.fingerprint, SplitKeyEntry(publicKeys[1]).fingerprint);
  EXPECT_FALSE(fs::exists(home_.File("pubring.gpg.new")));
}

TEST_F(KeyGenerationTest, AFailedGpgLeavesTheRingsAsTheyWereAndTellsWhy) {
  const auto& keys = test::Keys();
  test::CopyPublicKey(keys.aliceHome, home_.path(), keys.alice.fingerprint);
  const std::string ringBefore = ReadFile(home_.File("pubring.gpg"));
  TempDir bin;
  const std::string fingerprint = "0123456789ABCDEF0123456789ABCDEF01234567";
  settings_.gpgPath = FailingGpg(bin, "[GNUPG:] KEY_CREATED B " + fingerprint + "\n",
                                 "gpg: key generation failed: disk full", 2);
  NewKeyPair key;
  key.name = "Failing Owner";
  const KeyGenerationOutcome outcome = Generate(key);
  EXPECT_EQ(KeyGenerationResult::NotMade, outcome.result);
  EXPECT_EQ(2, outcome.exitCode);
  EXPECT_EQ("gpg: key generation failed: disk full", outcome.gpgError);
  EXPECT_EQ(fingerprint, outcome.fingerprint);
  EXPECT_EQ(nullptr, outcome.reportAt);
  EXPECT_EQ("[GNUPG:] KEY_CREATED B " + fingerprint + "\n", shown_);
  // What gpg wrote to the staged ring never reaches the user's.
  EXPECT_EQ(ringBefore, ReadFile(home_.File("pubring.gpg")));
  EXPECT_FALSE(fs::exists(home_.File("pubring.gpg.new")));
}

TEST_F(KeyGenerationTest, GpgSayingItMadeAKeyThatIsNotListedIsNoKey) {
  TempDir bin;
  settings_.gpgPath = FailingGpg(bin, "[GNUPG:] KEY_CREATED B ABCD\n", "", 0);
  NewKeyPair key;
  key.name = "Phantom Owner";
  // The listing afterwards finds junk, not a secret key.
  EXPECT_EQ(KeyGenerationResult::NotMade, Generate(key).result);
}

TEST_F(KeyGenerationTest, ACancelStopsGpgAtOnceAndDropsTheStagedRing) {
  const auto& keys = test::Keys();
  test::CopyPublicKey(keys.aliceHome, home_.path(), keys.alice.fingerprint);
  const std::string ringBefore = ReadFile(home_.File("pubring.gpg"));
  TempDir bin;
  settings_.gpgPath = FailingGpg(bin, "[GNUPG:] PROGRESS primegen + 0 0\n", "", 0, 30);
  OperationProgress progress;
  NewKeyPair key;
  key.name = "Impatient Owner";
  const auto started = std::chrono::steady_clock::now();
  const KeyGenerationOutcome outcome =
      KeyGeneration(settings_).Run(key, [&](const std::string& text) {
        shown_ += text;
        progress.Cancel();  // once gpg has shown it works
      }, &progress);
  EXPECT_EQ(KeyGenerationResult::Cancelled, outcome.result);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ("+", shown_);
  EXPECT_EQ(ringBefore, ReadFile(home_.File("pubring.gpg")));
  EXPECT_FALSE(fs::exists(home_.File("pubring.gpg.new")));
}

TEST_F(KeyGenerationTest, GpgThatCannotStartOrTakeTheParametersIsReported) {
  NewKeyPair key;
  key.name = "Nobody Here";
  settings_.gpgPath = "/nonexistent/bin/gpg";
  KeyGenerationOutcome outcome = Generate(key);
  EXPECT_EQ(KeyGenerationResult::StartFailed, outcome.result);
  EXPECT_EQ(&report::kGenkeyGpgStartFailed, outcome.reportAt);
  EXPECT_EQ(ResultFromErrno(ENOENT), outcome.status);

  // A line break would add a parameter line of the user's making.
  TempDir bin;
  settings_.gpgPath = FailingGpg(bin, "", "", 0);
  key.name = "Two\nLines";
  outcome = Generate(key);
  EXPECT_EQ(KeyGenerationResult::StartFailed, outcome.result);
  EXPECT_EQ(kInvalidData, outcome.status);
  EXPECT_TRUE(shown_.empty());
  EXPECT_FALSE(fs::exists(home_.File("pubring.gpg")));
}

TEST(GenkeyStatusDisplay, ProgressCharactersShareALineOtherLinesStandAlone) {
  bool progress = false;
  std::string shown;
  for (const char* line : {"[GNUPG:] PROGRESS primegen + 0 0", "[GNUPG:] PROGRESS primegen + 0 0",
                           "[GNUPG:] PROGRESS primegen   + 0 0", "[GNUPG:] KEY_CREATED B ABCD"})
    shown += StatusLineDisplay(line, progress);
  EXPECT_EQ("+++\n[GNUPG:] KEY_CREATED B ABCD\n", shown);
  EXPECT_FALSE(progress);
  EXPECT_EQ("gpg: 鍵\n", StatusLineDisplay("gpg: 鍵", progress));
}

TEST(GenkeyStatusDisplay, FedBytesFollowThePipeLineRules) {
  struct Lines : StatusHandler {
    StatusAction OnStatus(const StatusLine& line, CommandWriter&) override {
      lines.emplace_back(line.text);
      return StatusAction::Continue;
    }
    std::vector<std::string> lines;
  } add;
  Fd status, command;
  StatusDriver driver(status, command);
  driver.Feed("one\ntw", add);
  driver.Feed("o\r", add);
  driver.Feed("Xthree\n\nlast", add);  // the byte after CR is swallowed
  driver.Finish(add);
  EXPECT_EQ((std::vector<std::string>{"one", "two", "three", "", "last"}), add.lines);
}

}  // namespace
}  // namespace ambrine
