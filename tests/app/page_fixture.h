// A form view in a window, with helpers that load a page and read values the
// page's script left behind.
#pragma once

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QJsonDocument>
#include <QTest>
#include <QVariant>
#include <memory>
#include <string>

#include "app/web/form_view.h"

namespace ambrine::test {

class PageFixture : public testing::Test {
 protected:
  void SetUp() override {
    view_ = std::make_unique<FormView>();
    view_->resize(640, 480);
    view_->show();
  }
  void TearDown() override { view_.reset(); }

  // Loads `body` as a UTF-8 HTML document with the given script.
  void LoadPage(const std::string& script, const std::string& body = "") {
    const std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>" +
                             script + "</script></head><body>" + body + "</body></html>";
    ASSERT_EQ(kOk, view_->LoadBytes(html, true));
  }

  // Evaluates `expression` in the page through a named function call and
  // returns its string result.
  std::string Eval(const std::string& expression) {
    std::string bytes;
    const std::string define = "window.__eval = function () { return String(" + expression + "); };";
    Run(define);
    PageCallResult r = view_->CallPageFunction("__eval", {});
    EXPECT_EQ(kOk, r.status);
    return r.text;
  }

  // Calls the page's global function `function` from a real click, as a
  // user's action, and returns its result as a string.
  std::string CallWithUserAction(const std::string& function) {
    Run("(function () {"
        "  var b = document.createElement('button');"
        "  b.style.cssText = 'position:fixed;left:0;top:0;width:80px;height:40px;z-index:2147483647';"
        "  b.onclick = function () { b.remove(); window.__acted = String(" + function + "()); };"
        "  document.documentElement.appendChild(b);"
        "  window.__acted = undefined;"
        "})()");
    QTest::mouseClick(view_->focusProxy(), Qt::LeftButton, {}, QPoint(40, 20));
    std::string acted;
    for (int i = 0; i < 500; ++i) {
      acted = Eval("window.__acted === undefined ? '\\u0000' : __acted");
      if (acted != std::string(1, '\0')) break;
      QTest::qWait(10);
    }
    return acted;
  }

  // Runs a statement in the page and waits for it.
  void Run(const std::string& statement) {
    QEventLoop loop;
    view_->page()->runJavaScript(QString::fromStdString(statement),
                                 [&](const QVariant&) { loop.quit(); });
    loop.exec();
  }

  std::unique_ptr<FormView> view_;
};

}  // namespace ambrine::test
