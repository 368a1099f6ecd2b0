// Refuses every request that would leave the machine: a form works offline
// and a page inside a leaf cannot report that it was opened or send what the
// user types.
#pragma once

#include <QWebEngineScript>
#include <QWebEngineUrlRequestInterceptor>

namespace ambrine {

// True for the schemes a form page may load from: its own document, inline
// data and the engine's internal pages.
bool IsLocalScheme(const QString& scheme);

class NetworkGuard : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT

 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override;

  // A script for every frame's main world, run at document creation before
  // the page's own script: it removes the constructors that open sockets
  // without a URL load (WebRTC, WebSocket, WebTransport), which this
  // interceptor never sees.
  static QWebEngineScript SocketRemovalScript();
};

}  // namespace ambrine
