// Drives modal dialogs the way Qt tests do: a timer finds the active modal
// widget and acts on it, while the code under test sits in exec().
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ambrine::test {

// Calls `action` with the next modal widget that appears (polled every 20 ms,
// for at most `timeoutMs`). A widget that was already modal when the call was
// made does not count, so nested dialogs can be chained.
inline void WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 30000) {
  QWidget* before = QApplication::activeModalWidget();
  auto* timer = new QTimer;
  auto elapsed = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [=]() {
    *elapsed += 20;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != before && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    } else if (*elapsed > timeoutMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

}  // namespace ambrine::test
