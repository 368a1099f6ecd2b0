#include "base/recent_leaves.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/fd.h"
#include "base/replacement_file.h"
#include "base/whole_file.h"

namespace ambrine {

namespace {

bool Keepable(const std::string& path) {
  return !path.empty() && path.front() == '/' && path.find_first_of("\r\n") == std::string::npos;
}

Result WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrorResult();
    }
    done += static_cast<std::size_t>(n);
  }
  return kOk;
}

}  // namespace

void RecentLeaves::Load() {
  paths_.clear();
  std::string text;
  if (Failed(ReadWholeFile(listPath_, text))) return;
  std::size_t start = 0;
  while (start < text.size() && paths_.size() < kMaxEntries) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (Keepable(line) && std::find(paths_.begin(), paths_.end(), line) == paths_.end()) {
      paths_.push_back(line);
    }
  }
}

Result RecentLeaves::Add(const std::string& path) {
  if (!Keepable(path)) return kInvalidData;
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kMaxEntries) paths_.resize(kMaxEntries);
  return Write();
}

Result RecentLeaves::Remove(const std::string& path) {
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
  return Write();
}

Result RecentLeaves::Write() const {
  std::string text;
  for (const std::string& path : paths_) text += path + '\n';
  ReplacementFile file;
  if (Result s = file.Create(listPath_); Failed(s)) return s;
  Fd fd = file.TakeFd();
  if (Result s = WriteAll(fd.get(), text); Failed(s)) return s;
  fd.reset();
  return file.Commit();
}

}  // namespace ambrine
