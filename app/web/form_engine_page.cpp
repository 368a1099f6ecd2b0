#include "app/web/form_engine_page.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <cmath>
#include <limits>

#include "app/web/bridge_script.h"
#include "app/web/form_scheme.h"
#include "app/web/network_guard.h"
#include "leaf/size_limits.h"

namespace ambrine {

namespace {

constexpr Result kAccessDenied = static_cast<Result>(0x80070005);

QString Reply(Result status, const std::optional<std::string>& result) {
  QJsonObject reply{{QStringLiteral("s"), static_cast<double>(status)}};
  if (result) reply.insert(QStringLiteral("r"), QString::fromStdString(*result));
  return QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}

PageHandover HandoverFromJson(const QJsonObject& json) {
  PageHandover handover;
  const QJsonObject form = json.value(QStringLiteral("form")).toObject();
  const QString kind = form.value(QStringLiteral("t")).toString();
  if (kind == QLatin1String("missing")) {
    handover.formResult = kUnknownName;
  } else if (kind == QLatin1String("error")) {
    handover.formResult = kFailure;
  } else if (kind == QLatin1String("big")) {
    handover.formResult = kInvalidData;
  } else {
    handover.formIsString = kind == QLatin1String("s");
    if (handover.formIsString) handover.formText = form.value(QStringLiteral("v")).toString().toStdString();
    if (handover.formText.size() > kMaxStringBytes) {
      handover = PageHandover{};
      handover.formResult = kInvalidData;
    }
  }
  handover.document = json.value(QStringLiteral("doc")).toString().toStdString();
  if (json.value(QStringLiteral("big")).toBool() || handover.document.size() > kMaxDocumentBytes) {
    handover.document.clear();
    handover.documentResult = kInvalidData;
  }
  return handover;
}

}  // namespace

ScriptValue ScriptValueFromJson(const QJsonValue& typed) {
  const QJsonObject arg = typed.toObject();
  const QString kind = arg.value(QStringLiteral("t")).toString();
  if (kind == QLatin1String("s"))
    return ScriptValue::String(arg.value(QStringLiteral("v")).toString().toStdString());
  if (kind == QLatin1String("n")) {
    // Script numbers are doubles: an integral value in the 32-bit range is a
    // 32-bit integer, any other number counts as "anything else".
    const double v = arg.value(QStringLiteral("v")).toDouble();
    if (std::trunc(v) == v && v >= std::numeric_limits<std::int32_t>::min() &&
        v <= std::numeric_limits<std::int32_t>::max())
      return ScriptValue::Int32(static_cast<std::int32_t>(v));
  }
  return ScriptValue::Other();
}

FormEnginePage::FormEnginePage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), token_(MakeBridgeToken()), marker_(BridgeMarker(token_)) {
  QWebEngineScript bridge;
  bridge.setName(QStringLiteral("ambrine-external"));
  bridge.setSourceCode(BridgeScriptSource(token_));
  bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
  bridge.setWorldId(QWebEngineScript::MainWorld);
  bridge.setRunsOnSubFrames(false);
  scripts().insert(bridge);
  scripts().insert(NetworkGuard::SocketRemovalScript());
  // Pieces of a call never carry over into another document.
  connect(this, &QWebEnginePage::loadStarted, this, [this]() {
    pendingCall_.clear();
    pendingAnswer_.clear();
  });
}

bool FormEnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                          bool isMainFrame) {
  // The main frame shows only the form documents the program serves (and the
  // blank page).
  if (isMainFrame)
    return (url.scheme() == QLatin1String(kFormScheme) ||
            url == QUrl(QStringLiteral("about:blank"))) &&
           QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
  // A frame whose document would share the form's origin (srcdoc, blob:,
  // the form's own documents) could reach window.external through parent
  // or top; frames load only documents of an origin of their own (data:).
  const QString scheme = url.scheme();
  if (scheme == QLatin1String(kFormScheme) || scheme == QLatin1String("blob") ||
      url == QUrl(QStringLiteral("about:srcdoc")))
    return false;
  return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

bool FormEnginePage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                   const QString& defaultValue, QString* result) {
  if (!msg.startsWith(marker_) || msg.size() == marker_.size()) {
    // Our prompt's marker without this view's token: a frame or a document
    // that was not given window.external. Refuse it without a dialog.
    if (msg.startsWith(QStringLiteral("@AMBRINE-EXTERNAL/"))) {
      *result = QStringLiteral("E") + Reply(kAccessDenied, std::nullopt);
      return true;
    }
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
  }
  if (securityOrigin.scheme() != QLatin1String(kFormScheme) || inPageCall_ || !handler_) {
    *result = QStringLiteral("E") + Reply(inPageCall_ ? kUnexpected : kAccessDenied, std::nullopt);
    return true;
  }
  const QChar kind = msg.at(marker_.size());
  const QString text = msg.mid(marker_.size() + 1);
  if (kind == QLatin1Char('P')) {  // a piece of a long call
    pendingCall_ += text;
    *result = QStringLiteral("E");
    return true;
  }
  if (kind == QLatin1Char('R')) {  // the next piece of a long answer
    *result = NextAnswerPiece();
    return true;
  }
  QString call = std::exchange(pendingCall_, QString()) + text;
  inPageCall_ = true;
  pendingAnswer_ = Dispatch(call);
  inPageCall_ = false;
  call.fill(QChar(0));  // the call may carry form data
  *result = NextAnswerPiece();
  return true;
}

QString FormEnginePage::NextAnswerPiece() {
  if (pendingAnswer_.size() <= kBridgePieceSize)
    return QStringLiteral("E") + std::exchange(pendingAnswer_, QString());
  QString piece = QStringLiteral("M") + pendingAnswer_.left(kBridgePieceSize);
  pendingAnswer_.remove(0, kBridgePieceSize);
  return piece;
}

QString FormEnginePage::Dispatch(const QString& json) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject())
    return Reply(kInvalidData, std::nullopt);
  const QJsonObject call = doc.object();
  std::vector<ScriptValue> args;
  for (const QJsonValue& arg : call.value(QStringLiteral("args")).toArray()) {
    args.push_back(ScriptValueFromJson(arg));
    // A string over the limit fails the call as invalid data.
    if (arg.toObject().value(QStringLiteral("t")).toString() == QLatin1String("big") ||
        args.back().text.size() > kMaxStringBytes)
      return Reply(kInvalidData, std::nullopt);
  }
  std::optional<PageHandover> handover;
  if (call.contains(QStringLiteral("handover")))
    handover = HandoverFromJson(call.value(QStringLiteral("handover")).toObject());
  std::optional<std::string> result;
  const Result status =
      handler_->HandlePageCall(call.value(QStringLiteral("name")).toString().toStdString(), args,
                               handover ? &*handover : nullptr, result);
  return Reply(status, result);
}

}  // namespace ambrine
