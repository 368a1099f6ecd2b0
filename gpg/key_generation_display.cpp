#include "gpg/key_generation_display.h"

#include <utility>

namespace ambrine {

std::string StatusLineDisplay(std::string_view line, bool& inProgress) {
  const StatusLine parsed = ParseStatusLine(line);
  // "[GNUPG:] PROGRESS <what> <char> ...": show only the progress character.
  if (parsed.kind == StatusKeyword::Progress && parsed.afterPrefix.size() > parsed.keyword.size()) {
    std::string_view rest = parsed.arguments;
    const std::size_t space = rest.find(' ');
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    inProgress = true;
    return rest.empty() ? std::string() : std::string(1, rest.front());
  }
  std::string out;
  if (inProgress) {
    out.push_back('\n');
    inProgress = false;
  }
  out.append(line);
  out.push_back('\n');
  return out;
}

StatusAction KeyGenerationDisplay::OnStatus(const StatusLine& line, CommandWriter& /*command*/) {
  text_ += StatusLineDisplay(line.text, inProgress_);
  return StatusAction::Continue;
}

std::string KeyGenerationDisplay::TakeText() { return std::exchange(text_, std::string()); }

}  // namespace ambrine
