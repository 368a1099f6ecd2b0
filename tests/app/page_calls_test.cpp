// The program's calls into the page, documents loaded from memory, the
// form page as the leaf writer and reader see it, and the page's part a
// save takes from it.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/flows/save_page_part.h"
#include "app/web/live_form_page.h"
#include "app/web/page_handover.h"
#include "base/utf8.h"
#include "page_fixture.h"

namespace ambrine::test {
namespace {

using PageCallTest = PageFixture;

TEST_F(PageCallTest, NamedFunctionsAreCalledAndMissingOnesReportUnknownName) {
  LoadPage(R"JS(
    function exportForm() { return "書き出し"; }
    function numberResult() { return 5; }
    function thrower() { throw new Error("boom"); }
    let lexical = function () { return "let works"; };
    function restoreForm(text) { window.restored = text; }
  )JS");
  PageCallResult r = view_->CallPageFunction("exportForm", {});
  EXPECT_EQ(kOk, r.status);
  EXPECT_TRUE(r.isString);
  EXPECT_EQ("書き出し", r.text);

  r = view_->CallPageFunction("numberResult", {});
  EXPECT_EQ(kOk, r.status);
  EXPECT_FALSE(r.isString);

  EXPECT_EQ(kFailure, view_->CallPageFunction("thrower", {}).status);
  EXPECT_EQ(kUnknownName, view_->CallPageFunction("saveForm", {}).status);
  EXPECT_EQ("let works", view_->CallPageFunction("lexical", {}).text);

  const std::string text = "a\"b\\c\n</script>改行\u2028終";
  EXPECT_EQ(kOk, view_->CallPageFunction("restoreForm", {text}).status);
  EXPECT_EQ(text, Eval("window.restored"));
}

TEST_F(PageCallTest, WebFormPageSavesLoadsAndRestores) {
  LiveFormPage page(*view_);
  std::string text;
  bool isString = true;
  LoadPage("");
  EXPECT_EQ(kUnknownName, page.CallSaveForm(text, isString));
  EXPECT_EQ(kUnknownName, page.CallRestoreForm("x"));

  // A saved document comes back in UTF-8 even when its markup names
  // another charset.
  const std::string doc =
      "<!DOCTYPE html><html><head><meta charset=\"shift_jis\"><script>"
      "function saveForm() { return document.getElementById('v').textContent; }"
      "function restoreForm(t) { document.getElementById('v').textContent = t; }"
      "</script></head><body><p id=\"v\">初期値</p></body></html>";
  ASSERT_EQ(kOk, page.LoadDocument(doc));
  ASSERT_EQ(kOk, page.CallRestoreForm("復元した値"));
  ASSERT_EQ(kOk, page.CallSaveForm(text, isString));
  EXPECT_TRUE(isString);
  EXPECT_EQ("復元した値", text);

  std::string saved;
  ASSERT_EQ(kOk, page.SaveDocument(saved));
  EXPECT_EQ(0u, saved.rfind("<!DOCTYPE html><html><head>", 0)) << saved.substr(0, 80);
  EXPECT_NE(std::string::npos, saved.find("<p id=\"v\">復元した値</p>"));
}

TEST_F(PageCallTest, ASaveTakesTheHandoverOverWithoutCopying) {
  PageHandover handover;
  handover.formIsString = true;
  handover.formText = std::string(1000, 'f');
  handover.document = "<!DOCTYPE html><html>" + std::string(100000, 'd') + "</html>";
  const std::string document = handover.document;
  const char* documentBytes = handover.document.data();
  SavePagePart part;
  part.TakeHandover(handover);
  EXPECT_EQ(kOk, part.documentResult);
  EXPECT_EQ(kOk, part.formResult);
  EXPECT_TRUE(part.formIsString);
  // The very bytes the call brought are what the writer gets.
  EXPECT_EQ(documentBytes, part.page.document.data());
  EXPECT_EQ(document, part.page.document);
  EXPECT_EQ(std::string(1000, 'f'), part.page.form);
  EXPECT_TRUE(handover.document.empty());
  EXPECT_TRUE(handover.formText.empty());

  // What the page could not give is kept as its status; an empty document
  // cannot be a page.
  PageHandover failed;
  failed.formResult = kUnknownName;
  SavePagePart emptyPart;
  emptyPart.TakeHandover(failed);
  EXPECT_EQ(kFailure, emptyPart.documentResult);
  EXPECT_EQ(kUnknownName, emptyPart.formResult);
  PageHandover tooLarge;
  tooLarge.documentResult = kInvalidData;
  tooLarge.formText = "not a string result";
  SavePagePart largePart;
  largePart.TakeHandover(tooLarge);
  EXPECT_EQ(kInvalidData, largePart.documentResult);
  EXPECT_FALSE(largePart.formIsString);
  EXPECT_TRUE(largePart.page.form.empty());
}

TEST_F(PageCallTest, ASaveAsksTheLivePageForItsDocumentAndItsFormText) {
  LiveFormPage live(*view_);
  LoadPage("function saveForm() { return document.getElementById('v').textContent; }",
           "<p id=\"v\">値</p>");
  SavePagePart part;
  part.TakeFromPage(live);
  EXPECT_EQ(kOk, part.documentResult);
  EXPECT_EQ(kOk, part.formResult);
  EXPECT_TRUE(part.formIsString);
  EXPECT_EQ("値", part.page.form);
  EXPECT_NE(std::string::npos, part.page.document.find("<p id=\"v\">値</p>"));

  // A saveForm() that gives no string leaves no form text; one that is
  // missing says so.
  LoadPage("function saveForm() { return 5; }");
  SavePagePart number;
  number.TakeFromPage(live);
  EXPECT_EQ(kOk, number.formResult);
  EXPECT_FALSE(number.formIsString);
  EXPECT_TRUE(number.page.form.empty());
  LoadPage("");
  SavePagePart missing;
  missing.TakeFromPage(live);
  EXPECT_EQ(kOk, missing.documentResult);
  EXPECT_EQ(kUnknownName, missing.formResult);
}

TEST_F(PageCallTest, DocumentsLargerThanTwoMegabytesLoadWhole) {
  std::string filler;
  filler.reserve(3 * 1024 * 1024);
  while (filler.size() < 3 * 1024 * 1024) filler += "<p>行 0123456789 abcdefghij</p>\n";
  LoadPage("function count() { return String(document.getElementsByTagName('p').length); }",
           filler + "<div id=\"end\">末尾</div>");
  EXPECT_EQ("末尾", Eval("document.getElementById('end').textContent"));
  std::string saved;
  ASSERT_EQ(kOk, view_->SerializeDocument(saved));
  EXPECT_GT(saved.size(), 3u * 1024 * 1024);
  EXPECT_NE(std::string::npos, saved.find("<div id=\"end\">末尾</div>"));
}

TEST_F(PageCallTest, ADocumentSavedInPiecesIsTheWholeTextsUtf8) {
  // A run of U+1F600 over many pieces of an odd size, so that piece ends
  // fall inside pairs, and an attribute with a lone surrogate: the bytes are
  // those of the whole text as one script result, as saves made them
  // before. The text waits out of the page's reach and is gone afterwards.
  LoadPage("", "<p id=\"run\"></p><p>\xE6\x97\xA5\xC3\xA9</p>");
  Run("document.body.setAttribute('data-lone', 'a\\uD800b');"
      "document.getElementById('run').textContent = '\\uD83D\\uDE00'.repeat(5000);");
  const std::string whole = Eval(
      "new XMLSerializer().serializeToString(document.doctype) + "
      "document.documentElement.outerHTML");
  std::string run;
  for (int i = 0; i < 5000; ++i) run += "\xF0\x9F\x98\x80";
  ASSERT_NE(std::string::npos, whole.find(">" + run + "<"));
  for (qsizetype units : {qsizetype{101}, qsizetype{1001}, FormView::kDefaultDocumentChunkUnits}) {
    view_->setDocumentChunkUnits(units);
    std::string saved = "an earlier document";
    ASSERT_EQ(kOk, view_->SerializeDocument(saved)) << units;
    EXPECT_EQ(whole, saved) << units;
  }
  EXPECT_TRUE(IsValidUtf8(whole));
  EXPECT_EQ("undefined", Eval("typeof window.ambrineSaved"));
}

TEST_F(PageCallTest, NetworkRequestsAreRefused) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  const std::string url = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/leak";
  LoadPage("window.outcome = ''; fetch('" + url +
           "').then(function () { outcome = 'fetched'; }, function () { outcome = 'refused'; });"
           "function outcomeOf() { return outcome; }");
  // Wait for the fetch to settle: the page reports when it has.
  while (view_->CallPageFunction("outcomeOf", {}).text.empty() && !server.hasPendingConnections()) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  EXPECT_EQ("refused", view_->CallPageFunction("outcomeOf", {}).text);
  EXPECT_FALSE(server.hasPendingConnections());
}

// Whether `pid` still runs (a process that ended but was not yet reaped
// does not count).
bool Running(qint64 pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const std::size_t end = line.rfind(')');
  return end != std::string::npos && end + 2 < line.size() && line[end + 2] != 'Z';
}

TEST_F(PageCallTest, AStuckPageIsStoppedWithinTheLimitAndALostOneAnswersAtOnce) {
  view_->setWaitLimit(std::chrono::seconds(2));
  int told = 0;
  PageLoss toldWhy = PageLoss::kNone;
  QObject::connect(view_.get(), &FormView::pageLost, [&](PageLoss why) {
    ++told;
    toldWhy = why;
  });
  LoadPage("function saveForm() { for (;;) {} } function alive() { return 'alive'; }");
  const qint64 stuck = view_->page()->renderProcessPid();

  // A call that never returns ends after the limit; the looping process is
  // ended, and every later call fails at once instead of waiting again.
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(kPageTimedOut, view_->CallPageFunction("saveForm", {}).status);
  EXPECT_GE(clock.elapsed(), 1900);  // the limit, give or take the clock's grain
  EXPECT_LT(clock.elapsed(), 12000);
  EXPECT_EQ(PageLoss::kUnresponsive, view_->pageLoss());
  EXPECT_EQ(1, told);
  EXPECT_EQ(PageLoss::kUnresponsive, toldWhy);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Running(stuck); }, 5000));
  clock.restart();
  std::string document;
  EXPECT_EQ(kPageGone, view_->SerializeDocument(document));
  EXPECT_LT(clock.elapsed(), 1000);

  // The same document comes back in a fresh process.
  ASSERT_EQ(kOk, view_->ReloadLastDocument());
  EXPECT_EQ(PageLoss::kNone, view_->pageLoss());
  EXPECT_EQ("alive", view_->CallPageFunction("alive", {}).text);

  // A document whose script loops while it loads ends the same way and is
  // not the one loaded again.
  clock.restart();
  EXPECT_EQ(kPageTimedOut, view_->LoadBytes("<script>for (;;) {}</script>", true));
  EXPECT_LT(clock.elapsed(), 12000);
  EXPECT_EQ(2, told);
  ASSERT_EQ(kOk, view_->ReloadLastDocument());
  EXPECT_EQ("alive", view_->CallPageFunction("alive", {}).text);

  // A process that dies by itself is told as a crash, also when nothing
  // waits for the page.
  ASSERT_EQ(0, ::kill(static_cast<pid_t>(view_->page()->renderProcessPid()), SIGKILL));
  ASSERT_TRUE(QTest::qWaitFor([&] { return told == 3; }, 10000));
  EXPECT_EQ(PageLoss::kCrashed, toldWhy);
  EXPECT_EQ(kPageGone, view_->CallPageFunction("alive", {}).status);
}

}  // namespace
}  // namespace ambrine::test
