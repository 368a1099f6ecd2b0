#include "dialogs/operation_progress_dialog.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cstdint>

#include "base/operation_progress.h"

namespace ambrine {

namespace {

QString Mebibytes(std::uint64_t bytes) {
  return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
}

}  // namespace

OperationProgressDialog::OperationProgressDialog(const QString& text, OperationProgress& progress,
                                                 QWidget* parent)
    : QProgressDialog(parent),
      text_(text),
      progress_(progress),
      bar_(new QProgressBar),
      cancel_(new QPushButton(QStringLiteral("キャンセル"))) {
  setWindowTitle(QStringLiteral("Ambrine"));
  setWindowModality(Qt::WindowModal);
  // The bar is driven here directly: QProgressDialog::setValue would show
  // the dialog by its own estimate and turn the event loop from inside.
  setBar(bar_);
  setCancelButton(cancel_);
  setAutoClose(false);
  setAutoReset(false);
  // reset() stops the timer that would show the dialog after its minimum
  // duration: the owner decides when it appears.
  reset();
  // A cancel keeps the dialog up until the operation has really ended (the
  // base class connects it by name, so it is disconnected by name).
  disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
  connect(this, &QProgressDialog::canceled, this, &OperationProgressDialog::RequestStop);
  setMinimumWidth(360);
  setLabelText(text_);
  bar_->setRange(0, 0);
}

void OperationProgressDialog::Refresh() {
  if (stopping_) return;
  const std::uint64_t total = progress_.total();
  if (total == 0) {
    // Nothing is known yet: a busy bar.
    bar_->setRange(0, 0);
    setLabelText(text_);
    return;
  }
  const std::uint64_t done = std::min(progress_.done(), total);
  bar_->setRange(0, kSteps);
  // In floating point: the product of 64-bit counts would overflow.
  bar_->setValue(static_cast<int>(static_cast<long double>(done) * kSteps /
                                  static_cast<long double>(total)));
  setLabelText(text_ + QLatin1Char('\n') + Mebibytes(done) + QStringLiteral(" / ") +
               Mebibytes(total) + QStringLiteral(" MiB"));
}

void OperationProgressDialog::closeEvent(QCloseEvent* event) {
  RequestStop();
  event->ignore();
}

void OperationProgressDialog::reject() { RequestStop(); }

void OperationProgressDialog::RequestStop() {
  progress_.Cancel();
  if (stopping_) return;
  stopping_ = true;
  cancel_->setEnabled(false);
  bar_->setRange(0, 0);
  setLabelText(text_ + QLatin1Char('\n') + QStringLiteral("キャンセルしています..."));
}

}  // namespace ambrine
