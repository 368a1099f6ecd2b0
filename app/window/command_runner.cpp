#include "app/window/command_runner.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "app/web/form_engine_page.h"
#include "app/window/attachment_viewers.h"
#include "app/window/record.h"
#include "base/folders.h"

namespace ambrine {

CommandRunner::CommandRunner(FormView& view, Record& record, AttachmentViewers& viewers,
                             const std::string& programFolder,
                             std::reference_wrapper<ErrorReport>& report, QWidget& owner)
    : QObject(nullptr),
      view_(view),
      record_(record),
      viewers_(viewers),
      programFolder_(programFolder),
      report_(report),
      owner_(owner) {
  // The loss is noted here; a command running now deals with it when it
  // ends, otherwise it is dealt with as soon as the engine's signal is done.
  connect(&view_, &FormView::pageLost, this, [this](PageLoss why) {
    if (lossToTell_ == PageLoss::kNone) lossToTell_ = why;
    if (!running_) QTimer::singleShot(0, this, &CommandRunner::HandleLossLater);
  });
}

void CommandRunner::FlowReport::Report(Result code, const char* source, int line) {
  if (IsPageLoss(code)) return;
  next_.get().Report(code, source, line);
}

bool CommandRunner::Run(const std::function<void()>& command) {
  if (running_) return false;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(running_);
  if (beforeEach_) beforeEach_();
  const quint64 loadsBefore = view_.loadCount();
  command();
  if (lossToTell_ != PageLoss::kNone) {
    if (view_.formPage()->InPageCall()) {
      // The page's call is still on the stack: no document may replace
      // that page before the call has returned.
      QTimer::singleShot(0, this, &CommandRunner::HandleLossLater);
    } else {
      AfterPageLoss(view_.loadCount() != loadsBefore);
    }
  }
  return true;
}

void CommandRunner::HandleLossLater() {
  if (lossToTell_ != PageLoss::kNone) Run([] {});
}

void CommandRunner::AfterPageLoss(bool recordReplaced) {
  QString text = lossToTell_ == PageLoss::kUnresponsive
                     ? QStringLiteral("ページのスクリプトが応答しないため、ページを停止しました。")
                     : QStringLiteral("ページの表示が異常終了しました。");
  if (!lostWork_.isEmpty()) text += QLatin1Char('\n') + std::exchange(lostWork_, QString());
  if (view_.pageLoss() != PageLoss::kNone) text += QLatin1Char('\n') + ShowFormAgain(recordReplaced);
  // What went wrong while the form was shown again is told by this message.
  lossToTell_ = PageLoss::kNone;
  QWidget* active = QApplication::activeWindow();
  QMessageBox::critical(active ? active : owner_.window(), QStringLiteral("Error"), text);
  // A page lost while the message was up is dealt with after it.
  if (lossToTell_ != PageLoss::kNone) QTimer::singleShot(0, this, &CommandRunner::HandleLossLater);
}

QString CommandRunner::ShowFormAgain(bool recordReplaced) {
  const Record::Recovered recovered =
      record_.RecoverPage(recordReplaced, PresetFormPath(programFolder_), report_.get());
  switch (recovered) {
    case Record::Recovered::kReloaded:
      return QStringLiteral("フォームを読み込み直しました。保存していない入力は失われています。");
    case Record::Recovered::kNewForm:
      // A viewer shows an attachment of the record it was opened for.
      viewers_.CloseAll();
      return QStringLiteral("新しいフォームを表示しました。");
    case Record::Recovered::kNothing:
      break;
  }
  viewers_.CloseAll();
  return QStringLiteral("フォームを表示できません。");
}

}  // namespace ambrine
