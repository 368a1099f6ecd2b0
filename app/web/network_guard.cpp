#include "app/web/network_guard.h"

#include "app/web/form_scheme.h"

namespace ambrine {

bool IsLocalScheme(const QString& scheme) {
  return scheme == QLatin1String(kFormScheme) || scheme == QLatin1String("data") ||
         scheme == QLatin1String("blob") || scheme == QLatin1String("about");
}

void NetworkGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  if (!IsLocalScheme(info.requestUrl().scheme())) info.block(true);
}

}  // namespace ambrine
