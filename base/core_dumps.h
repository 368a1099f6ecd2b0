// A crash must not write the record's plaintext (form values, typed text,
// passphrases) to a core file.
#pragma once

namespace ambrine {

// Sets the core size limit to 0 (inherited by every process started after,
// the web engine's helpers and gpg included) and makes this process
// non-dumpable. Call first thing in main().
void DisableCoreDumps();

}  // namespace ambrine
