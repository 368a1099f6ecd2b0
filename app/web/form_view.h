// The web view that shows the form: an off-the-record profile that refuses
// network requests, documents served from memory, the window.external
// bridge, and the program's calls into the page's script.
#pragma once

#include <QWebEngineView>
#include <string>
#include <vector>

#include "base/status.h"

namespace ambrine {

class FormSchemeHandler;
class FormEnginePage;
class NetworkGuard;
class PageCallHandler;

// The outcome of calling a function of the page's script.
struct PageCallResult {
  Status status = kOk;  // kUnknownName: no such function; kFailure: it threw
  bool isString = false;
  std::string text;     // the result when it is a string (UTF-8)
};

class FormView : public QWebEngineView {
  Q_OBJECT

 public:
  explicit FormView(QWidget* parent = nullptr);
  ~FormView() override;

  FormEnginePage* formPage() const { return page_; }
  void SetCallHandler(PageCallHandler* handler);

  // Shows `bytes` as the document and returns once it has loaded. With
  // `utf8` the bytes are declared UTF-8; otherwise the page's own charset
  // declaration (or UTF-8 by default) decides.
  Status LoadBytes(const std::string& bytes, bool utf8);
  // Shows the blank page and waits for it.
  Status LoadBlank();

  // Calls the page's global function `name` with string arguments and
  // waits for its result.
  PageCallResult CallPageFunction(const char* name, const std::vector<std::string>& args);
  // The document as doctype + markup, UTF-8.
  Status SerializeDocument(std::string& bytes);

 private:
  Status WaitForLoad(const QUrl& url);
  Status RunScript(const QString& source, QVariant& result);

  QWebEngineProfile* profile_;
  FormSchemeHandler* scheme_;
  NetworkGuard* guard_;
  FormEnginePage* page_;
  quint64 loadGeneration_ = 0;
};

}  // namespace ambrine
