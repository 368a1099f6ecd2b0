#include "app/web/form_scheme.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "app/web/viewer_scheme.h"

namespace ambrine {

void RegisterFormScheme() {
  // The form's scheme and the attachment viewer's: secure like https (so
  // pages get the secure-context features) and local, so no remote page
  // can reach them.
  for (const char* name : {kFormScheme, kViewerScheme}) {
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
  }
}

QUrl FormSchemeHandler::Publish(QByteArray bytes, QByteArray contentType) {
  bytes_ = std::move(bytes);
  contentType_ = std::move(contentType);
  // A fresh path for each document, so the engine never answers from a
  // page it kept in its memory cache.
  url_ = QUrl(QStringLiteral("%1://form/%2.html").arg(QLatin1String(kFormScheme)).arg(++counter_));
  return url_;
}

void FormSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  if (job->requestUrl() != url_) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  auto* buffer = new QBuffer(job);
  buffer->setData(bytes_);
  buffer->open(QIODevice::ReadOnly);
  job->reply(contentType_, buffer);
}

}  // namespace ambrine
