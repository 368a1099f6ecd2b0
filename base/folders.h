// Where the program's files are: the program folder, the conf folder that
// holds the key rings, gpg, the preset folder. The window and the
// command-line tool follow the same rules, so a leaf made by one opens in
// the other. Each rule takes the program folder and the environment, so it
// can be tested on any folder.
#pragma once

#include <string>
#include <vector>

#include "base/result.h"

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
Result ConfFolderFor(const std::string& programFolder, const StartupEnvironment& env,
                     std::string& confFolder, bool& perUser);

// Creates the conf folder when it is missing. The per-user folder gets its
// missing parents too (a fresh account has no ~/.local/share/Ambrine); the
// folder beside the program must have an existing parent.
Result PrepareConfFolder(const std::string& confFolder, bool perUser);

// gpg as "bin/gpg" under the current folder; when the current folder has
// none, or the program is an installed copy (INSTALL beside it), the program
// folder's bin/gpg.
std::string GpgPathFor(const std::string& programFolder, const StartupEnvironment& env);

// The names of preset/*.gpg under the program folder, sorted, so every run
// uses the same order.
std::vector<std::string> PresetKeyringNames(const std::string& programFolder);

// The preset form: program folder + "preset/index.html", or "" without one.
std::string PresetFormPath(const std::string& programFolder);

}  // namespace ambrine
