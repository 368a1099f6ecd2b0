// The tool's option rules through getopt_long, in the process: where
// options may stand, "--", "-", attached values, the usage errors word for
// word. test_tool.cpp runs the same rules through the built tool.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace ambrine {
namespace {

struct Parsed {
  int status = -1;
  std::string err;
  CommandLine line;
};

// Parses `words` (the command's name first) as the tool's main does.
Parsed Parse(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  Parsed parsed;
  testing::internal::CaptureStderr();
  parsed.status = parsed.line.Parse(static_cast<int>(words.size()), argv.data());
  parsed.err = testing::internal::GetCapturedStderr();
  return parsed;
}

using Words = std::vector<std::string>;

TEST(CommandLine, OptionsMayStandBeforeBetweenAndAfterTheArguments) {
  const Words words = {"show", "a", "--homedir", "h", "b", "--reencrypt", "-o", "x", "c"};
  const Parsed parsed = Parse(words);
  ASSERT_EQ(parsed.status, 0) << parsed.err;
  EXPECT_EQ(parsed.line.positional, (Words{"a", "b", "c"}));
  EXPECT_EQ(parsed.line.home, "h");
  EXPECT_TRUE(parsed.line.reencrypt);
  EXPECT_EQ(parsed.line.output, "x");
  EXPECT_EQ(parsed.line.positionalBeforeSeparator, SIZE_MAX);
  // POSIXLY_CORRECT would make getopt_long stop at the first argument; the
  // tool's rules stay.
  ::setenv("POSIXLY_CORRECT", "1", 1);
  const Parsed posix = Parse(words);
  ::unsetenv("POSIXLY_CORRECT");
  EXPECT_EQ(posix.line.positional, (Words{"a", "b", "c"}));
  EXPECT_TRUE(posix.line.reencrypt);
}

TEST(CommandLine, ValuesFollowOrAreAttachedWithEquals) {
  const Parsed parsed = Parse({"create", "--homedir=h=1", "--recipient=A", "--recipient", "B",
                               "--attach=", "--attach", "-", "--output=o", "--symmetric",
                               "--passphrase-file", "--", "--document=d", "--form", "f"});
  ASSERT_EQ(parsed.status, 0) << parsed.err;
  EXPECT_EQ(parsed.line.home, "h=1");
  EXPECT_EQ(parsed.line.recipients, (Words{"A", "B"}));
  EXPECT_EQ(parsed.line.attachments, (Words{"", "-"}));
  EXPECT_EQ(parsed.line.output, "o");
  EXPECT_TRUE(parsed.line.symmetric);
  // A value is taken as it stands, even "--".
  EXPECT_EQ(parsed.line.passphraseFile, "--");
  EXPECT_EQ(parsed.line.positionalBeforeSeparator, SIZE_MAX);
  EXPECT_EQ(parsed.line.document, "d");
  EXPECT_EQ(parsed.line.form, "f");
  EXPECT_TRUE(parsed.line.positional.empty());
}

TEST(CommandLine, AttachmentTakesIndexThenOut) {
  Parsed parsed = Parse({"extract", "-", "--attachment", "0", "-"});
  ASSERT_EQ(parsed.status, 0) << parsed.err;
  EXPECT_EQ(parsed.line.positional, (Words{"-"}));
  EXPECT_TRUE(parsed.line.attachmentWanted);
  EXPECT_EQ(parsed.line.attachmentIndex, 0);
  EXPECT_EQ(parsed.line.output, "-");
  // OUT is the next argument whatever it looks like; options go on after it.
  parsed = Parse({"extract", "--attachment=1000000", "--reencrypt", "leaf", "--reencrypt"});
  ASSERT_EQ(parsed.status, 0) << parsed.err;
  EXPECT_EQ(parsed.line.attachmentIndex, 1000000);
  EXPECT_EQ(parsed.line.output, "--reencrypt");
  EXPECT_EQ(parsed.line.positional, (Words{"leaf"}));
  EXPECT_TRUE(parsed.line.reencrypt);
}

TEST(CommandLine, DoubleDashEndsTheOptionsAndIsRemembered) {
  Parsed parsed = Parse({"search", "w1", "--homedir", "h", "w2", "--", "f1", "--reencrypt", "--", "-"});
  ASSERT_EQ(parsed.status, 0) << parsed.err;
  EXPECT_EQ(parsed.line.positional, (Words{"w1", "w2", "f1", "--reencrypt", "--", "-"}));
  EXPECT_EQ(parsed.line.positionalBeforeSeparator, 2u);
  EXPECT_FALSE(parsed.line.reencrypt);
  EXPECT_EQ(parsed.line.home, "h");
  // "--" last: the separator with nothing after it.
  parsed = Parse({"search", "w", "--"});
  EXPECT_EQ(parsed.line.positional, (Words{"w"}));
  EXPECT_EQ(parsed.line.positionalBeforeSeparator, 1u);
  // "--" first: nothing before it.
  parsed = Parse({"show", "--", "-leaf"});
  EXPECT_EQ(parsed.line.positional, (Words{"-leaf"}));
  EXPECT_EQ(parsed.line.positionalBeforeSeparator, 0u);
}

TEST(CommandLine, UsageErrorsNameTheOptionAsWritten) {
  const std::vector<std::pair<Words, std::string>> cases = {
      {{"show", "--bogus"}, "unknown option --bogus"},
      // getopt_long's abbreviations and glued short values are refused.
      {{"show", "--home", "h"}, "unknown option --home"},
      {{"show", "--home=h"}, "unknown option --home"},
      {{"show", "--re"}, "unknown option --re"},
      {{"show", "-ofile"}, "unknown option -ofile"},
      {{"show", "-xyz"}, "unknown option -xyz"},
      {{"show", "--=x"}, "unknown option --"},
      {{"show", "--help=x"}, "unknown option --help"},
      {{"show", "--reencrypt=yes"}, "--reencrypt takes no value"},
      {{"create", "--symmetric="}, "--symmetric takes no value"},
      {{"show", "--homedir"}, "--homedir needs a folder"},
      {{"show", "--passphrase-file"}, "--passphrase-file needs a file"},
      {{"create", "--recipient"}, "--recipient needs a fingerprint"},
      {{"create", "--attach"}, "--attach needs a file"},
      {{"create", "--document"}, "--document needs a file"},
      {{"create", "--form"}, "--form needs a file"},
      {{"create", "-o"}, "-o needs a file"},
      {{"create", "--output"}, "-o needs a file"},
      {{"extract", "--attachment"}, "--attachment needs INDEX and OUT"},
      {{"extract", "--attachment", "1"}, "--attachment needs INDEX and OUT"},
      {{"extract", "--attachment=x", "out"}, "bad INDEX x"},
      {{"extract", "--attachment", "", "out"}, "bad INDEX "},
      {{"extract", "--attachment", "-1", "out"}, "bad INDEX -1"},
      {{"extract", "--attachment", "1000001", "out"}, "bad INDEX 1000001"},
      {{"extract", "--attachment", "2x", "out"}, "bad INDEX 2x"},
  };
  for (const auto& [words, message] : cases) {
    const Parsed parsed = Parse(words);
    EXPECT_EQ(parsed.status, 2) << words.back();
    EXPECT_EQ(parsed.err, "ambrine-leaf: " + message + "\nTry 'ambrine-leaf --help'.\n")
        << words.back();
  }
}

}  // namespace
}  // namespace ambrine
