#include "app/window/command_rules.h"

namespace ambrine {

std::string FingerprintDisplayText(std::string_view fingerprint) {
  std::string out;
  for (std::size_t i = 0; i < fingerprint.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    if (i > 0 && i % 20 == 0) out += '\n';
    out += fingerprint[i];
  }
  return out;
}

std::string LeafPathForForm(std::string_view formPath) {
  const std::size_t slash = formPath.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = formPath.rfind('.');
  std::string out(formPath);
  if (dot != std::string_view::npos && dot >= nameStart) out.resize(dot);
  return out + ".gpg";
}

}  // namespace ambrine
