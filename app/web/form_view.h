// The web view that shows the form: an off-the-record profile that refuses
// network requests, documents served from memory, the window.external
// bridge, and the program's calls into the page's script.
#pragma once

#include <QByteArray>
#include <QWebEngineView>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "base/result.h"

class QEventLoop;

namespace ambrine {

class FormSchemeHandler;
class FormEnginePage;
class NetworkGuard;
class PageCallHandler;

// A wait for the page ran out of time: the page was stopped.
// (HRESULT_FROM_WIN32(ERROR_TIMEOUT))
constexpr Result kPageTimedOut = static_cast<Result>(0x800705B4);
// The page's process has ended: nothing can be asked of the page until a
// document is loaded again. (HRESULT_FROM_WIN32(ERROR_PROCESS_ABORTED))
constexpr Result kPageGone = static_cast<Result>(0x8007042B);

// The status of a wait that ended because the page was lost.
inline bool IsPageLoss(Result s) { return s == kPageTimedOut || s == kPageGone; }

// Why the page on screen stopped working.
enum class PageLoss {
  kNone,          // the page is alive
  kUnresponsive,  // a load or a script call did not end in time; it was stopped
  kCrashed,       // its process ended by itself
};

// The outcome of calling a function of the page's script.
struct PageCallResult {
  Result status = kOk;  // kUnknownName: no such function; kFailure: it threw
  bool isString = false;
  std::string text;     // the result when it is a string (UTF-8)
};

class FormView : public QWebEngineView {
  Q_OBJECT

 public:
  explicit FormView(QWidget* parent = nullptr);
  ~FormView() override;

  FormEnginePage* formPage() const { return page_; }
  void SetCallHandler(PageCallHandler* handler);

  // Shows `bytes` as the document and returns once it has loaded. With
  // `utf8` the bytes are declared UTF-8; otherwise the page's own charset
  // declaration (or UTF-8 by default) decides.
  Result LoadBytes(const std::string& bytes, bool utf8);
  // Shows the blank page and waits for it.
  Result LoadBlank();

  // Calls the page's global function `name` with string arguments and
  // waits for its result.
  PageCallResult CallPageFunction(const char* name, const std::vector<std::string>& args);
  // The document as doctype + markup, UTF-8 (QString::toUtf8() of the
  // script's text). It comes from the page in pieces of at most
  // documentChunkUnits() UTF-16 units, a surrogate pair never split, so this
  // process holds the bytes and one piece, never the whole text as well;
  // the text waits between the pieces in a script world of the program's
  // own, out of the page's reach. kInvalidData over kMaxDocumentBytes.
  Result SerializeDocument(std::string& bytes);
  static constexpr qsizetype kDefaultDocumentChunkUnits = qsizetype{8} << 20;
  void setDocumentChunkUnits(qsizetype units) {
    documentChunkUnits_ = std::max<qsizetype>(units, 2);
  }
  qsizetype documentChunkUnits() const { return documentChunkUnits_; }

  // Every load and script call the program waits for ends within this
  // time; then the page's process is stopped, the wait fails with
  // kPageTimedOut and the page counts as lost. Tests shorten it.
  static constexpr std::chrono::milliseconds kDefaultWaitLimit{30000};
  void setWaitLimit(std::chrono::milliseconds limit) { waitLimit_ = limit; }
  std::chrono::milliseconds waitLimit() const { return waitLimit_; }

  // kNone while the page works. Once lost, script calls fail at once with
  // kPageGone until a document loads again.
  PageLoss pageLoss() const { return loss_; }
  // Counts the loads begun so far, so a caller can tell whether a document
  // was loaded while it did something.
  quint64 loadCount() const { return loadGeneration_; }
  // Loads again the last document that loaded completely; kUnexpected when
  // there was none.
  Result ReloadLastDocument();

 signals:
  // The page was lost (see pageLoss()); sent once per loss, also when no
  // one waits for the page.
  void pageLost(ambrine::PageLoss why);

 private:
  Result Load(const QByteArray& document, bool utf8);
  Result WaitForLoad(const QUrl& url);
  // Runs `source` in the page's own script world (0, the engine's main
  // world) or in `world`.
  Result RunScript(const QString& source, QVariant& result, quint32 world = 0);
  // The next piece of a document that SerializeDocument has asked for,
  // appended as UTF-8 to `bytes`; `done` once there is none left.
  Result AppendDocumentPiece(std::string& bytes, bool& done);
  // Runs `loop` until it quits, the page's process ends, the view goes away
  // or the wait limit passes; true in the last case. The view may be gone
  // on return.
  bool WaitBounded(QEventLoop& loop);
  // Ends a page that did not answer within the limit: kPageTimedOut.
  Result StopStuckPage();
  // Sets the page lost (the first reason stays) and tells.
  void MarkLost(PageLoss why);
  // Ends the page's process when it is stuck in its script, and waits
  // (bounded) until the engine has seen it go.
  void StopRenderer();
  // Watches the page's process from the moment the view exists.
  void WatchRenderer();

  QWebEngineProfile* profile_;
  FormSchemeHandler* scheme_;
  NetworkGuard* guard_;
  FormEnginePage* page_;
  quint64 loadGeneration_ = 0;
  std::chrono::milliseconds waitLimit_ = kDefaultWaitLimit;
  qsizetype documentChunkUnits_ = kDefaultDocumentChunkUnits;
  PageLoss loss_ = PageLoss::kNone;
  QByteArray lastDocument_;  // the last document that loaded completely
  bool lastDocumentUtf8_ = false;
};

}  // namespace ambrine
