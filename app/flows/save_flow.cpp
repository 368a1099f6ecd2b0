#include "app/flows/save_flow.h"

#include <QDialog>
#include <QMessageBox>

#include "app/flows/background_operation.h"
#include "app/flows/background_runner.h"
#include "app/flows/dialog_save_questions.h"
#include "app/flows/gui_thread_error_report.h"
#include "app/flows/gui_thread_save_questions.h"
#include "app/flows/save_page_part.h"
#include "app/web/form_view.h"
#include "base/report_point.h"
#include "dialogs/select_key_dialog.h"
#include "dialogs/wait_cursor.h"
#include "gpg/save_request.h"
#include "leaf/leaf_file.h"

namespace ambrine {

bool SaveFlow::Run(PageHandover* handover, const std::string& leafPath,
                   const std::string& ownFingerprint, SavedLeaf& saved) {
  QWidget* owner = context_.dialogOwner;
  // The dialog's choices, the passphrase among them, live here alone; the
  // request wipes it when the save ends.
  SaveRequest request;
  request.outputPath = leafPath;
  {
    BackgroundRunner runner;
    SelectKeyDialog dialog(&context_.settings, &request, runner, owner, context_.report);
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  if (request.publicKeyMode) request.recipients = SaveRecipients(request.recipients, ownFingerprint);

  // The page's part is gathered before gpg starts or any file is made.
  SavePagePart part;
  if (handover) {
    part.TakeHandover(*handover);
  } else {
    WaitCursor cursor;
    part.TakeFromPage(context_.page);
    // The page stopped answering or its process ended while it was asked.
    if (IsPageLoss(part.documentResult) || IsPageLoss(part.formResult)) return false;
  }
  if (Failed(part.documentResult)) {
    context_.report.Report(part.documentResult, report::kDocumentUnsaved);
    return false;
  }
  if (Failed(part.formResult)) {
    context_.report.Report(part.formResult, report::kSaveFormFailed);
    return false;
  }

  DialogSaveQuestions dialogQuestions(owner);
  // The save runs on a worker thread with the page's part in hand; the
  // questions and the report are served on this one.
  GuiThreadSaveQuestions questions(dialogQuestions);
  GuiThreadErrorReport report(context_.report);
  LeafFile leafFile(context_.settings, report);
  SaveOutcome outcome = SaveOutcome::Cancelled;
  BackgroundOperation(owner, QStringLiteral("保存しています...")).Run([&](OperationProgress& progress) {
    outcome = leafFile.Save(request, part.page, context_.attachments, questions, &progress);
  });
  // A cancelled save shows nothing: the old leaf is as it was. For a
  // failure, gpg's own line goes under the program's text.
  const QString gpgLine = QString::fromStdString(leafFile.gpgError());
  if (outcome == SaveOutcome::EncryptionFailed) {
    QString text = QStringLiteral("Encryption Failed.");
    if (!gpgLine.isEmpty()) text += QLatin1Char('\n') + gpgLine;
    QMessageBox::critical(owner, QStringLiteral("Error"), text);
  } else if (outcome == SaveOutcome::Reported && !gpgLine.isEmpty()) {
    // The report has shown what failed here (writing to a gpg that had
    // ended shows as a broken pipe); this is why gpg ended.
    QMessageBox::critical(owner, QStringLiteral("Error"), gpgLine);
  }
  if (outcome != SaveOutcome::Saved) return false;
  saved.path = request.outputPath;
  saved.formText = part.formIsString ? part.page.form : std::string();
  return true;
}

}  // namespace ambrine
