// Refuses every request that would leave the machine: a form works offline
// and a page inside a leaf cannot report that it was opened or send what the
// user types.
#pragma once

#include <QStringList>
#include <QWebEngineScript>
#include <QWebEngineUrlRequestInterceptor>

#include "app/web/form_scheme.h"

namespace ambrine {

// True for the schemes a page of the program may load from: `ownSchemes`
// (the program's scheme its documents are served by, and for the viewer the
// engine's built-in PDF viewer), inline data and the engine's internal pages.
bool IsLocalScheme(const QString& scheme, const QStringList& ownSchemes);

class NetworkGuard : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT

 public:
  // Guards a profile whose documents come from `ownSchemes`: the form's
  // scheme, or the attachment viewer's.
  explicit NetworkGuard(QObject* parent,
                        QStringList ownSchemes = {QString::fromLatin1(kFormScheme)})
      : QWebEngineUrlRequestInterceptor(parent), ownSchemes_(std::move(ownSchemes)) {}
  void interceptRequest(QWebEngineUrlRequestInfo& info) override;

  // A script for every frame's main world, run at document creation before
  // the page's own script: it removes the constructors that open sockets
  // without a URL load (WebRTC, WebSocket, WebTransport), which this
  // interceptor never sees.
  static QWebEngineScript SocketRemovalScript();

 private:
  QStringList ownSchemes_;
};

}  // namespace ambrine
