#include "base/replacement_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

namespace ambrine {
namespace {

// The characters mkostemp puts in place of "XXXXXX".
constexpr std::string_view kTempNameAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kTempNameSuffix = 6;

bool IsTempNameOf(std::string_view entry, std::string_view prefix) {
  if (entry.size() != prefix.size() + kTempNameSuffix) return false;
  if (entry.substr(0, prefix.size()) != prefix) return false;
  for (char c : entry.substr(prefix.size())) {
    if (kTempNameAlphabet.find(c) == std::string_view::npos) return false;
  }
  return true;
}

// A descriptor of `folder` ("" is the current folder) for reading it.
Fd OpenFolder(const std::string& folder) {
  return Fd(::open(folder.empty() ? "." : folder.c_str(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// Deletes the temporary files that interrupted writes of `name` left in
// `folder`. Only regular files of this user go; links, folders and other
// people's files stay whatever their names. Failures are ignored: a
// leftover costs space, not data.
void RemoveLeftovers(const std::string& folder, const std::string& name) {
  Fd folderFd = OpenFolder(folder);
  if (!folderFd) return;
  // The directory stream takes its own descriptor, so folderFd stays usable.
  const int streamFd = ::fcntl(folderFd.get(), F_DUPFD_CLOEXEC, 0);
  if (streamFd < 0) return;
  DIR* dir = ::fdopendir(streamFd);
  if (dir == nullptr) {
    ::close(streamFd);
    return;
  }
  const std::string prefix = "." + name + ".";
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsTempNameOf(entry->d_name, prefix)) matches.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  const uid_t me = ::geteuid();
  for (const std::string& match : matches) {
    struct stat info {};
    if (::fstatat(folderFd.get(), match.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != me) continue;
    ::unlinkat(folderFd.get(), match.c_str(), 0);
  }
}

Result SyncDescriptor(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return LastErrorResult();
  }
  return kOk;
}

}  // namespace

ReplacementFile::~ReplacementFile() {
  fd_.reset();
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

Result ReplacementFile::Create(const std::string& target) {
  if (target.empty() || target.back() == '/') return kInvalidData;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  RemoveLeftovers(folder, name);
  std::string path = folder + "." + name + ".XXXXXX";
  // mkostemp makes the file with mode 0600 under a name no one else has.
  const int raw = ::mkostemp(path.data(), O_CLOEXEC);
  if (raw < 0) return LastErrorResult();
  fd_.reset(raw);
  target_ = target;
  tempPath_ = std::move(path);
  return kOk;
}

Result ReplacementFile::Commit() {
  // The descriptor may have been handed on (to gpg, which wrote through its
  // own); the file is then opened again by name to be flushed. O_NOFOLLOW
  // and O_NONBLOCK keep a link or pipe put in its place from being followed
  // or blocking.
  Result status = kOk;
  if (fd_) {
    status = SyncDescriptor(fd_.get());
  } else {
    Fd file(::open(tempPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    status = file ? SyncDescriptor(file.get()) : LastErrorResult();
  }
  fd_.reset();
  if (Failed(status)) return status;

  if (::rename(tempPath_.c_str(), target_.c_str()) != 0) return LastErrorResult();
  committed_ = true;

  // The rename itself lives in the folder.
  const std::size_t slash = target_.rfind('/');
  Fd folder = OpenFolder(slash == std::string::npos ? "" : target_.substr(0, slash + 1));
  if (!folder) return LastErrorResult();
  status = SyncDescriptor(folder.get());
  if (status == ResultFromErrno(EINVAL)) return kOk;
  return status;
}

}  // namespace ambrine
