#include "app/flows/save_flow.h"

#include <QDialog>
#include <QMessageBox>

#include "app/flows/background_operation.h"
#include "app/flows/background_runner.h"
#include "app/flows/dialog_save_questions.h"
#include "app/flows/gui_thread_error_report.h"
#include "app/flows/gui_thread_form_page.h"
#include "app/flows/gui_thread_save_questions.h"
#include "app/flows/wait_cursor.h"
#include "app/web/form_view.h"
#include "app/web/handed_over_form_page.h"
#include "base/secure_wipe.h"
#include "dialogs/select_key_dialog.h"
#include "leaf/leaf_file.h"

namespace ambrine {

namespace {

// The live page's document and saveForm() result, asked once before gpg
// starts; the writer then takes them as it takes what a saveLeaf call
// handed over.
PageHandover TakeFromPage(FormPage& live) {
  PageHandover taken;
  taken.documentStatus = live.SaveDocument(taken.document);
  // The writer asks for saveForm() only once it has the document.
  if (Succeeded(taken.documentStatus))
    taken.formStatus = live.CallSaveForm(taken.formText, taken.formIsString);
  return taken;
}

}  // namespace

bool SaveFlow::Run(const PageHandover* handover, const std::string& leafPath,
                   const std::string& myFingerprint, std::string& savedFormText) {
  GpgSettings& settings = context_.settings;
  QWidget* owner = context_.dialogOwner;
  // The dialog leaves the passphrase in the settings; it lives no longer
  // than this save.
  const WipeOnExit wipe(settings.passphrase);

  settings.outputPath = leafPath;
  {
    BackgroundRunner runner;
    SelectKeyDialog dialog(&settings, runner, owner, context_.report);
    if (dialog.exec() != QDialog::Accepted) return false;
  }

  SaveRequest request;
  request.publicKeyMode = settings.publicKeyMode == 1;
  request.outputPath = settings.outputPath;
  if (request.publicKeyMode) {
    request.recipients = SaveRecipients(settings.recipients, myFingerprint);
  } else {
    request.passphrase = settings.passphrase;
  }

  // The page's part is gathered before gpg starts or any file is made.
  PageHandover taken;
  WipeOnExit wipeDocument(taken.document);
  WipeOnExit wipeForm(taken.formText);
  if (!handover) {
    WaitCursor cursor;
    taken = TakeFromPage(context_.page);
    // The page stopped answering or its process ended while it was asked.
    if (IsPageLoss(taken.documentStatus) || IsPageLoss(taken.formStatus)) return false;
  }
  const PageHandover& pagePart = handover ? *handover : taken;
  HandedOverFormPage source(pagePart, context_.page);
  DialogSaveQuestions dialogQuestions(owner);
  // The save runs on a worker thread; the page, the questions and the
  // report are served on this one.
  GuiThreadFormPage page(source);
  GuiThreadSaveQuestions questions(dialogQuestions);
  GuiThreadErrorReport report(context_.report);
  LeafFile leafFile(settings, report);
  SaveOutcome outcome = SaveOutcome::Cancelled;
  BackgroundOperation(owner, QStringLiteral("保存しています...")).Run([&](OperationProgress& progress) {
    outcome = leafFile.Save(request, page, context_.attachments, questions, &progress);
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
  savedFormText = pagePart.formIsString ? pagePart.formText : std::string();
  return true;
}

}  // namespace ambrine
