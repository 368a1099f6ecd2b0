// The web page that shows the form: catches window.external calls (prompt()
// messages with the bridge marker) from the main frame of the form shown,
// keeps navigation inside the form's own documents and hands the calls to
// a handler.
#pragma once

#include <QWebEnginePage>
#include <optional>
#include <string>
#include <vector>

#include "app/web/page_handover.h"
#include "app/web/script_value.h"
#include "base/result.h"

namespace ambrine {

class PageCallHandler {
 public:
  virtual ~PageCallHandler() = default;
  // One window.external call by name. `handover` is set for saveLeaf; the
  // handler may take its strings.
  virtual Result HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                                PageHandover* handover,
                                std::optional<std::string>& result) = 0;
};

class FormEnginePage : public QWebEnginePage {
  Q_OBJECT

 public:
  FormEnginePage(QWebEngineProfile* profile, QObject* parent);

  void SetHandler(PageCallHandler* handler) { handler_ = handler; }
  // True while a window.external call is being served: the page's script is
  // blocked then, so the program must not wait for it.
  bool InPageCall() const { return inPageCall_; }

 protected:
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                        const QString& defaultValue, QString* result) override;
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

 private:
  QString Dispatch(const QString& json);
  // The next piece of the answer being handed back, with its 'M' or 'E'.
  QString NextAnswerPiece();

  QString token_;
  QString marker_;
  PageCallHandler* handler_ = nullptr;
  bool inPageCall_ = false;
  QString pendingCall_;    // pieces of a long call received so far
  QString pendingAnswer_;  // the rest of a long answer
};

// Decodes one argument as the bridge script typed it.
ScriptValue ScriptValueFromJson(const class QJsonValue& typed);

}  // namespace ambrine
