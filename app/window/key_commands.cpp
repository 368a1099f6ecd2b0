#include "app/window/key_commands.h"

#include <QMessageBox>

#include "app/flows/background_runner.h"
#include "app/window/command_rules.h"
#include "base/error_report.h"
#include "dialogs/file_dialogs.h"
#include "dialogs/manage_key_dialog.h"
#include "gpg/gpg_engine.h"

namespace ambrine {

void KeyCommands::Manage() {
  BackgroundRunner runner;
  ManageKeyDialog dialog(&context_.settings, runner, context_.dialogOwner);
  dialog.exec();
}

void KeyCommands::ShowMyFingerprint() {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("自分の鍵指紋"),
                  QString::fromStdString(FingerprintDisplayText(ownFingerprint_)),
                  QMessageBox::Ok, context_.dialogOwner);
  box.exec();
}

void KeyCommands::ExportMyKey() {
  const QString path = AskSaveFileName(
      context_.dialogOwner,
      {{QStringLiteral("公開鍵 ファイル (*.gpg)"), QStringLiteral("*.gpg")}, AllFilesFilter()},
      QStringLiteral("gpg"), QStringLiteral("Untitled"));
  if (path.isEmpty()) return;
  // Without a key of its own, gpg would be asked for every key in the rings.
  if (ownFingerprint_.empty()) {
    context_.report.Report(kFailure, report::kOwnKeyExportFailed);
    return;
  }
  GpgEngine engine(context_.settings);
  const Result status = engine.ExportKey(ownFingerprint_, path.toStdString(), nullptr);
  if (Failed(status)) context_.report.Report(status, report::kOwnKeyExportFailed);
}

}  // namespace ambrine
