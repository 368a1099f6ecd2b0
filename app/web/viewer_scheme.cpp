#include "app/web/viewer_scheme.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>

#include "leaf/wiped_bytes.h"

namespace ambrine {

ViewerSchemeHandler::ViewerSchemeHandler(std::shared_ptr<const WipedBytes> bytes,
                                         QByteArray mimeType, QByteArray page, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent),
      bytes_(std::move(bytes)),
      mimeType_(std::move(mimeType)),
      page_(std::move(page)) {
  // A path of its own for every viewer, so no engine cache can answer one
  // viewer with another's bytes.
  static quint64 counter = 0;
  const QString base = QStringLiteral("%1://view/%2/").arg(QLatin1String(kViewerScheme)).arg(++counter);
  contentUrl_ = QUrl(base + ContentName());
  pageUrl_ = QUrl(base + QStringLiteral("page.html"));
}

void ViewerSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const QUrl url = job->requestUrl();
  auto* buffer = new QBuffer(job);
  if (url == contentUrl_ && bytes_) {
    // The buffer reads the shared bytes in place; the connection keeps them
    // alive as long as the buffer exists.
    buffer->setData(QByteArray::fromRawData(bytes_->data(), static_cast<qsizetype>(bytes_->size())));
    QObject::connect(buffer, &QObject::destroyed, [keep = bytes_]() {});
    buffer->open(QIODevice::ReadOnly);
    job->reply(mimeType_, buffer);
  } else if (url == pageUrl_ && !page_.isEmpty()) {
    buffer->setData(page_);
    buffer->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
  } else {
    delete buffer;
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
  }
}

}  // namespace ambrine
