// The written message byte for byte, without gpg: the writer writes into a
// pipe that the test reads, attachments come from plain files.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <regex>

#include "leaf/base64.h"
#include "leaf/leaf_reader.h"
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

std::string Expected(const std::string& b, const std::string& document, const std::string& form,
                     const std::vector<std::pair<std::string, std::string>>& attachments) {
  std::string m = "Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n"
                  "Content-Transfer-Encoding: 7bit\r\n\r\n"
                  "--" + b + "\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\n" +
                  Body(document) + "\r\n"
                  "--" + b + "\r\nContent-Type: application/octet-stream\r\n"
                  "Content-Transfer-Encoding: BASE64\r\n\r\n" + Body(form);
  for (const auto& [name, content] : attachments) {
    m += "--" + b + "\r\nContent-Type: application/octet-stream\r\n"
         "Content-Disposition: attachment;\r\n filename=\"" + name + "\"\r\n"
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
  std::string Write(Status* status = nullptr) {
    LeafWriter writer(page, store, settings, report, &source);
    return test::WriteToString(writer, status);
  }
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
  Status status = kFailure;
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

TEST(LeafWriter, AttachmentsFollowInStoreOrderWithRawNamesAndFullLines) {
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
  EXPECT_EQ(message, Expected(b, f.page.document, f.page.form,
                              {{"\xE6\x97\xA5\xE8\xA8\x98.txt", exact},
                               {"two;\"x.bin", odd},
                               {"empty", ""}}));
  // 216 bytes end with a full line and no extra line end before the empty line.
  EXPECT_NE(message.find(Body(exact) + "\r\n--" + b), std::string::npos);
  EXPECT_EQ(Body(exact).size() % 74, 0u);
  EXPECT_TRUE(f.report.reports.empty());
}

TEST(LeafWriter, FailuresAreReportedOnceAndEndTheMessage) {
  {
    Fixture f;
    f.page.saveDocumentStatus = kFailure;
    Status status = kOk;
    std::string message = f.Write(&status);
    EXPECT_EQ(status, kFailure);
    EXPECT_EQ(f.report.Points(), std::vector<const ReportPoint*>{&report::kDocumentUnsaved});
    // Line 9 is written before the report; nothing follows it.
    EXPECT_EQ(message.substr(message.size() - 12), "BASE64\r\n\r\n\r\n");
  }
  {
    Fixture f;
    f.page.saveFormStatus = kUnknownName;
    Status status = kOk;
    std::string message = f.Write(&status);
    EXPECT_EQ(status, kUnknownName);
    EXPECT_EQ(f.report.reports, (std::vector<test::Reported>{{kUnknownName, report::kSaveFormFailed}}));
    EXPECT_EQ(message.find("--" + test::BoundaryOf(message) + "--"), std::string::npos);
  }
  {
    Fixture f;
    f.store.Append("gone", f.dir.File("missing"), "X");
    Status status = kOk;
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
  EXPECT_EQ(writer.Write(fds[1]), StatusFromErrno(EPIPE));
  EXPECT_EQ(f.report.reports, (std::vector<test::Reported>{{StatusFromErrno(EPIPE), report::kMessageTypeWriteFailed}}));
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

  MemoryPage page;
  test::RecordingSink sink;
  RecordingReport report;
  LineReader input(message);
  LeafReader reader(input, page, sink, report);
  EXPECT_EQ(reader.ReadLeafMessage(), kOk);
  EXPECT_EQ(page.document, f.page.document);
  EXPECT_EQ(page.form, f.page.form);
  ASSERT_EQ(sink.attachments.size(), 2u);
  EXPECT_EQ(sink.attachments[0], std::make_pair(std::string("big.bin"), big));
  EXPECT_EQ(sink.attachments[1], std::make_pair(std::string("b"), std::string("ab")));
  EXPECT_TRUE(report.reports.empty());
}

}  // namespace
}  // namespace ambrine
