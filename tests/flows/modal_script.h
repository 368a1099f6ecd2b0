// Answers the modal windows a flow opens, in the order the test expects
// them, and notes every one it answered. A window that does not come, or a
// different one, fails the test instead of leaving it waiting: after the
// step's time the active modal window is closed and the rest is dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

namespace ambrine::test {

struct ModalSeen {
  QString className;
  QString title;
  QString text;  // a message box's text, an input box's prompt, the
                 // folder a file dialog opened in
};

class ModalScript : public QObject {
  Q_OBJECT

 public:
  using Match = std::function<bool(QWidget*)>;
  using Act = std::function<void(QWidget*)>;

  ModalScript();
  ~ModalScript() override;

  // Adds a step: the next modal window for which `match` holds gets `act`.
  ModalScript& Then(Match match, Act act);

  // Steps for the windows the flows show.
  ModalScript& FileDialog(const QString& path);  // chooses `path`, accepts
  ModalScript& CancelFileDialog();
  ModalScript& MessageBox(int button);  // a QMessageBox::StandardButton
  // A message box answered with the button that reads `text` (保存 /
  // 保存しない / キャンセル of the unsaved-changes question).
  ModalScript& MessageBoxButton(const QString& text);
  ModalScript& InputBox(const QString& text);
  ModalScript& CancelInputBox();
  // The save options dialog: public keys (rows whose user id is listed
  // selected), or a passphrase; `outputPath` empty keeps the proposed one.
  ModalScript& SaveOptions(const QStringList& userIds, const QString& outputPath = QString());
  ModalScript& SaveOptionsSymmetric(const QString& passphrase,
                                    const QString& outputPath = QString());
  ModalScript& CancelSaveOptions();
  // The progress dialog of a long save, open, attach or extract: clicks
  // its キャンセル. A progress dialog no step asks for is left alone, and
  // the time it is up does not count as waiting for the next window.
  ModalScript& CancelProgress();

  bool done() const { return steps_.empty(); }
  const std::vector<ModalSeen>& seen() const { return seen_; }
  // What was seen, one window a line, for failure messages.
  QString Log() const;

 private:
  struct Step {
    Match match;
    Act act;
  };
  void Poll();

  QTimer timer_;
  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> handled_;
  std::vector<ModalSeen> seen_;
  int waitedMs_ = 0;
};

// Closes, as a failure, any modal window left open for more than a minute
// and a half, so a window no script expected cannot block the run. A
// progress dialog is left to its operation.
void StartModalWatchdog();

// Keeps the event loop turning until `condition` holds or `limitMs` passed;
// true when it holds.
bool SpinUntil(const std::function<bool()>& condition, int limitMs = 20000);

}  // namespace ambrine::test
