// The written message byte for byte, without gpg: the writer writes into a
// pipe that the test reads, attachments come from plain files.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <regex>

#include "leaf/base64.h"
#include "leaf/leaf_reader.h"
#include "leaf/plain_form_page.h"
#include "leaf_test_support.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

using test::MemoryPage;
using test::RecordingReport;

std::string Body(const std::string& bytes) {
  Base64LineEncoder encoder;
  std::string out;
  encoder.Add(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  encoder.Finish(out);
  return out;
}

// The Content-Disposition parameter lines of a name written as it is.
std::string Quoted(const std::string& name) { return " filename=\"" + name + "\"\r\n"; }

// `attachments` pairs each attachment's file name lines with its content.
std::string Expected(const std::string& b, const std::string& document, const std::string& form,
                     const std::vector<std::pair<std::string, std::string>>& attachments) {
  std::string m = "Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n"
                  "Content-Transfer-Encoding: 7bit\r\n\r\n"
                  "--" + b + "\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\n" +
                  Body(document) + "\r\n"
                  "--" + b + "\r\nContent-Type: application/octet-stream\r\n"
                  "Content-Transfer-Encoding: BASE64\r\n\r\n" + Body(form);
  for (const auto& [nameLines, content] : attachments) {
    m += "--" + b + "\r\nContent-Type: application/octet-stream\r\n"
         "Content-Disposition: attachment;\r\n" + nameLines +
         "Content-Transfer-Encoding: BASE64\r\n\r\n" + Body(content) + "\r\n";
  }
  return m + "--" + b + "--\r\n";
}

struct Fixture {
  MemoryPage page;
  AttachmentStore store;
  GpgSettings settings;
  RecordingReport report;
  test::PlainFileSource source;
  test::TempDir dir;

  void Attach(const std::string& name, const std::string& content) {
    std::string path = dir.File("plain" + std::to_string(store.Count()));
    test::WriteFile(path, content);
    store.Append(name, path, "0000000000000000");
  }
  std::string Write(Result* status = nullptr) {
    LeafWriter writer(page, store, settings, report, &source);
    return test::WriteToString(writer, status);
  }
};

// What the leaf reader gives back from a written message.
struct ReadBack {
  explicit ReadBack(const std::string& message)
      : input(message), status(LeafReader(input, page, sink, report).ReadLeafMessage()) {}
  MemoryPage page;
  test::RecordingSink sink;
  RecordingReport report;
  LineReader input;
  Result status;
};

TEST(LeafWriter, BoundaryIsTimeAndTwoRandomNumbersAndDiffersBetweenSaves) {
  const std::regex shape("----=_[0-9]{14}_[0-9]{4,5}[0-9]{4,5}");
  std::string first = MakeBoundary();
  EXPECT_TRUE(std::regex_match(first, shape)) << first;
  EXPECT_LE(first.size(), 63u);
  bool differs = false;
  for (int i = 0; i < 5 && !differs; ++i) differs = MakeBoundary() != first;
  EXPECT_TRUE(differs);
}

TEST(LeafWriter, MessageWithoutAttachmentsEndsWithTheFormBodyAndTheClosingLine) {
  Fixture f;
  f.page.document = "<!DOCTYPE html><html><body>\xE6\x97\xA5</body></html>";
  f.page.form = std::string(54, 'f');
  Result status = kFailure;
  std::string message = f.Write(&status);
  EXPECT_EQ(status, kOk);
  const std::string b = test::BoundaryOf(message);
  EXPECT_EQ(message, Expected(b, f.page.document, f.page.form, {}));
  // 54 bytes of form text are exactly one line of 72 characters.
  EXPECT_NE(message.find("BASE64\r\n\r\n" + Body(f.page.form) + "--" + b + "--\r\n"),
            std::string::npos);
  EXPECT_EQ(Body(f.page.form).size(), 74u);
  EXPECT_TRUE(f.report.reports.empty());
}

TEST(LeafWriter, FiftySevenBytesOfFormTextGiveALineOf72AndOneOf4) {
  Fixture f;
  f.page.form = std::string(57, '\x01');
  std::string message = f.Write();
  const std::string b = test::BoundaryOf(message);
  EXPECT_EQ(message, Expected(b, "", f.page.form, {}));
  std::string form = Body(f.page.form);
  ASSERT_EQ(form.size(), 72u + 2 + 4 + 2);
  EXPECT_EQ(form.substr(74), "AQEB\r\n");
  // The empty document has no body lines, only the empty line after it.
  EXPECT_NE(message.find("BASE64\r\n\r\n\r\n--" + b), std::string::npos);
}

TEST(LeafWriter, AFormResultThatIsNoStringGivesHeadersWithoutBody) {
  Fixture f;
  f.page.form = "ignored";
  f.page.formIsString = false;
  std::string message = f.Write();
  EXPECT_EQ(message, Expected(test::BoundaryOf(message), "", "", {}));
  EXPECT_TRUE(f.report.reports.empty());
}

TEST(LeafWriter, AttachmentsFollowInStoreOrderWithTheirNamesAndFullLines) {
  Fixture f;
  f.page.document = "<p>x</p>";
  f.page.form = "a=1";
  std::string exact(3 * 18 * 4, '\0');
  for (std::size_t i = 0; i < exact.size(); ++i) exact[i] = static_cast<char>(i);
  std::string odd(100001, '\0');
  for (std::size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<char>(i * 31 + 7);
  f.Attach("\xE6\x97\xA5\xE8\xA8\x98.txt", exact);  // Japanese name, UTF-8, unescaped
  f.Attach("two;\"x.bin", odd);
  f.Attach("empty", "");
  std::string message = f.Write();
  const std::string b = test::BoundaryOf(message);
  // A quote cannot stand inside the quotes: a stand-in name, then the exact one.
  EXPECT_EQ(message, Expected(b, f.page.document, f.page.form,
                              {{Quoted("\xE6\x97\xA5\xE8\xA8\x98.txt"), exact},
                               {" filename=\"two;_x.bin\";\r\n filename*=UTF-8''two%3B%22x.bin\r\n", odd},
                               {Quoted("empty"), ""}}));
  // 216 bytes end with a full line and no extra line end before the empty line.
  EXPECT_NE(message.find(Body(exact) + "\r\n--" + b), std::string::npos);
  EXPECT_EQ(Body(exact).size() % 74, 0u);
  EXPECT_TRUE(f.report.reports.empty());
}

TEST(LeafWriter, FailuresAreReportedOnceAndEndTheMessage) {
  {
    Fixture f;
    f.page.saveDocumentResult = kFailure;
    Result status = kOk;
    std::string message = f.Write(&status);
    EXPECT_EQ(status, kFailure);
    EXPECT_EQ(f.report.Points(), std::vector<const ReportPoint*>{&report::kDocumentUnsaved});
    // Line 9 is written before the report; nothing follows it.
    EXPECT_EQ(message.substr(message.size() - 12), "BASE64\r\n\r\n\r\n");
  }
  {
    Fixture f;
    f.page.saveFormResult = kUnknownName;
    Result status = kOk;
    std::string message = f.Write(&status);
    EXPECT_EQ(status, kUnknownName);
    EXPECT_EQ(f.report.reports, (std::vector<test::Reported>{{kUnknownName, report::kSaveFormFailed}}));
    EXPECT_EQ(message.find("--" + test::BoundaryOf(message) + "--"), std::string::npos);
  }
  {
    Fixture f;
    f.store.Append("gone", f.dir.File("missing"), "X");
    Result status = kOk;
    std::string message = f.Write(&status);
    EXPECT_TRUE(Failed(status));
    EXPECT_EQ(f.report.Points(), std::vector<const ReportPoint*>{&report::kAttachmentUnwritten});
    EXPECT_EQ(message.find("--" + test::BoundaryOf(message) + "--"), std::string::npos);
  }
}

TEST(LeafWriter, ABrokenPipeIsReportedAtTheFirstHeaderWrite) {
  ::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  Fixture f;
  LeafWriter writer(f.page, f.store, f.settings, f.report, &f.source);
  EXPECT_EQ(writer.Write(fds[1]), ResultFromErrno(EPIPE));
  EXPECT_EQ(f.report.reports, (std::vector<test::Reported>{{ResultFromErrno(EPIPE), report::kMessageTypeWriteFailed}}));
  ::close(fds[1]);
}

TEST(LeafWriter, WrittenMessagesReadBackByteForByte) {
  Fixture f;
  f.page.document = std::string("<html>\0\xFF</html>", 15);
  f.page.form = "name=\xE5\xA4\xAA\xE9\x83\x8E&x=1";
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * i) >> 3);
  f.Attach("big.bin", big);
  f.Attach("b", "ab");
  std::string message = f.Write();

  ReadBack back(message);
  EXPECT_EQ(back.status, kOk);
  EXPECT_EQ(back.page.document, f.page.document);
  EXPECT_EQ(back.page.form, f.page.form);
  ASSERT_EQ(back.sink.attachments.size(), 2u);
  EXPECT_EQ(back.sink.attachments[0], std::make_pair(std::string("big.bin"), big));
  EXPECT_EQ(back.sink.attachments[1], std::make_pair(std::string("b"), std::string("ab")));
  EXPECT_TRUE(back.report.reports.empty());
}

TEST(LeafWriter, APlainPageIsSentFromItsOwnBytesAndReadBackIntoOne) {
  // A document of several encoding steps, sent from the page's bytes, which
  // the page still holds afterwards; read back, it is handed over whole.
  PlainFormPage page;
  page.document.assign(400000, 'x');
  for (std::size_t i = 0; i < page.document.size(); i += 7) page.document[i] = static_cast<char>(i);
  page.form = "title=\xE6\x97\xA5";
  const std::string document = page.document;
  AttachmentStore store;
  GpgSettings settings;
  RecordingReport report;
  test::PlainFileSource source;
  LeafWriter writer(page, store, settings, report, &source);
  Result status = kFailure;
  const std::string message = test::WriteToString(writer, &status);
  ASSERT_EQ(kOk, status);
  EXPECT_EQ(Expected(test::BoundaryOf(message), document, page.form, {}), message);
  EXPECT_EQ(document, page.document);

  PlainFormPage back;
  back.document = "an earlier page";
  test::RecordingSink sink;
  LineReader input(message);
  EXPECT_EQ(kOk, LeafReader(input, back, sink, report).ReadLeafMessage());
  EXPECT_EQ(document, back.document);
  EXPECT_EQ(page.form, back.form);
  EXPECT_TRUE(back.documentLoaded);
  EXPECT_TRUE(report.reports.empty());
}

// The header blocks of the parts after the form text, in order.
std::vector<HeaderList> AttachmentHeaders(const std::string& message) {
  const std::string delimiter = "--" + test::BoundaryOf(message);
  LineReader input(message);
  std::vector<HeaderList> blocks;
  std::string line;
  std::size_t consumed = 0;
  int parts = 0;
  while (Succeeded(input.ReadLine(line, &consumed)) && consumed > 0) {
    if (line != delimiter) continue;
    HeaderList headers;
    RecordingReport report;
    if (Failed(ReadHeaderBlock(input, headers, report))) break;
    if (++parts > 2) blocks.push_back(std::move(headers));
  }
  return blocks;
}

TEST(LeafWriter, EveryAttachmentNameReadsBackExactly) {
  const std::vector<std::string> names = {
      "say \"hi\".txt",
      "line\r\nContent-Type: text/html",
      "lf\nonly",
      "tab\there",
      "back\\slash\\",
      "\xE6\x97\xA5\xE8\xA8\x98.txt",
      "\xE6\x97\xA5\"\xE8\xA8\x98\".txt",
      std::string("nul\0\x7F\x1F end", 10),
      "\"",
      "plain name; with=signs and 'apostrophes' %41",
  };
  Fixture f;
  for (std::size_t i = 0; i < names.size(); ++i) f.Attach(names[i], "content " + std::to_string(i));
  Result status = kFailure;
  std::string message = f.Write(&status);
  ASSERT_EQ(status, kOk);

  ReadBack back(message);
  EXPECT_EQ(back.status, kOk);
  EXPECT_TRUE(back.report.reports.empty());
  ASSERT_EQ(back.sink.attachments.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(back.sink.attachments[i].first, names[i]) << i;
    EXPECT_EQ(back.sink.attachments[i].second, "content " + std::to_string(i)) << i;
  }

  // No name adds or breaks a header line: every part has its three headers,
  // and a reader that knows only "filename" gets the stand-in name.
  const std::vector<std::string> standIns = {
      "say _hi_.txt",
      "line__Content-Type: text/html",
      "lf_only",
      "tab_here",
      "back\\slash\\",
      "\xE6\x97\xA5\xE8\xA8\x98.txt",
      "\xE6\x97\xA5_\xE8\xA8\x98_.txt",
      "nul___ end",
      "_",
      "plain name; with=signs and 'apostrophes' %41",
  };
  std::vector<HeaderList> blocks = AttachmentHeaders(message);
  ASSERT_EQ(blocks.size(), names.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i].size(), 3u) << i;
    std::string value;
    ASSERT_EQ(FindHeader(blocks[i], "content-disposition", "filename", value), kOk) << i;
    EXPECT_EQ(value, "\"" + standIns[i] + "\"") << i;
    const bool extended = blocks[i][1].find("filename*=") != std::string::npos;
    EXPECT_EQ(extended, standIns[i] != names[i]) << i;
  }
  // The exact name in upper-case hex escapes, on a line of its own.
  EXPECT_NE(message.find(" filename=\"nul___ end\";\r\n filename*=UTF-8''nul%00%7F%1F%20end\r\n"),
            std::string::npos);
}

TEST(LeafWriter, AHugeNameThatNeedsEscapesKeepsOnlyItsStandIn) {
  Fixture f;
  const std::string huge = std::string(70000, 'n') + "\"";
  f.Attach(huge, "x");
  std::string message = f.Write();
  EXPECT_EQ(message.find("filename*"), std::string::npos);

  ReadBack back(message);
  EXPECT_EQ(back.status, kOk);
  ASSERT_EQ(back.sink.attachments.size(), 1u);
  EXPECT_EQ(back.sink.attachments[0].first, std::string(70000, 'n') + "_");
  EXPECT_TRUE(back.report.reports.empty());
}

}  // namespace
}  // namespace ambrine
