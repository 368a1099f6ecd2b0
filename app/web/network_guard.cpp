#include "app/web/network_guard.h"

namespace ambrine {

bool IsLocalScheme(const QString& scheme, const QStringList& ownSchemes) {
  return ownSchemes.contains(scheme) || scheme == QLatin1String("data") ||
         scheme == QLatin1String("blob") || scheme == QLatin1String("about");
}

namespace {

constexpr char kSocketRemoval[] = R"JS(
(function () {
  'use strict';
  var names = ['RTCPeerConnection', 'webkitRTCPeerConnection', 'RTCIceTransport',
               'WebSocket', 'WebSocketStream', 'WebTransport', 'PresentationRequest'];
  for (var i = 0; i < names.length; ++i) {
    try {
      Object.defineProperty(window, names[i], {
        value: undefined, writable: false, enumerable: false, configurable: false
      });
    } catch (e) {}
  }
})();
)JS";

}  // namespace

QWebEngineScript NetworkGuard::SocketRemovalScript() {
  QWebEngineScript script;
  script.setName(QStringLiteral("ambrine-no-sockets"));
  script.setSourceCode(QString::fromUtf8(kSocketRemoval));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(true);
  return script;
}

void NetworkGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  if (!IsLocalScheme(info.requestUrl().scheme(), ownSchemes_)) info.block(true);
}

}  // namespace ambrine
