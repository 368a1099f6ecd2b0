#include "gpg/error_tail.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "gpg/pipe_io.h"

namespace ambrine {

namespace {

// Once told to stop, the reader takes at most this much more: enough for a
// full pipe, bounded against a writer that never pauses.
constexpr std::size_t kDrainLimit = 1 << 20;

// gpg's generic reasons for a failed file operation (and for input that
// ended). gpg names the system's reason on a line of its own before the
// summary that gives one of these.
constexpr std::string_view kGenericReasons[] = {
    "file read error",   "file write error",  "file open error", "file create error",
    "file close error",  "file rename error", "file delete error", "eof",
};

std::string_view Trim(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

std::string_view WithoutGpgPrefix(std::string_view line) {
  constexpr std::string_view kPrefix = "gpg: ";
  if (line.substr(0, kPrefix.size()) == kPrefix) line.remove_prefix(kPrefix.size());
  return line;
}

// Key generation's entropy marks (".+++++>...<^^^") and gpg's debug notes
// say nothing about a failure.
bool IsProgress(std::string_view line) {
  const std::string_view text = WithoutGpgPrefix(line);
  if (text.substr(0, 4) == "DBG:") return true;
  for (char c : text) {
    if (c != '.' && c != '+' && c != '<' && c != '>' && c != '^' && c != ' ') return false;
  }
  return true;
}

bool RestatesAnEarlierLine(std::string_view line) {
  const std::size_t colon = line.rfind(": ");
  if (colon == std::string_view::npos) return false;
  const std::string_view reason = line.substr(colon + 2);
  // A literal packet of known length (an uncompressed file) that could not
  // be written whole: the write error before it says why.
  if (reason.substr(0, 6) == "wrote " && reason.find(" but expected ") != std::string_view::npos)
    return true;
  for (std::string_view generic : kGenericReasons) {
    if (reason == generic) return true;
  }
  return false;
}

// Valid UTF-8 with every control character as a space: the line goes into
// message boxes and onto terminals.
std::string Clean(std::string_view line) {
  std::string text;
  Utf8ToAnsi(line, text);
  for (char& c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

void ErrorTail::Append(std::string_view bytes) {
  if (bytes.size() >= kLimit) {
    cut_ = cut_ || !kept_.empty() || bytes.size() > kLimit;
    kept_.assign(bytes.substr(bytes.size() - kLimit));
    return;
  }
  kept_.append(bytes);
  if (kept_.size() > kLimit) {
    kept_.erase(0, kept_.size() - kLimit);
    cut_ = true;
  }
}

void ErrorTail::Clear() {
  kept_.clear();
  cut_ = false;
}

std::string ErrorTail::LastLine() const {
  // Lines end with LF, CR or CR LF.
  std::vector<std::string_view> lines;
  const std::string_view all = kept_;
  std::size_t start = 0;
  bool ended = false;  // some line end was seen
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] != '\n' && all[i] != '\r') continue;
    lines.push_back(all.substr(start, i - start));
    if (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
    start = i + 1;
    ended = true;
  }
  if (start < all.size()) lines.push_back(all.substr(start));

  // The first line lost its beginning when the front was dropped; it is
  // used only when the whole tail is that one line.
  const std::size_t first = cut_ && ended ? 1 : 0;
  std::string_view summary;
  for (std::size_t i = lines.size(); i > first; --i) {
    const std::string_view line = Trim(lines[i - 1]);
    if (line.empty() || IsProgress(line)) continue;
    if (RestatesAnEarlierLine(line)) {
      if (summary.empty()) summary = line;
      continue;
    }
    return Clean(line);
  }
  return Clean(summary);
}

ErrorTailReader::~ErrorTailReader() { Finish(); }

bool ErrorTailReader::Start(Fd source) {
  Finish();
  tail_.Clear();
  Fd wake, stop;
  if (Failed(CreateInboundPipe(wake, stop))) return false;
  // Non-blocking, so the last reads after the stop take only what is there.
  // The flag belongs to this end alone: the writer's end stays blocking.
  const int flags = ::fcntl(source.get(), F_GETFL);
  if (flags < 0 || ::fcntl(source.get(), F_SETFL, flags | O_NONBLOCK) != 0) return false;

  auto read = [this, source = std::move(source), wake = std::move(wake)]() {
    char buffer[4096];
    // Appends one read; false at the end of the data, on a failure, or when
    // nothing is there (`empty`).
    auto take = [&](bool* empty) {
      for (;;) {
        const ssize_t n = ::read(source.get(), buffer, sizeof buffer);
        if (n > 0) {
          tail_.Append(std::string_view(buffer, static_cast<std::size_t>(n)));
          return true;
        }
        if (n < 0 && errno == EINTR) continue;
        *empty = n < 0 && errno == EAGAIN;
        return false;
      }
    };
    pollfd fds[2] = {{source.get(), POLLIN, 0}, {wake.get(), POLLIN, 0}};
    for (;;) {
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) {
        bool empty = false;
        for (std::size_t taken = 0; taken < kDrainLimit && take(&empty); taken += sizeof buffer) {
        }
        return;
      }
      if (fds[0].revents != 0) {
        bool empty = false;
        if (!take(&empty) && !empty) return;  // the end of the data
      }
    }
  };
  try {
    thread_ = std::thread(std::move(read));
  } catch (const std::system_error&) {
    return false;
  }
  stop_ = std::move(stop);
  return true;
}

void ErrorTailReader::Finish() {
  stop_.reset();
  if (thread_.joinable()) thread_.join();
}

void PassGpgLine(ErrorReport& report, const std::string& line) {
  if (line.empty()) return;
  if (auto* listener = dynamic_cast<GpgLineListener*>(&report)) listener->OnGpgLine(line);
}

}  // namespace ambrine
