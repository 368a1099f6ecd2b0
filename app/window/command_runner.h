// The window's commands, one at a time, and what follows when the page is
// lost during one: the flows' dialogs and page waits spin local event
// loops, so without this a shortcut or a page call could start a save
// inside an open. When the page stops answering within the view's wait
// limit, or its process dies, the record's form is shown again once the
// command has ended and the user is told why.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "app/web/form_view.h"
#include "base/error_report.h"

class QWidget;

namespace ambrine {

class AttachmentViewers;
class Record;

class CommandRunner : public QObject {
  Q_OBJECT

 public:
  // `record` is shown in `view`, `viewers` show its attachments; the preset
  // form under `programFolder` gives a new record; `report` is where the
  // window's reports go (it may be replaced later); `owner`'s window owns
  // the message. All must outlive the runner.
  CommandRunner(FormView& view, Record& record, AttachmentViewers& viewers,
                const std::string& programFolder, std::reference_wrapper<ErrorReport>& report,
                QWidget& owner);

  // Runs `beforeEach`, then `command`, unless a command already runs. The
  // window still repaints meanwhile. False when the command was refused.
  bool Run(const std::function<void()>& command);
  bool running() const { return running_; }
  // Runs before every command (the view notes the attachments' listing).
  void SetBeforeEach(std::function<void()> beforeEach) { beforeEach_ = std::move(beforeEach); }

  // What the loss of the page kept from being done, told with it.
  void NoteLostWork(const QString& what) { lostWork_ = what; }

  // The report the flows are given: passes reports on to the window's,
  // except those caused by a lost page (the window tells that once, in its
  // own words).
  ErrorReport& flowReport() { return flowReport_; }

 private:
  class FlowReport : public ErrorReport {
   public:
    explicit FlowReport(std::reference_wrapper<ErrorReport>& next) : next_(next) {}
    using ErrorReport::Report;
    void Report(Result code, const char* source, int line) override;

   private:
    std::reference_wrapper<ErrorReport>& next_;
  };

  // After a command during which the page was lost: shows the form again
  // (see Record::RecoverPage) and tells the user. `recordReplaced`: the
  // command had begun to load another record's page.
  void AfterPageLoss(bool recordReplaced);
  // The record's form back on screen; the sentence that tells which.
  QString ShowFormAgain(bool recordReplaced);
  // Handles a loss that came while no command ran, once the engine's
  // signal has returned.
  void HandleLossLater();

  FormView& view_;
  Record& record_;
  AttachmentViewers& viewers_;
  const std::string& programFolder_;
  std::reference_wrapper<ErrorReport>& report_;
  QWidget& owner_;
  std::function<void()> beforeEach_;
  FlowReport flowReport_{report_};
  bool running_ = false;
  PageLoss lossToTell_ = PageLoss::kNone;  // the first loss since it was last told
  QString lostWork_;                       // what the loss kept from being done
};

}  // namespace ambrine
