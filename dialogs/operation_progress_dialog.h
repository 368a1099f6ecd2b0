// The progress of a long operation (a save, an open, an attach, an
// extract): what is being done, the bytes done of the bytes known (a busy
// bar while none are known) and a キャンセル button. Cancel, Escape and the
// close box ask the operation to stop; the dialog then stays up, saying
// so, until its owner takes it down once the operation has ended.
#pragma once

#include <QProgressDialog>
#include <QString>

class QCloseEvent;
class QProgressBar;
class QPushButton;

namespace ambrine {

class OperationProgress;

class OperationProgressDialog : public QProgressDialog {
  Q_OBJECT

 public:
  // `text` says what is being done ("保存しています..."). The dialog is
  // window-modal to `parent` and hidden until its owner shows it: it never
  // shows itself.
  OperationProgressDialog(const QString& text, OperationProgress& progress, QWidget* parent);

  // Shows the progress as it stands now.
  void Refresh();

  // Steps of the bar: byte counts are scaled to this range.
  static constexpr int kSteps = 10000;

 protected:
  // The close box asks the operation to stop; the dialog stays.
  void closeEvent(QCloseEvent* event) override;
  // Escape does the same.
  void reject() override;

 private:
  void RequestStop();

  QString text_;
  OperationProgress& progress_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  bool stopping_ = false;
};

}  // namespace ambrine
