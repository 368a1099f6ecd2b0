#include "tool_io.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "gpg/fd.h"

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

std::string_view DescribeReportLine(int line) {
  static const std::map<int, std::string_view> kLines = {
      {83, "no random bytes for a passphrase"},
      {492, "a header block ends before its empty line"},
      {509, "a header line has no ':' (or is too long)"},
      {531, "the document part's header block is broken"},
      {536, "the document part's Content-Type has an unbalanced quote"},
      {542, "the first part is not text/html"},
      {546, "the document part's Content-Transfer-Encoding has an unbalanced quote"},
      {555, "the message ends inside the document part"},
      {579, "reading the document part failed"},
      {627, "the form-data part's Content-Type has an unbalanced quote"},
      {633, "the second part is not application/octet-stream"},
      {637, "the form-data part's Content-Transfer-Encoding has an unbalanced quote"},
      {646, "the message ends inside the form-data part"},
      {691, "the page has no restoreForm function"},
      {712, "restoreForm failed"},
      {730, "an attachment part's header block is broken (or the closing delimiter is missing)"},
      {735, "an attachment part's Content-Type has an unbalanced quote"},
      {740, "an attachment part is not application/octet-stream"},
      {744, "an attachment part's Content-Transfer-Encoding has an unbalanced quote"},
      {749, "an attachment part is not BASE64"},
      {753, "an attachment part's Content-Disposition is malformed"},
      {770, "no temporary attachment file could be made"},
      {787, "gpg could not be started to store an attachment"},
      {817, "reading an attachment failed"},
      {823, "gpg failed to store an attachment"},
      {1045, "the message's Content-Type has an unbalanced quote"},
      {1053, "the message has no usable boundary"},
      {1067, "the message ends before its first part"},
      {1074, "the message closes before its first part"},
      {1084, "the document part is unusable"},
      {1090, "the form-data part is unusable"},
      {1097, "an attachment part is unusable"},
      {1276, "no pipe for an attachment"},
      {1284, "a temporary attachment file cannot be opened"},
      {1291, "gpg could not be started to read an attachment"},
      {1296, "gpg could not decrypt a temporary attachment file"},
      {1485, "the document could not be saved"},
      {1491, "saveForm failed"},
      {1498, "an attachment could not be written"},
  };
  auto it = kLines.find(line);
  if (it != kLines.end()) return it->second;
  if (line >= 1463 && line <= 1513) return "writing the message to gpg failed";
  return "";
}

void StderrErrorReport::Report(Status code, const char* source, int line) {
  ++count_;
  std::string_view what = DescribeReportLine(line);
  std::fprintf(stderr, "ambrine-leaf: %s%s%s (%s %d)\n", std::string(what).c_str(),
               what.empty() ? "" : ": ", StatusText(code).c_str(), source, line);
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
      int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
      bool ok = length > 0 && i + length <= text.size();
      for (int k = 1; ok && k < length; ++k) {
        ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
      }
      if (ok && length == 3) {
        const unsigned char c1 = static_cast<unsigned char>(text[i + 1]);
        ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
      } else if (ok && length == 4) {
        const unsigned char c1 = static_cast<unsigned char>(text[i + 1]);
        ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
      }
      if (ok) {
        out.append(text.substr(i, length));
        i += length;
      } else {
        out += "\xEF\xBF\xBD";
        ++i;
      }
    }
  }
  return out + "\"";
}

}  // namespace ambrine
