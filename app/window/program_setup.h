// What the window needs before it shows a form: the conf folder, the gpg
// settings with the preset key rings, and the user's own key, made first
// when there is none.
#pragma once

#include <string>

#include "base/folders.h"
#include "base/result.h"
#include "gpg/gpg_settings.h"
#include "gpg/own_key.h"

namespace ambrine {

struct ProgramSetup {
  std::string confFolder;
  GpgSettings settings;
  OwnKey own;  // found
};

// Finds and prepares the conf folder, points the file dialogs at the
// user's files (never the program's own), asks for a key pair on first run
// and until gpg lists a secret key of the user's, and reads the own key.
// kCancelled when the user declined to make a key; other failures when a
// folder cannot be made.
Result SetUpProgram(const std::string& programFolder, const StartupEnvironment& env,
                    ProgramSetup& setup);

}  // namespace ambrine
