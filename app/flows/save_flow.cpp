#include "app/flows/save_flow.h"

#include <QDialog>
#include <QMessageBox>
#include <memory>

#include "app/flows/dialog_save_questions.h"
#include "app/flows/wait_cursor.h"
#include "app/web/handed_over_form_page.h"
#include "base/secure_wipe.h"
#include "dialogs/select_key_dialog.h"
#include "leaf/leaf_file.h"

namespace ambrine {

bool SaveFlow::Run(const PageHandover* handover, const std::string& leafPath,
                   const std::string& myFingerprint) {
  GpgSettings& settings = context_.settings;
  QWidget* owner = context_.dialogOwner;
  // The dialog leaves the passphrase in the settings; it lives no longer
  // than this save.
  const WipeOnExit wipe(settings.passphrase);

  settings.outputPath = leafPath;
  {
    SelectKeyDialog dialog(&settings, owner, context_.report);
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

  std::unique_ptr<HandedOverFormPage> handedOver;
  if (handover) handedOver = std::make_unique<HandedOverFormPage>(*handover, context_.page);
  FormPage& page = handedOver ? static_cast<FormPage&>(*handedOver) : context_.page;
  DialogSaveQuestions questions(owner);
  LeafFile leafFile(settings, context_.report);
  SaveOutcome outcome;
  {
    WaitCursor cursor;
    outcome = leafFile.Save(request, page, context_.attachments, questions);
  }
  // gpg's own line for the failure goes under the program's text.
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
  return outcome == SaveOutcome::Saved;
}

}  // namespace ambrine
