// Tells a file gpg1 can read as a public key ring from any other file that
// happens to end in ".gpg" (a saved leaf, a symmetric message, an armoured
// key, stray bytes). gpg stops with "invalid packet" on the first packet it
// cannot parse in any ring it was given, so one such file would break every
// key look-up; the preset rings are checked before gpg is told about them.
#pragma once

#include <string>

namespace ambrine {

// True when the file is a non-empty, unbroken sequence of OpenPGP packets
// (old or new header format, definite lengths only, each packet inside the
// file) whose first packet is a public-key packet (tag 6) of version 2, 3
// or 4. A missing, unreadable or empty file is not a key ring.
bool IsPublicKeyringFile(const std::string& path);

}  // namespace ambrine
