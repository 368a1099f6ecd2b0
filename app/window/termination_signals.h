// SIGTERM, SIGHUP and SIGINT (logout, shutdown, Ctrl+C in a terminal) end
// the program through its normal shutdown instead of where it stands: the
// window is destroyed as after Exit, which deletes every temporary
// attachment file and stops any gpg still running. No question is asked.
#pragma once

namespace ambrine {

// Installs the handlers: each writes a byte to a pipe; the event loop reads
// it and leaves every event loop of the program, the flows' too. Call once,
// after the QApplication exists.
void QuitOnTerminationSignals();

}  // namespace ambrine
