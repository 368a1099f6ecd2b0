#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "leaf/mime_header.h"
#include "leaf_test_support.h"

namespace ambrine {
namespace {

using test::RecordingReport;

HeaderList Read(const std::string& text, Result* status = nullptr,
                RecordingReport* report = nullptr) {
  RecordingReport own;
  LineReader input(text);
  HeaderList headers;
  Result s = ReadHeaderBlock(input, headers, report ? *report : own);
  if (status) *status = s;
  return headers;
}

TEST(MimeHeader, HeaderNamesMatchWhateverTheirCaseAndSpacesBeforeTheColon) {
  HeaderList headers = Read("CONTENT-TYPE : Text/HTML\r\nX: y\r\n\r\n");
  std::string value;
  ASSERT_EQ(FindHeader(headers, "content-type", nullptr, value), kOk);
  EXPECT_EQ(value, "Text/HTML");  // values keep their case
  ASSERT_EQ(FindHeader(headers, "content-disposition", nullptr, value), kOk);
  EXPECT_EQ(value, "");
}

TEST(MimeHeader, ContinuationLinesAreJoinedWithoutTheirFirstCharacter) {
  HeaderList headers = Read("Content-Type: multipart/mixed;\r\n\tboundary=\"b1\"\r\n\r\n");
  ASSERT_EQ(headers.size(), 1u);
  EXPECT_EQ(headers[0], "Content-Type: multipart/mixed;boundary=\"b1\"");
  std::string value;
  ASSERT_EQ(FindHeader(headers, "content-type", nullptr, value), kOk);
  EXPECT_EQ(value, "multipart/mixed");
  ASSERT_EQ(FindHeader(headers, "content-type", "boundary", value), kOk);
  EXPECT_EQ(value, "\"b1\"");  // the reader drops the quotes
}

TEST(MimeHeader, ParameterNamesAreCaseSensitiveAndQuotesHideSemicolons) {
  std::string value;
  EXPECT_EQ(FindParameter("Boundary=x", "boundary", value), kOk);
  EXPECT_EQ(value, "");
  EXPECT_EQ(FindParameter("a=1; name = \"a;b\" ; c=2", "name", value), kOk);
  EXPECT_EQ(value, "\"a;b\"");
  EXPECT_EQ(FindParameter("a=1; c=2", "c", value), kOk);
  EXPECT_EQ(value, "2");
  EXPECT_EQ(FindParameter("name=\"a;b", "name", value), kInvalidData);
  EXPECT_EQ(FindParameter("name", "name", value), kInvalidData);
  EXPECT_EQ(FindParameter("name x", "name", value), kInvalidData);
  EXPECT_EQ(FindParameter("  ", "name", value), kOk);

  // Only the text up to the first ";" outside quotes is looked at.
  HeaderList headers = Read("Content-Type: a/b; x=\"unclosed\r\n\r\n");
  EXPECT_EQ(FindHeader(headers, "content-type", nullptr, value), kOk);
  EXPECT_EQ(value, "a/b");
  EXPECT_EQ(FindHeader(headers, "content-type", "x", value), kInvalidData);
  headers = Read("Content-Type: \"a/b; x=1\r\n\r\n");
  EXPECT_EQ(FindHeader(headers, "content-type", nullptr, value), kInvalidData);
  headers = Read("Content-Type: a/b\r\n\r\n");
  EXPECT_EQ(FindHeader(headers, "content-type", "boundary", value), kOk);
  EXPECT_EQ(value, "");
}

TEST(MimeHeader, AStarredParameterIsADifferentParameter) {
  std::string value;
  const std::string_view text = "filename*=UTF-8''a%22; filename=\"a_\"";
  EXPECT_EQ(FindParameter(text, "filename", value), kOk);
  EXPECT_EQ(value, "\"a_\"");
  EXPECT_EQ(FindParameter(text, "filename*", value), kOk);
  EXPECT_EQ(value, "UTF-8''a%22");
  EXPECT_EQ(FindParameter("filename=\"x\"", "filename*", value), kOk);
  EXPECT_EQ(value, "");
}

TEST(MimeHeader, ExtendedValuesEncodeEveryByteAndDecodeBack) {
  EXPECT_EQ(EncodeExtendedValue("Az09!#$&+-.^_`{|}~"), "UTF-8''Az09!#$&+-.^_`{|}~");
  EXPECT_EQ(EncodeExtendedValue(std::string(" *'%()<>@,;:\\\"/[]?=\0\r\n\t\x7F\xE6\xFF", 26)),
            "UTF-8''%20%2A%27%25%28%29%3C%3E%40%2C%3B%3A%5C%22%2F%5B%5D%3F%3D%00%0D%0A%09%7F%E6%FF");

  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string decoded;
  ASSERT_TRUE(DecodeExtendedValue(EncodeExtendedValue(all), decoded));
  EXPECT_EQ(decoded, all);
  for (int c = 0; c < 256; ++c) {
    const bool quotable = c >= 0x20 && c != '"' && c != 0x7F;
    EXPECT_EQ(IsQuotableChar(static_cast<unsigned char>(c)), quotable) << c;
  }

  // Charset in any case, any language, escapes in either case.
  EXPECT_TRUE(DecodeExtendedValue("utf-8'ja-JP'%e6%97%A5x", decoded));
  EXPECT_EQ(decoded, "\xE6\x97\xA5x");
}

TEST(MimeHeader, MalformedExtendedValuesAreRefused) {
  for (const char* bad : {"", "UTF-8''", "UTF-8", "UTF-8'x", "utf8''a", "ISO-8859-1''a", "''a",
                          "UTF-8''%", "UTF-8''%4", "UTF-8''a%4", "UTF-8''%G0", "UTF-8''%0G",
                          "UTF-8''a b", "UTF-8''a\"b", "UTF-8''a*b", "UTF-8''a'b", "\"UTF-8''a\"",
                          "UTF-8''\xE6"}) {
    std::string decoded = "stale";
    EXPECT_FALSE(DecodeExtendedValue(bad, decoded)) << bad;
    EXPECT_EQ(decoded, "") << bad;
  }
}

TEST(MimeHeader, TheFirstHeaderOfANameDecidesAndOnlySpacesAreSkipped) {
  HeaderList headers = Read("Content-Type:\ttext/html\r\ncontent-type: b/c\r\n\r\n");
  std::string value;
  ASSERT_EQ(FindHeader(headers, "content-type", nullptr, value), kOk);
  EXPECT_EQ(value, "\ttext/html");
}

TEST(MimeHeader, BrokenBlocksAreReportedAsInvalidData) {
  Result status = kOk;
  RecordingReport report;
  Read("Content-Type: a/b\r\n", &status, &report);
  EXPECT_EQ(status, kInvalidData);
  EXPECT_EQ(report.reports, (std::vector<test::Reported>{{kInvalidData, report::kHeaderBlockUnended}}));

  for (const char* text : {"no colon here\r\n\r\n", ": starts with colon\r\n\r\n"}) {
    RecordingReport r;
    Read(text, &status, &r);
    EXPECT_EQ(status, kInvalidData) << text;
    EXPECT_EQ(r.Points(), std::vector<const ReportPoint*>{&report::kHeaderLineBroken}) << text;
  }

  // An endless header is refused instead of growing without bound.
  RecordingReport big;
  Read("X: " + std::string(kMaxHeaderBlock + 10, 'a') + "\r\n\r\n", &status, &big);
  EXPECT_EQ(status, kInvalidData);
}

TEST(LineReader, CrSwallowsTheNextByteAndCountsTellTheEndOfData) {
  LineReader input(std::string_view("abc\r\nabc\nx\ry\r"));
  std::string line;
  std::size_t consumed = 0;
  ASSERT_EQ(input.ReadLine(line, &consumed), kOk);
  EXPECT_EQ(line, "abc");
  EXPECT_EQ(consumed, 5u);
  input.ReadLine(line, &consumed);
  EXPECT_EQ(line, "abc");
  EXPECT_EQ(consumed, 4u);
  input.ReadLine(line, &consumed);  // the byte after CR (y) is dropped
  EXPECT_EQ(line, "x");
  input.ReadLine(line, &consumed);
  EXPECT_EQ(line, "");
  EXPECT_EQ(consumed, 1u);
  input.ReadLine(line, &consumed);
  EXPECT_EQ(consumed, 0u);
}

TEST(LineReader, LongLinesComeInPiecesAndPipesAreReadAcrossBlocks) {
  LineReader input(std::string_view("abcdefg\nhi\n"));
  std::string line;
  std::size_t consumed = 0;
  bool complete = true;
  input.ReadLine(line, &consumed, 3, &complete);
  EXPECT_EQ(line, "abc");
  EXPECT_FALSE(complete);
  input.ReadLine(line, &consumed, 3, &complete);
  input.ReadLine(line, &consumed, 3, &complete);
  EXPECT_EQ(line, "g");
  EXPECT_TRUE(complete);
  input.ReadLine(line, &consumed, 3, &complete);
  EXPECT_EQ(line, "hi");
  EXPECT_TRUE(complete);

  // A CR at the end of one write and its LF in the next are one line end.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "ab\r", 3), 3);
  LineReader piped(fds[0]);
  std::thread later([&] {
    ::usleep(1000);
    (void)!::write(fds[1], "\ncd", 3);
    ::close(fds[1]);
  });
  piped.ReadLine(line, &consumed);
  EXPECT_EQ(line, "ab");
  piped.ReadLine(line, &consumed);
  EXPECT_EQ(line, "cd");
  piped.ReadLine(line, &consumed);
  EXPECT_EQ(consumed, 0u);
  later.join();
  ::close(fds[0]);
}

}  // namespace
}  // namespace ambrine
