// The custom URL scheme that serves the form document from memory, so a
// decrypted page never touches the disk and any size loads (setHtml stops
// at 2 MB).
#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace ambrine {

inline constexpr char kFormScheme[] = "ambrine";

// Registers the scheme (and the attachment viewer's, see viewer_scheme.h)
// with the web engine; must run before QApplication.
void RegisterFormScheme();

class FormSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT

 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  // Makes `bytes` the document served at the returned URL; an earlier
  // document is dropped. `contentType` is sent as the Content-Type header.
  QUrl Publish(QByteArray bytes, QByteArray contentType);

  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  QByteArray bytes_;
  QByteArray contentType_;
  QUrl url_;
  quint64 counter_ = 0;
};

}  // namespace ambrine
