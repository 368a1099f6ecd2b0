// The program's command line: `ambrine [LEAF]`. Qt takes out the options
// it understands before the program looks; the web engine's own switches
// (every other argument that starts with "-") stay the engine's.
#pragma once

#include <QString>
#include <QStringList>

namespace ambrine {

struct LaunchArguments {
  QString leaf;   // the leaf to open once the window has started, as an
                  // absolute path; empty when none was given
  QString error;  // what was wrong with the command line; empty when fine
};

// Reads `arguments` (QCoreApplication::arguments(): the program's name
// first). A relative leaf path is taken from the current folder at the
// moment of the call; a file: URL (as desktops hand files over) gives its
// local path. "--" makes every later argument a file name, and everything
// after "--webEngineArgs" is the web engine's. More than one leaf is an
// error.
LaunchArguments ParseLaunchArguments(const QStringList& arguments);

}  // namespace ambrine
