#include "app/web/form_view.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "app/web/form_scheme.h"
#include "app/web/form_engine_page.h"
#include "app/web/network_guard.h"

namespace ambrine {

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
}

FormView::~FormView() {
  // The page must go before the profile it uses.
  setPage(nullptr);
  delete page_;
}

void FormView::SetCallHandler(PageCallHandler* handler) { page_->SetHandler(handler); }

Status FormView::LoadBytes(const std::string& bytes, bool utf8) {
  const QUrl url = scheme_->Publish(
      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
      utf8 ? QByteArrayLiteral("text/html;charset=utf-8") : QByteArrayLiteral("text/html"));
  page_->load(url);
  return WaitForLoad(url);
}

Status FormView::LoadBlank() {
  const QUrl url(QStringLiteral("about:blank"));
  page_->load(url);
  return WaitForLoad(url);
}

Status FormView::WaitForLoad(const QUrl& url) {
  const quint64 generation = ++loadGeneration_;
  QEventLoop loop;
  bool ok = false;
  QPointer<FormView> self(this);
  // The wait also ends when a newer load replaces this one, when the page's
  // process ends, or when the view goes away: it never waits for ever.
  connect(page_, &QWebEnginePage::loadingChanged, &loop,
          [&](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
            if (info.url() == url || loadGeneration_ != generation) {
              ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
              loop.quit();
            }
          });
  connect(page_, &QWebEnginePage::renderProcessTerminated, &loop, &QEventLoop::quit);
  connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
  loop.exec();
  if (!self) return kUnexpected;
  return ok ? kOk : kFailure;
}

Status FormView::RunScript(const QString& source, QVariant& result) {
  // While the page waits in a window.external call its script cannot run.
  if (page_->InPageCall()) return kUnexpected;
  QEventLoop loop;
  bool answered = false;
  QPointer<QEventLoop> alive(&loop);
  page_->runJavaScript(source, [&, alive](const QVariant& value) {
    if (!alive) return;
    result = value;
    answered = true;
    alive->quit();
  });
  if (!answered) {
    connect(page_, &QWebEnginePage::renderProcessTerminated, &loop, &QEventLoop::quit);
    connect(page_, &QWebEnginePage::loadStarted, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return answered ? kOk : kFailure;
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
      "    return typeof r === 'string' ? { t: 's', v: r } : { t: 'o' };"
      "  } catch (e) { return { t: 'error' }; }"
      "})()")
                             .arg(QLatin1String(name), argsJson);
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
  } else if (kind != QLatin1String("o")) {
    outcome.status = kFailure;
  }
  return outcome;
}

Status FormView::SerializeDocument(std::string& bytes) {
  QVariant value;
  const Status status = RunScript(QStringLiteral(
      "(function () {"
      "  var type = document.doctype ? new XMLSerializer().serializeToString(document.doctype) : '';"
      "  return document.documentElement ? type + document.documentElement.outerHTML : null;"
      "})()"), value);
  if (Failed(status)) return status;
  if (value.typeId() != QMetaType::QString) return kFailure;
  bytes = value.toString().toStdString();
  return kOk;
}

}  // namespace ambrine
