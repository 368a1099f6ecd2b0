#include "tool_io.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "base/fd.h"
#include "base/utf8.h"

namespace ambrine {

bool AskPassphrase(const std::string& prompt, std::string& answer) {
  answer.clear();
  Fd tty(::open("/dev/tty", O_RDWR | O_CLOEXEC));
  if (!tty) return false;
  std::string text = prompt + ": ";
  (void)!::write(tty.get(), text.data(), text.size());
  termios saved {};
  const bool isTerminal = ::tcgetattr(tty.get(), &saved) == 0;
  if (isTerminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(tty.get(), TCSAFLUSH, &quiet);
  }
  char c;
  while (::read(tty.get(), &c, 1) == 1 && c != '\n') answer.push_back(c);
  if (isTerminal) ::tcsetattr(tty.get(), TCSAFLUSH, &saved);
  (void)!::write(tty.get(), "\n", 1);
  return true;
}

void StderrErrorReport::Report(Status code, const char* source, int line) {
  ++count_;
  const ReportPoint* point = FindReportPoint(source, line);
  std::fprintf(stderr, "ambrine-leaf: %s%s%s (%s %d)\n", point ? point->meaning : "",
               point ? ": " : "", StatusText(code).c_str(), source, line);
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // Accept a well-formed UTF-8 sequence as it is.
      if (const std::size_t length = Utf8SequenceAt(text, i)) {
        out.append(text.substr(i, length));
        i += length;
      } else {
        AppendUtf8(out, kReplacementCharacter);
        ++i;
      }
    }
  }
  return out + "\"";
}

}  // namespace ambrine
