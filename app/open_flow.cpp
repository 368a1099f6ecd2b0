#include "app/open_flow.h"

#include <fcntl.h>

#include <QMessageBox>

#include "app/dialog_open_questions.h"
#include "app/file_dialogs.h"
#include "app/main_view.h"
#include "app/open_check.h"
#include "app/wait_cursor.h"
#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "leaf/leaf_reader.h"
#include "leaf/secure_wipe.h"

namespace ambrine {

namespace {

Status OpenForGpg(const char* path, int flags, Fd& fd) {
  // Close-on-exec here; the engine hands it to gpg as a standard descriptor.
  const int raw = ::open(path, flags | O_CLOEXEC);
  if (raw < 0) return LastErrorStatus();
  fd.reset(raw);
  return kOk;
}

bool AskYes(QWidget* owner, const QString& caption, const QString& text) {
  return QMessageBox::question(owner, caption, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace

void OpenFlow::Run() {
  std::string passphrase;
  if (Check(passphrase)) Produce(passphrase);
  SecureWipe(passphrase);
}

bool OpenFlow::Check(std::string& passphrase) {
  ErrorReport& report = view_.errorReport();
  QWidget* owner = view_.dialogOwner();

  // Before the dialog, so a cancelled open also leaves no attachment.
  view_.attachments().Clear();
  const QString chosen = AskOpenFileName(
      owner, {{QStringLiteral("gpg ファイル (*.gpg)"), QStringLiteral("*.gpg")}, AllFilesFilter()},
      QStringLiteral("gpg"));
  if (chosen.isEmpty()) return false;
  view_.setLeafPath(chosen.toStdString());
  const std::string& path = view_.leafPath();

  WaitCursor cursor;
  GpgEngine engine(view_.settings());
  Fd input;
  Status s = OpenForGpg(path.c_str(), O_RDONLY, input);
  if (Failed(s)) {
    report.Report(s, "mainview", 848);
    return false;
  }
  Fd nothing;
  s = OpenForGpg("/dev/null", O_RDWR, nothing);
  if (Failed(s)) {
    report.Report(s, "mainview", 856);
    return false;
  }
  Fd command, commandChild;
  if (Failed(CreateOutboundPipe(command, commandChild))) return false;
  Fd status, statusChild;
  if (Failed(CreateInboundPipe(status, statusChild))) return false;
  s = engine.Decrypt(std::move(input), std::move(nothing), true, nullptr, std::move(statusChild),
                     std::move(commandChild));
  if (Failed(s)) {
    report.Report(s, "mainview", 868);
    return false;
  }

  DialogOpenQuestions questions(owner);
  OpenCheckDialogue dialogue(questions);
  OpenCheckResult checked = dialogue.Run(status, command);
  passphrase = std::move(checked.passphrase);
  if (checked.end != OpenCheckEnd::Finished) {
    report.Report(kCancelled, "mainview", checked.line);
    return false;
  }
  command.reset();
  status.reset();
  if (Failed(engine.WaitForExit(nullptr))) return false;

  // The questions below are the user's to answer, without the wait cursor.
  cursor.Restore();
  if (!checked.decrypted) {
    QMessageBox::critical(owner, QStringLiteral("Error"), QStringLiteral("復号できません"));
    return false;
  }
  if (checked.signatureSeen) {
    return AskYes(owner, QStringLiteral("Confirm"),
                  QString::fromStdString(ConfirmationText(checked.goodSignatures)));
  }
  return AskYes(owner, QStringLiteral("Question"),
                QStringLiteral("有効な電子署名が見つかりません。処理を続行しますか?"));
}

void OpenFlow::Produce(const std::string& passphrase) {
  ErrorReport& report = view_.errorReport();
  WaitCursor cursor;
  GpgEngine engine(view_.settings());
  Fd output, outputChild;
  if (Failed(CreateInboundPipe(output, outputChild))) return;
  Fd input;
  if (Failed(OpenForGpg(view_.leafPath().c_str(), O_RDONLY, input))) return;
  const Status s = engine.Decrypt(std::move(input), std::move(outputChild), false,
                                  passphrase.c_str(), Fd(), Fd());
  if (Failed(s)) {
    report.Report(s, "mainview", 1031);
    return;
  }
  ReadLeafMessage(output.get(), view_.formPage(), view_.attachments(), view_.settings(), report);
  // A reader that stopped early leaves gpg writing: closing the pipe ends it.
  output.reset();
  cursor.Restore();
  engine.WaitForExit(nullptr);
}

}  // namespace ambrine
