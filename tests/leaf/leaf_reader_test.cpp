// The reader's acceptance rules and failure table on plaintext messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <thread>

#include "leaf/leaf_reader.h"
#include "leaf_test_support.h"
#include "support/generated_leaf.h"

namespace ambrine {
namespace {

using test::MemoryPage;
using test::RecordingReport;
using test::RecordingSink;

const std::string kTop =
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n";
// <p>hi</p> and "a=1&b=2".
const std::string kDocument =
    "--b1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\n"
    "PHA+aGk8L3A+\r\n\r\n";
const std::string kForm =
    "--b1\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n"
    "YT0xJmI9Mg==\r\n";
std::string Attachment(const std::string& name, const std::string& body) {
  return "--b1\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment;\r\n"
         " filename=\"" + name + "\"\r\nContent-Transfer-Encoding: BASE64\r\n\r\n" + body + "\r\n";
}
// An attachment part whose Content-Disposition parameters are `parameters`.
std::string AttachmentWith(const std::string& parameters, const std::string& body) {
  return "--b1\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment;"
         + parameters + "\r\nContent-Transfer-Encoding: BASE64\r\n\r\n" + body + "\r\n";
}
const std::string kEnd = "--b1--\r\n";

struct ReaderRun {
  Result status = kOk;
  MemoryPage page;
  RecordingSink sink;
  RecordingReport report;
};

std::unique_ptr<ReaderRun> Read(const std::string& message, bool hasRestoreForm = true,
                             const std::function<void(LeafReader&)>& configure = {}) {
  auto r = std::make_unique<ReaderRun>();
  r->page.hasRestoreForm = hasRestoreForm;
  LineReader input(message);
  LeafReader reader(input, r->page, r->sink, r->report);
  if (configure) configure(reader);
  r->status = reader.ReadLeafMessage();
  return r;
}

TEST(LeafReader, ReadsDocumentFormAndAttachmentsInOrder) {
  auto r = Read(kTop + "preamble\r\n" + kDocument + kForm + Attachment("a.txt", "QUJD") +
                Attachment("b", "") + kEnd);
  EXPECT_EQ(r->status, kOk);
  EXPECT_EQ(r->page.document, "<p>hi</p>");
  EXPECT_EQ(r->page.form, "a=1&b=2");
  ASSERT_EQ(r->sink.attachments.size(), 2u);
  EXPECT_EQ(r->sink.attachments[0].first, "a.txt");
  EXPECT_EQ(r->sink.attachments[0].second, "ABC");
  EXPECT_EQ(r->sink.attachments[1].second, "");
  EXPECT_TRUE(r->report.reports.empty());
}

TEST(LeafReader, FoldedHeadersOddLinesAndShortGroupsAreAccepted) {
  const std::string top = "content-TYPE :  multipart/mixed;\r\n\tboundary=\"b1\"\r\n\r\n";
  // Lines of 70 and 2 characters, and short groups inside an attachment body.
  const std::string longDoc(52, 'x');
  const std::string document =
      "--b1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\n"
      "eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eH\r\nh4\r\n\r\n";
  auto r = Read(top + document + kForm + Attachment("n", "QQ==QUI=\r\nQU\r\nJD") + kEnd);
  EXPECT_EQ(r->status, kOk);
  EXPECT_EQ(r->page.document, std::string(54, 'x'));
  ASSERT_EQ(r->sink.attachments.size(), 1u);
  EXPECT_EQ(r->sink.attachments[0].second, "AABABC");
}

TEST(LeafReader, FormTextLosesOnlyTheRestOfAGroupWithAZeroByte) {
  const std::string form =
      "--b1\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n"
      "QQBCQ0RF\r\n";
  auto r = Read(kTop + kDocument + form + kEnd);
  EXPECT_EQ(r->status, kOk);
  EXPECT_EQ(r->page.form, "ACDE");
}

TEST(LeafReader, NonBase64DocumentLoadsAnEmptyPageAndOtherTypesAreNoLeaf) {
  const std::string document7bit =
      "--b1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: base64\r\n\r\nPHA+\r\n\r\n";
  auto r = Read(kTop + document7bit + kForm + kEnd);
  EXPECT_EQ(r->status, kOk);
  EXPECT_EQ(r->page.loads, 1);
  EXPECT_EQ(r->page.document, "");

  auto plain = Read("Content-Type: text/plain\r\n\r\n" + kDocument + kForm + kEnd);
  EXPECT_EQ(plain->status, kOk);
  EXPECT_EQ(plain->page.loads, 0);
  EXPECT_EQ(plain->page.restores, 0);
  EXPECT_TRUE(plain->report.reports.empty());
  auto none = Read("X-Other: 1\r\n\r\n");
  EXPECT_EQ(none->status, kOk);
  EXPECT_EQ(none->page.loads, 0);
}

TEST(LeafReader, AttachmentNamesAndDispositions) {
  const std::string noDisposition =
      "--b1\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n"
      "QUJD\r\n\r\n";
  auto r = Read(kTop + kDocument + kForm + noDisposition + Attachment("a;b", "") + kEnd);
  EXPECT_EQ(r->status, kOk);
  ASSERT_EQ(r->sink.attachments.size(), 2u);
  EXPECT_EQ(r->sink.attachments[0].first, "");
  EXPECT_EQ(r->sink.attachments[1].first, "a;b");
}

TEST(LeafReader, ExtendedNamesAreTakenAndHostileOnesFallBackToTheQuotedName) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // parameters, name read
      {"\r\n filename=\"a_b\";\r\n filename*=UTF-8''a%22b", "a\"b"},
      {" filename*=utf-8'ja'%e6%97%a5%0D%0A; filename=\"__\"", "\xE6\x97\xA5\r\n"},
      {" filename*=UTF-8''only", "only"},
      {" filename=\"bad escape\"; filename*=UTF-8''a%2", "bad escape"},
      {" filename=\"bad hex\"; filename*=UTF-8''a%G1", "bad hex"},
      {" filename=\"latin\"; filename*=ISO-8859-1''caf%E9", "latin"},
      {" filename=\"empty\"; filename*=", "empty"},
      {" filename=\"no text\"; filename*=UTF-8''", "no text"},
      {" filename=\"one apostrophe\"; filename*=UTF-8'abc", "one apostrophe"},
      {" filename=\"quoted\"; filename*=\"UTF-8''abc\"", "quoted"},
      {" filename=\"raw bytes\"; filename*=UTF-8''\xE6\x97\xA5", "raw bytes"},
      {" filename=\"continued\"; filename*0*=UTF-8''x", "continued"},
      {" filename*=ISO-8859-1''x", ""},
  };
  std::string message = kTop + kDocument + kForm;
  for (const auto& [parameters, name] : cases) message += AttachmentWith(parameters, "QUJD");
  auto r = Read(message + Attachment("last", "QQ==") + kEnd);
  EXPECT_EQ(r->status, kOk);
  EXPECT_TRUE(r->report.reports.empty());
  ASSERT_EQ(r->sink.attachments.size(), cases.size() + 1);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(r->sink.attachments[i].first, cases[i].second) << cases[i].first;
    EXPECT_EQ(r->sink.attachments[i].second, "ABC") << cases[i].first;
  }
  EXPECT_EQ(r->sink.attachments.back(), std::make_pair(std::string("last"), std::string("A")));

  // A broken "filename" still fails the part, as it always has, unless a
  // well-formed "filename*" names the attachment first.
  auto broken = Read(kTop + kDocument + kForm +
                     AttachmentWith(" filename*=UTF-8''%ZZ; filename=\"open", "") + kEnd);
  EXPECT_EQ(broken->status, kInvalidData);
  EXPECT_EQ(broken->report.Points(), (std::vector<const ReportPoint*>{
                                         &report::kAttachmentDispositionBroken,
                                         &report::kAttachmentPartUnusable}));
  auto rescued = Read(kTop + kDocument + kForm +
                      AttachmentWith(" filename*=UTF-8''ok; filename=\"open", "") + kEnd);
  EXPECT_EQ(rescued->status, kOk);
  ASSERT_EQ(rescued->sink.attachments.size(), 1u);
  EXPECT_EQ(rescued->sink.attachments[0].first, "ok");
}

struct FailureCase {
  const char* what;
  std::string message;
  std::vector<const ReportPoint*> points;
  int loads;
  std::size_t attachments;
};

TEST(LeafReader, FailureTable) {
  const std::string textPlainPart =
      "--b1\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: BASE64\r\n\r\nQUJD\r\n";
  const std::string noEncoding =
      "--b1\r\nContent-Type: application/octet-stream\r\n\r\nQUJD\r\n";
  const std::string formNoEnd =
      "--b1\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n"
      "YT0x\r\n";
  const std::vector<FailureCase> cases = {
      {"unbalanced quote in the top type", "Content-Type: \"multipart/mixed\r\n\r\n", {&report::kMessageTypeQuote}, 0, 0},
      {"unbalanced quote in the boundary", "Content-Type: multipart/mixed; boundary=\"b1\r\n\r\n",
       {&report::kMessageNoBoundary}, 0, 0},
      {"top header block without end", "Content-Type: multipart/mixed", {&report::kHeaderBlockUnended}, 0, 0},
      {"top line without colon", "Content-Type multipart/mixed\r\n\r\n", {&report::kHeaderLineBroken}, 0, 0},
      {"capital B boundary gives none",
       "Content-Type: multipart/mixed; Boundary=\"b1\"\r\n\r\n" + kDocument, {&report::kMessageNoBoundary}, 0, 0},
      {"parameter without =", "Content-Type: multipart/mixed; boundary\r\n\r\n", {&report::kMessageNoBoundary}, 0, 0},
      {"empty quoted boundary", "Content-Type: multipart/mixed; boundary=\"\"\r\n\r\n--\r\n",
       {&report::kMessageNoBoundary}, 0, 0},
      {"preamble meets end of data", kTop + "text\r\n", {&report::kMessageUnstarted}, 0, 0},
      {"preamble meets closing delimiter", kTop + kEnd + kDocument, {&report::kMessageClosedEarly}, 0, 0},
      {"first part not text/html", kTop + textPlainPart + kForm + kEnd, {&report::kDocumentNotHtml, &report::kDocumentPartUnusable}, 0, 0},
      {"document header without end", kTop + "--b1\r\nContent-Type: text/html\r\n",
       {&report::kHeaderBlockUnended, &report::kDocumentHeaderBroken, &report::kDocumentPartUnusable}, 0, 0},
      {"unbalanced quote in document type",
       kTop + "--b1\r\nContent-Type: \"text/html\r\n\r\n", {&report::kDocumentTypeQuote, &report::kDocumentPartUnusable}, 0, 0},
      {"unbalanced quote in document encoding",
       kTop + "--b1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: \"x\r\n\r\n",
       {&report::kDocumentEncodingQuote, &report::kDocumentPartUnusable}, 0, 0},
      {"end of data in the document", kTop + "--b1\r\nContent-Type: text/html\r\n\r\nPHA+\r\n",
       {&report::kDocumentUnended, &report::kDocumentPartUnusable}, 0, 0},
      {"closing delimiter right after the document", kTop + kDocument.substr(0, kDocument.size() - 2) + kEnd,
       {&report::kHeaderBlockUnended, &report::kFormPartUnusable}, 1, 0},
      {"form type wrong", kTop + kDocument + textPlainPart + kEnd, {&report::kFormNotOctetStream, &report::kFormPartUnusable}, 1, 0},
      {"unbalanced quote in form type",
       kTop + kDocument + "--b1\r\nContent-Type: a\"\r\n\r\n" + kEnd, {&report::kFormTypeQuote, &report::kFormPartUnusable}, 1, 0},
      {"unbalanced quote in form encoding",
       kTop + kDocument + "--b1\r\nContent-Type: application/octet-stream\r\n"
                          "Content-Transfer-Encoding: \"\r\n\r\n" + kEnd,
       {&report::kFormEncodingQuote, &report::kFormPartUnusable}, 1, 0},
      {"end of data in the form", kTop + kDocument + formNoEnd, {&report::kFormUnended, &report::kFormPartUnusable}, 1, 0},
      {"text/plain attachment", kTop + kDocument + kForm + Attachment("a", "QQ==") + textPlainPart + kEnd,
       {&report::kAttachmentNotOctetStream, &report::kAttachmentPartUnusable}, 1, 1},
      {"attachment without encoding", kTop + kDocument + kForm + noEncoding + kEnd, {&report::kAttachmentNotBase64, &report::kAttachmentPartUnusable}, 1, 0},
      {"unbalanced quote in attachment type",
       kTop + kDocument + kForm + "--b1\r\nContent-Type: \"\r\n\r\n" + kEnd, {&report::kAttachmentTypeQuote, &report::kAttachmentPartUnusable}, 1, 0},
      {"unbalanced quote in attachment encoding",
       kTop + kDocument + kForm + "--b1\r\nContent-Type: application/octet-stream\r\n"
                                  "Content-Transfer-Encoding: \"BASE64\r\n\r\n" + kEnd,
       {&report::kAttachmentEncodingQuote, &report::kAttachmentPartUnusable}, 1, 0},
      {"malformed disposition", kTop + kDocument + kForm + Attachment("\"", "") + kEnd,
       {&report::kAttachmentDispositionBroken, &report::kAttachmentPartUnusable}, 1, 0},
      {"closing delimiter with trailing spaces",
       kTop + kDocument + kForm + Attachment("a", "QQ==") + "--b1--  \r\n", {&report::kHeaderBlockUnended, &report::kAttachmentHeaderBroken, &report::kAttachmentPartUnusable}, 1, 1},
      {"end of data inside an attachment body",
       kTop + kDocument + kForm + Attachment("a", "QQ=="), {&report::kHeaderBlockUnended, &report::kAttachmentHeaderBroken, &report::kAttachmentPartUnusable}, 1, 1},
  };
  for (const FailureCase& c : cases) {
    auto r = Read(c.message);
    EXPECT_EQ(r->status, kInvalidData) << c.what;
    EXPECT_EQ(r->report.Points(), c.points) << c.what;
    for (const auto& reported : r->report.reports) {
      EXPECT_EQ(reported.source, "mainview") << c.what;
      EXPECT_EQ(reported.code, kInvalidData) << c.what;
    }
    EXPECT_EQ(r->page.loads, c.loads) << c.what;
    EXPECT_EQ(r->sink.attachments.size(), c.attachments) << c.what;
  }
}

TEST(LeafReader, APageWithoutRestoreFormStopsBeforeTheAttachments) {
  auto r = Read(kTop + kDocument + kForm + Attachment("a", "QUJD") + kEnd, false);
  EXPECT_EQ(r->status, kUnknownName);
  EXPECT_EQ(r->page.loads, 1);
  EXPECT_TRUE(r->sink.attachments.empty());
  EXPECT_EQ(r->report.reports, (std::vector<test::Reported>{{kUnknownName, report::kNoRestoreForm},
                                                             {kUnknownName, report::kFormPartUnusable}}));
}

TEST(LeafReader, ADelimiterLineIsNeverDecodedAndLongLinesStreamInPieces) {
  // A body of one very long line, then a delimiter with trailing text that
  // ends the part but not the message.
  std::string body;
  for (int i = 0; i < 50000; ++i) body += "QUJD";
  auto r = Read(kTop + kDocument + kForm + Attachment("long", body) + "--b1 more\r\n" +
                Attachment("x", "QQ==").substr(6) + kEnd);
  EXPECT_EQ(r->status, kOk);
  ASSERT_EQ(r->sink.attachments.size(), 2u);
  EXPECT_EQ(r->sink.attachments[0].second.size(), 150000u);
  EXPECT_EQ(r->sink.attachments[1].second, "A");
}

// The sizes a page was given, without keeping hundreds of MiB.
struct SizePage : FormPage {
  Result SaveDocument(std::string&) override { return kFailure; }
  Result CallSaveForm(std::string&, bool&) override { return kFailure; }
  Result LoadDocument(const std::string& bytes) override {
    documentSize = bytes.size();
    ++loads;
    return kOk;
  }
  Result CallRestoreForm(const std::string& text) override {
    formSize = text.size();
    return kOk;
  }
  std::size_t documentSize = 0;
  std::size_t formSize = 0;
  int loads = 0;
};

struct Streamed {
  Result status = kOk;
  std::size_t written = 0;  // bytes the writer got into the pipe
};

// A generated message read from a pipe, written by a second thread that
// stops when the reader has closed its end.
Streamed ReadStreamed(std::size_t documentBytes, std::size_t formBytes, FormPage& page,
                      RecordingReport& report,
                      const std::function<void(LeafReader&)>& configure = {}) {
  ::signal(SIGPIPE, SIG_IGN);
  Streamed result;
  int fds[2];
  EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  Fd readEnd(fds[0]), writeEnd(fds[1]);
  std::thread writer([&] {
    test::WriteGeneratedMessage(writeEnd.get(), documentBytes, formBytes, &result.written);
    writeEnd.reset();
  });
  {
    LineReader input(readEnd.get());
    NullAttachmentSink sink;
    LeafReader reader(input, page, sink, report);
    if (configure) configure(reader);
    result.status = reader.ReadLeafMessage();
  }
  readEnd.reset();
  writer.join();
  return result;
}

TEST(LeafReader, APartOverItsLimitFailsAsInvalidDataAndIsNotReadFurther) {
  // "<p>hi</p>" is 9 bytes, "a=1&b=2" 7: exactly the limits pass.
  const std::string message = kTop + kDocument + kForm + Attachment("a", "QUJD") + kEnd;
  auto exact = Read(message, true, [](LeafReader& r) { r.SetPartLimits(9, 7); });
  EXPECT_EQ(exact->status, kOk);
  EXPECT_EQ(exact->page.form, "a=1&b=2");
  EXPECT_EQ(exact->sink.attachments.size(), 1u);

  struct Case {
    const char* what;
    std::size_t document, form;
    bool hold;
    std::vector<const ReportPoint*> points;
    int loads;
  };
  const std::vector<Case> cases = {
      {"document", 8, 7, false, {&report::kDocumentTooLarge, &report::kDocumentPartUnusable}, 0},
      {"form text", 9, 6, false, {&report::kFormTooLarge, &report::kFormPartUnusable}, 1},
      // A held document is not loaded when the form text fails.
      {"form text, document held", 9, 6, true, {&report::kFormTooLarge, &report::kFormPartUnusable}, 0},
  };
  for (const Case& c : cases) {
    auto r = Read(message, true, [&](LeafReader& reader) {
      reader.SetPartLimits(c.document, c.form);
      if (c.hold) reader.HoldDocumentUntilFormRead();
    });
    EXPECT_EQ(r->status, kInvalidData) << c.what;
    EXPECT_EQ(r->report.Points(), c.points) << c.what;
    EXPECT_EQ(r->page.loads, c.loads) << c.what;
    EXPECT_EQ(r->page.restores, 0) << c.what;
    EXPECT_TRUE(r->sink.attachments.empty()) << c.what;
  }

  // The reader stops at the limit instead of reading the part to its end:
  // of a 64 MiB page only about the first MiB is taken from the pipe.
  SizePage page;
  RecordingReport report;
  const Streamed streamed = ReadStreamed(64u << 20, 10, page, report, [](LeafReader& r) {
    r.SetPartLimits(1u << 20, 1u << 20);
  });
  EXPECT_EQ(streamed.status, kInvalidData);
  EXPECT_EQ(report.Points(), (std::vector<const ReportPoint*>{&report::kDocumentTooLarge,
                                                              &report::kDocumentPartUnusable}));
  EXPECT_LT(streamed.written, 8u << 20);
  EXPECT_EQ(page.loads, 0);
}

TEST(LeafReader, HoldingTheDocumentLoadsItJustBeforeRestoreForm) {
  for (const std::string& message : {kTop + kDocument + kForm + kEnd,
                                     kTop + kDocument + kForm + Attachment("a", "QUJD") + kEnd}) {
    auto r = Read(message, true, [](LeafReader& reader) { reader.HoldDocumentUntilFormRead(); });
    EXPECT_EQ(r->status, kOk);
    EXPECT_EQ(r->page.loads, 1);
    EXPECT_EQ(r->page.document, "<p>hi</p>");
    EXPECT_EQ(r->page.form, "a=1&b=2");
  }
  // Any failure of the form-data part leaves the page as it was.
  auto r = Read(kTop + kDocument + "--b1\r\nContent-Type: text/plain\r\n\r\n" + kEnd, true,
                [](LeafReader& reader) { reader.HoldDocumentUntilFormRead(); });
  EXPECT_EQ(r->status, kInvalidData);
  EXPECT_EQ(r->page.loads, 0);
  // A page without restoreForm still gets the document first.
  auto noRestore = Read(kTop + kDocument + kForm + kEnd, false,
                        [](LeafReader& reader) { reader.HoldDocumentUntilFormRead(); });
  EXPECT_EQ(noRestore->status, kUnknownName);
  EXPECT_EQ(noRestore->page.loads, 1);
}

// One byte more than these fails: the page in the leaf tests with gpg, the
// form text here.
TEST(LeafReader, ThePageMayHold256MiBAndTheFormText64MiB) {
  SizePage page;
  RecordingReport report;
  EXPECT_EQ(ReadStreamed(256u << 20, 64u << 20, page, report).status, kOk);
  EXPECT_EQ(page.documentSize, 256u << 20);
  EXPECT_EQ(page.formSize, 64u << 20);
  EXPECT_TRUE(report.reports.empty());

  SizePage over;
  const Streamed streamed = ReadStreamed(10, (64u << 20) + 1, over, report);
  EXPECT_EQ(streamed.status, kInvalidData);
  EXPECT_EQ(report.Points(), (std::vector<const ReportPoint*>{&report::kFormTooLarge,
                                                              &report::kFormPartUnusable}));
}

}  // namespace
}  // namespace ambrine
