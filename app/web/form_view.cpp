#include "app/web/form_view.h"

#include <signal.h>
#include <unistd.h>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/web/form_scheme.h"
#include "app/web/form_engine_page.h"
#include "app/web/network_guard.h"
#include "base/secure_wipe.h"
#include "leaf/size_limits.h"

namespace ambrine {

namespace {

// A document being saved waits in this world between its pieces: the
// page's script shares the document with it but not its variables.
constexpr quint32 kSaveWorld = QWebEngineScript::ApplicationWorld;

std::string ProcFile(qint64 pid, const char* name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

qint64 ParentOf(qint64 pid) {
  std::istringstream status(ProcFile(pid, "status"));
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("PPid:", 0) == 0) return std::atoll(line.c_str() + 5);
  }
  return 0;
}

// Whether `pid` is a renderer started by this program's web engine, so a
// stale or reused number can never make the program end another process,
// nor itself, its gpg or the engine's zygotes. A renderer is a web engine
// helper (an argument "--type=...") forked by a zygote below this program,
// or started by the program itself with "--type=renderer".
bool IsOwnRenderer(qint64 pid) {
  const qint64 self = ::getpid();
  if (pid <= 1 || pid == self) return false;
  // The arguments end each with a zero byte: match whole arguments.
  const std::string args = std::string(1, '\0') + ProcFile(pid, "cmdline");
  if (args.find(std::string("\0--type=", 8)) == std::string::npos) return false;
  const bool renderer =
      args.find(std::string("\0--type=renderer\0", 17)) != std::string::npos;
  qint64 up = ParentOf(pid);
  if (up == self) return renderer;
  for (int depth = 0; depth < 4 && up > 1; ++depth) {
    up = ParentOf(up);
    if (up == self) return true;
  }
  return false;
}

}  // namespace

FormView::FormView(QWidget* parent)
    : QWebEngineView(parent),
      // A profile without a storage name is off the record: no disk cache,
      // cookies or page storage ever reach the disk.
      profile_(new QWebEngineProfile(this)),
      scheme_(new FormSchemeHandler(this)),
      guard_(new NetworkGuard(this)) {
  profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  profile_->setSpellCheckEnabled(false);
  profile_->setUrlRequestInterceptor(guard_);
  profile_->installUrlSchemeHandler(kFormScheme, scheme_);

  QWebEngineSettings* settings = profile_->settings();
  settings->setDefaultTextEncoding(QStringLiteral("UTF-8"));
  settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);

  page_ = new FormEnginePage(profile_, this);
  setPage(page_);
  WatchRenderer();
}

FormView::~FormView() {
  // The page's process ends with the page: that is no loss to tell.
  disconnect(page_, nullptr, this, nullptr);
  // The page must go before the profile it uses.
  setPage(nullptr);
  delete page_;
}

void FormView::SetCallHandler(PageCallHandler* handler) { page_->SetHandler(handler); }

Result FormView::LoadBytes(const std::string& bytes, bool utf8) {
  return Load(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), utf8);
}

Result FormView::ReloadLastDocument() {
  if (lastDocument_.isNull()) return kUnexpected;
  return Load(QByteArray(lastDocument_), lastDocumentUtf8_);
}

Result FormView::Load(const QByteArray& document, bool utf8) {
  const QUrl url = scheme_->Publish(
      document,
      utf8 ? QByteArrayLiteral("text/html;charset=utf-8") : QByteArrayLiteral("text/html"));
  page_->load(url);
  const Result status = WaitForLoad(url);
  if (Succeeded(status)) {
    // Shared with the scheme's copy, not copied.
    lastDocument_ = document;
    lastDocumentUtf8_ = utf8;
  }
  return status;
}

Result FormView::LoadBlank() {
  const QUrl url(QStringLiteral("about:blank"));
  page_->load(url);
  return WaitForLoad(url);
}

void FormView::WatchRenderer() {
  connect(page_, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
            MarkLost(PageLoss::kCrashed);
          });
}

void FormView::MarkLost(PageLoss why) {
  if (loss_ != PageLoss::kNone) return;
  loss_ = why;
  emit pageLost(why);
}

void FormView::StopRenderer() {
  // A page looping in its script keeps its process busy for ever, and the
  // engine offers no way to interrupt it: the process is ended, as a
  // browser does with a hung page. The engine then starts a fresh one for
  // the next document.
  const qint64 pid = page_->renderProcessPid();
  if (!IsOwnRenderer(pid)) return;
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(page_, &QWebEnginePage::renderProcessTerminated, &loop, &QEventLoop::quit);
  connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (::kill(static_cast<pid_t>(pid), SIGKILL) != 0) return;
  limit.start(waitLimit_);
  loop.exec();
}

Result FormView::WaitForLoad(const QUrl& url) {
  const quint64 generation = ++loadGeneration_;
  // A new document gets a new process when the old one was lost.
  loss_ = PageLoss::kNone;
  QEventLoop loop;
  bool ok = false;
  QPointer<FormView> self(this);
  // The wait also ends when a newer load replaces this one, when the page's
  // process ends, when the view goes away, or when the time runs out: it
  // never waits for ever.
  connect(page_, &QWebEnginePage::loadingChanged, &loop,
          [&](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
            if (info.url() == url || loadGeneration_ != generation) {
              ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
              loop.quit();
            }
          });
  const bool timedOut = WaitBounded(loop);
  if (!self) return kUnexpected;
  // A document whose script loops while it loads never finishes.
  if (timedOut) return StopStuckPage();
  if (loss_ != PageLoss::kNone) return kPageGone;
  return ok ? kOk : kFailure;
}

bool FormView::WaitBounded(QEventLoop& loop) {
  connect(page_, &QWebEnginePage::renderProcessTerminated, &loop, &QEventLoop::quit);
  connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
  bool timedOut = false;
  QTimer limit;
  limit.setSingleShot(true);
  limit.setTimerType(Qt::PreciseTimer);
  connect(&limit, &QTimer::timeout, &loop, [&]() {
    timedOut = true;
    loop.quit();
  });
  limit.start(waitLimit_);
  loop.exec();
  return timedOut;
}

Result FormView::StopStuckPage() {
  MarkLost(PageLoss::kUnresponsive);
  StopRenderer();
  return kPageTimedOut;
}

Result FormView::RunScript(const QString& source, QVariant& result, quint32 world) {
  // While the page waits in a window.external call its script cannot run.
  if (page_->InPageCall()) return kUnexpected;
  // A lost page answers nothing; asking would only wait out the limit.
  if (loss_ != PageLoss::kNone) return kPageGone;
  QEventLoop loop;
  bool answered = false;
  bool timedOut = false;
  QPointer<QEventLoop> alive(&loop);
  QPointer<FormView> self(this);
  page_->runJavaScript(source, world, [&, alive](const QVariant& value) {
    if (!alive) return;
    result = value;
    answered = true;
    alive->quit();
  });
  if (!answered) {
    connect(page_, &QWebEnginePage::loadStarted, &loop, &QEventLoop::quit);
    timedOut = WaitBounded(loop);
  }
  if (answered) return kOk;
  if (!self) return kUnexpected;
  // The script loops (or the page is stuck otherwise): stop the page so
  // that it can be loaded again.
  if (timedOut) return StopStuckPage();
  return loss_ != PageLoss::kNone ? kPageGone : kFailure;
}

PageCallResult FormView::CallPageFunction(const char* name, const std::vector<std::string>& args) {
  // The name is one of the program's own fixed identifiers; the arguments
  // travel as a JSON array of strings.
  QJsonArray list;
  for (const std::string& arg : args) list.append(QString::fromStdString(arg));
  const QString argsJson = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
  const QString source = QStringLiteral(
      "(function () {"
      "  if (typeof %1 !== 'function') return { t: 'missing' };"
      "  try {"
      "    var r = %1.apply(window, %2);"
      "    if (typeof r !== 'string') return { t: 'o' };"
      "    return r.length > %3 ? { t: 'big' } : { t: 's', v: r };"
      "  } catch (e) { return { t: 'error' }; }"
      "})()")
                             .arg(QLatin1String(name), argsJson)
                             .arg(kMaxStringBytes);
  PageCallResult outcome;
  QVariant value;
  outcome.status = RunScript(source, value);
  if (Failed(outcome.status)) return outcome;
  const QVariantMap map = value.toMap();
  const QString kind = map.value(QStringLiteral("t")).toString();
  if (kind == QLatin1String("missing")) {
    outcome.status = kUnknownName;
  } else if (kind == QLatin1String("s")) {
    outcome.isString = true;
    outcome.text = map.value(QStringLiteral("v")).toString().toStdString();
    if (outcome.text.size() > kMaxStringBytes) {
      SecureWipe(outcome.text);
      outcome = PageCallResult{kInvalidData};
    }
  } else if (kind == QLatin1String("big")) {
    // Longer in UTF-16 units than the limit in bytes: it never travels.
    outcome.status = kInvalidData;
  } else if (kind != QLatin1String("o")) {
    outcome.status = kFailure;
  }
  return outcome;
}

Result FormView::SerializeDocument(std::string& bytes) {
  SecureWipe(bytes);
  std::string().swap(bytes);
  // A whole document in one script result would be held here several
  // times over by the engine as it arrives (as UTF-8, as UTF-16 and as the
  // QString): the text stays in the page's process, and only its UTF-8
  // size, counted there, comes back first, so the bytes are reserved once.
  QVariant value;
  Result status = RunScript(QStringLiteral(
      "(function () {"
      "  var type = document.doctype ? new XMLSerializer().serializeToString(document.doctype) : '';"
      "  if (!document.documentElement) return null;"
      "  var doc = type + document.documentElement.outerHTML;"
      "  if (doc.length > %1) return false;"
      "  var bytes = 0;"
      "  for (var i = 0; i < doc.length; ++i) {"
      "    var c = doc.charCodeAt(i);"
      "    if (c < 0x80) bytes += 1;"
      "    else if (c < 0x800) bytes += 2;"
      "    else if ((c & 0xFC00) === 0xD800 && (doc.charCodeAt(i + 1) & 0xFC00) === 0xDC00) {"
      "      bytes += 4; ++i;"
      "    } else bytes += 3;"
      "  }"
      "  if (bytes > %1) return false;"
      "  window.ambrineSaved = { text: doc, at: 0 };"
      "  return bytes;"
      "})()").arg(kMaxDocumentBytes), value, kSaveWorld);
  if (Failed(status)) return status;
  if (value.typeId() == QMetaType::Bool) return kInvalidData;  // over the limit
  const int type = value.typeId();
  if (type != QMetaType::Int && type != QMetaType::LongLong && type != QMetaType::Double) {
    return kFailure;
  }
  // The count is a floor: a lone surrogate may come out longer.
  bytes.reserve(static_cast<std::size_t>(value.toDouble()));
  bool done = false;
  while (Succeeded(status) && !done) status = AppendDocumentPiece(bytes, done);
  if (Succeeded(status)) return kOk;
  SecureWipe(bytes);
  std::string().swap(bytes);
  // A piece that failed leaves the text waiting; a page that is gone took it along.
  if (loss_ == PageLoss::kNone) {
    QVariant ignored;
    RunScript(QStringLiteral("delete window.ambrineSaved;"), ignored, kSaveWorld);
  }
  return status;
}

Result FormView::AppendDocumentPiece(std::string& bytes, bool& done) {
  QVariant value;
  const Result status = RunScript(QStringLiteral(
      "(function () {"
      "  var s = window.ambrineSaved;"
      "  if (!s) return null;"
      "  if (s.at >= s.text.length) { delete window.ambrineSaved; return true; }"
      "  var end = Math.min(s.at + %1, s.text.length);"
      "  if (end < s.text.length && (s.text.charCodeAt(end - 1) & 0xFC00) === 0xD800) --end;"
      "  var piece = s.text.slice(s.at, end);"
      "  s.at = end;"
      "  return piece;"
      "})()").arg(documentChunkUnits_), value, kSaveWorld);
  if (Failed(status)) return status;
  if (value.typeId() == QMetaType::Bool) {
    done = true;
    return kOk;
  }
  if (value.typeId() != QMetaType::QString) return kFailure;
  // The variant lets go of the piece, so that it is wiped in place.
  QString piece = value.toString();
  value = QVariant();
  QByteArray utf8 = piece.toUtf8();
  if (piece.isDetached()) {
    SecureWipe(piece.data(), static_cast<std::size_t>(piece.size()) * sizeof(QChar));
  }
  const auto size = static_cast<std::size_t>(utf8.size());
  const bool fits = size <= kMaxDocumentBytes - bytes.size();
  if (fits) AppendWiping(bytes, utf8.constData(), size, kMaxDocumentBytes);
  SecureWipe(utf8.data(), size);
  return fits ? kOk : kInvalidData;
}

}  // namespace ambrine
