// A form page is someone else's script: whatever path it finds inside the
// web engine (WebRTC, WebTransport, a frame the engine's own scripts never
// reach), the program's processes must not be able to open a network socket.
#pragma once

#include "base/result.h"

namespace ambrine {

// From now on no thread of this process, and no process it starts (the web
// engine's helpers, gpg), can create a socket other than a local one (Unix
// domain, and netlink for the kernel's own notices): creating one fails with
// EACCES. Sockets open already (the display connection) keep working.
// kFailure when the kernel refuses the filter; nothing changes then.
Result ForbidNetworkSockets();

}  // namespace ambrine
