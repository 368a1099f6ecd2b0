// The URL scheme the attachment viewer's pages come from: each viewer has a
// handler of its own that answers from memory (the attachment's bytes and
// the page that shows them), so nothing the viewer shows is ever a file.
#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <memory>

namespace ambrine {

class WipedBytes;

inline constexpr char kViewerScheme[] = "ambrine-view";

// The scheme is registered with the form's (RegisterFormScheme).

class ViewerSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT

 public:
  // Serves `bytes` as `mimeType` at contentUrl() and, when `page` is not
  // empty, `page` (HTML) at pageUrl(). The bytes are shared, not copied:
  // every reply holds them until the engine has read it, and the last
  // holder to let go wipes them.
  ViewerSchemeHandler(std::shared_ptr<const WipedBytes> bytes, QByteArray mimeType,
                      QByteArray page, QObject* parent);

  // What the viewer loads: the page when there is one, else the content.
  QUrl startUrl() const { return page_.isEmpty() ? contentUrl_ : pageUrl_; }
  QUrl contentUrl() const { return contentUrl_; }
  QUrl pageUrl() const { return pageUrl_; }
  // The content's address relative to the page's.
  static QString ContentName() { return QStringLiteral("content"); }

  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  std::shared_ptr<const WipedBytes> bytes_;
  QByteArray mimeType_;
  QByteArray page_;
  QUrl contentUrl_;
  QUrl pageUrl_;
};

}  // namespace ambrine
