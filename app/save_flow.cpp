#include "app/save_flow.h"

#include <QDialog>
#include <QMessageBox>

#include "app/dialog_save_questions.h"
#include "app/main_view.h"
#include "app/replacement_file.h"
#include "app/save_dialogue.h"
#include "app/status_drain.h"
#include "app/wait_cursor.h"
#include "app/web_form_page.h"
#include "dialogs/select_key_dialog.h"
#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "leaf/leaf_writer.h"

namespace ambrine {

std::vector<std::string> SaveRecipients(const std::vector<std::string>& chosen,
                                        const std::string& myFingerprint) {
  std::vector<std::string> recipients = chosen;
  // Without a key of its own the program cannot sign; gpg reports that.
  if (!myFingerprint.empty()) recipients.push_back(myFingerprint);
  return recipients;
}

void SaveFlow::Run(const PageHandover* handover) {
  GpgSettings& settings = view_.settings();
  ErrorReport& report = view_.errorReport();
  QWidget* owner = view_.dialogOwner();

  settings.outputPath = view_.leafPath();
  {
    SelectKeyDialog dialog(&settings, owner, report);
    if (dialog.exec() != QDialog::Accepted) return;
  }

  // Declared before the engine so that it is joined after the engine has
  // stopped a gpg that was not waited for.
  StatusDrain drain;
  GpgEngine engine(settings);

  Fd message, messageChild;
  Status s = CreateOutboundPipe(message, messageChild);
  if (Failed(s)) return report.Report(s, "mainview", 1342);
  // gpg writes beside the leaf; the leaf is replaced only by a complete one.
  ReplacementFile output;
  s = output.Create(settings.outputPath);
  if (Failed(s)) return report.Report(s, "mainview", 1348);
  Fd command, commandChild;
  s = CreateOutboundPipe(command, commandChild);
  if (Failed(s)) return report.Report(s, "mainview", 1352);
  Fd status, statusChild;
  s = CreateInboundPipe(status, statusChild);
  if (Failed(s)) return report.Report(s, "mainview", 1356);

  if (settings.publicKeyMode == 1) {
    s = engine.Encrypt(SaveRecipients(settings.recipients, view_.myFingerprint()),
                       std::move(messageChild), output.TakeFd(), true, nullptr,
                       std::move(statusChild), std::move(commandChild));
    if (Failed(s)) return report.Report(s, "mainview", 1361);
  } else {
    // The passphrase goes through the dialogue (see SetSymmetricPassphrase).
    s = engine.EncryptSymmetric(std::move(messageChild), output.TakeFd(), true, nullptr,
                                std::move(statusChild), std::move(commandChild));
    if (Failed(s)) return report.Report(s, "mainview", 1370);
  }

  DialogSaveQuestions questions(owner);
  SaveDialogue dialogue(questions);
  if (settings.publicKeyMode != 1) dialogue.SetSymmetricPassphrase(&settings.passphrase);
  const SaveDialogueResult talked = dialogue.Run(status.get(), command.get());
  if (talked.end == SaveDialogueEnd::WriteFailed) {
    return report.Report(talked.status, "mainview", talked.line);
  }
  // No answer follows: a later question of gpg's meets the end of its
  // command input instead of waiting for ever.
  command.reset();
  drain.Start(std::move(status));

  // gpg that ended before it began encrypting takes no message; its exit
  // code tells the user below.
  const bool began = talked.end != SaveDialogueEnd::EndOfData;
  if (began) {
    WaitCursor cursor;
    std::unique_ptr<HandedOverFormPage> handedOver;
    if (handover) handedOver = std::make_unique<HandedOverFormPage>(*handover, view_.formPage());
    FormPage& page = handedOver ? static_cast<FormPage&>(*handedOver) : view_.formPage();
    s = WriteLeafMessage(message.get(), page, view_.attachments(), settings, report);
    message.reset();
    // The writer has reported it; the engine stops gpg and the old leaf stays.
    if (Failed(s)) return;
  }
  message.reset();

  drain.Join();
  int exitCode = -1;
  const Status waited = engine.WaitForExit(&exitCode);
  if (Failed(waited) || exitCode != 0 || !began) {
    QMessageBox::critical(owner, QStringLiteral("Error"), QStringLiteral("Encryption Failed."));
    return;
  }
  s = output.Commit();
  if (Failed(s)) report.Report(s, "mainview", 1348);
}

}  // namespace ambrine
