// What the benchmark drivers share: the real window's process set up as the
// program's main() sets it up, around the test harness's scratch folder.
#pragma once

#include <functional>
#include <string>

namespace ambrine::bench {

// Makes a program folder `folderName` with the key rings of `keysHome`
// under the harness's scratch folder (whose TMPDIR receives the temporary
// attachment files), starts a QApplication as the program does (no core
// dumps, no sockets, the form and viewer schemes), runs `drive` with the
// program folder and returns its exit code once the scratch folder is gone.
// `driverName` prefixes what it prints.
int RunBenchApplication(const char* driverName, const std::string& folderName,
                        const std::string& keysHome, char* argv0,
                        const std::function<int(const std::string& program)>& drive);

}  // namespace ambrine::bench
