// Small text rules of the window's commands.
#pragma once

#include <string>
#include <string_view>

namespace ambrine {

// The fingerprint as "自分の鍵指紋" shows it: groups of four separated by a
// space, a line break before every twentieth character.
std::string FingerprintDisplayText(std::string_view fingerprint);

// The leaf file a form chosen with File > New is saved to by default: the
// form's path with its extension replaced by ".gpg" (appended when the file
// name has none).
std::string LeafPathForForm(std::string_view formPath);

}  // namespace ambrine
