#include "app/window/program_setup.h"

#include <QApplication>

#include "app/flows/background_runner.h"
#include "dialogs/file_dialog_folder.h"
#include "dialogs/genkey_dialog.h"

namespace ambrine {

Result SetUpProgram(const std::string& programFolder, const StartupEnvironment& env,
                    ProgramSetup& setup) {
  bool perUser = false;
  Result status = ConfFolderFor(programFolder, env, setup.confFolder, perUser);
  if (Failed(status)) return status;
  status = PrepareConfFolder(setup.confFolder, perUser);
  if (Failed(status)) return status;
  setup.settings = BaseSettings(GpgPathFor(programFolder, env), setup.confFolder);
  // File dialogs open where the user's files are, never among the
  // program's own.
  FileDialogFolder::BeginRun(
      {QString::fromStdString(programFolder), QString::fromStdString(setup.confFolder)});

  BackgroundRunner runner;
  if (NeedsKeyPair(setup.settings)) {
    GenkeyDialog dialog(&setup.settings, runner, QApplication::activeWindow());
    if (dialog.DoModal() != 1) return kCancelled;
  }

  AddPresetKeyrings(programFolder, setup.settings);

  // Every save signs with the own key: the program does not go on without
  // one, even when the ring holds nothing gpg lists as a secret key.
  setup.own = ReadOwnKey(setup.settings);
  while (!setup.own.found) {
    GenkeyDialog dialog(&setup.settings, runner, QApplication::activeWindow());
    if (dialog.DoModal() != 1) return kCancelled;
    setup.own = ReadOwnKey(setup.settings);
  }
  return kOk;
}

}  // namespace ambrine
