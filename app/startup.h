// Where the program's files are: the program folder, the conf folder that
// holds the key rings, gpg, and the key-ring lists gpg is given. Kept apart
// from the window so it can be tested on any folder.
#pragma once

#include <string>

#include "gpg/gpg_settings.h"
#include "gpg/status.h"

namespace ambrine {

// What the folder rules read from the process's surroundings.
struct StartupEnvironment {
  std::string xdgDataHome;    // $XDG_DATA_HOME, may be empty
  std::string home;           // $HOME
  std::string currentFolder;  // the process's current folder
};

StartupEnvironment CurrentEnvironment();

// The folder of the running executable, ending in "/".
std::string ProgramFolder();

// The conf folder for a program folder: with an "INSTALL" entry beside the
// program, the user's data folder + "/Ambrine/conf"; otherwise the program
// folder + "conf". kFailure when the user's data folder is unknown.
Status ConfFolderFor(const std::string& programFolder, const StartupEnvironment& env,
                     std::string& confFolder, bool& perUser);

// Creates the conf folder when it is missing. The per-user folder gets its
// missing parents too (a fresh account has no ~/.local/share/Ambrine); the
// folder beside the program must have an existing parent.
Status PrepareConfFolder(const std::string& confFolder, bool perUser);

// gpg as "bin/gpg" under the current folder; when the current folder has
// none, the program folder's bin/gpg.
std::string GpgPathFor(const std::string& programFolder, const StartupEnvironment& env);

// The settings start-up builds: home folder, home/secring.gpg,
// home/pubring.gpg, without the preset key rings yet.
GpgSettings BaseSettings(const std::string& gpgPath, const std::string& confFolder);

// Appends the bare names of preset/*.gpg under the program folder to the
// public key-ring list, sorted by name so every run uses the same order.
void AddPresetKeyrings(const std::string& programFolder, GpgSettings& settings);

// True when the secret key ring is missing or empty: the user needs a key.
bool NeedsKeyPair(const GpgSettings& settings);

// The user's own key, the first secret key listed.
struct OwnKey {
  bool found = false;
  std::string userId;
  std::string fingerprint;
};
OwnKey ReadOwnKey(const GpgSettings& settings);

// The preset form: program folder + "preset/index.html", or "" without one.
std::string PresetFormPath(const std::string& programFolder);

}  // namespace ambrine
