#include "base/replacement_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambrine {

ReplacementFile::~ReplacementFile() {
  fd_.reset();
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

Status ReplacementFile::Create(const std::string& target) {
  if (target.empty() || target.back() == '/') return kInvalidData;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string path = folder + "." + name + ".XXXXXX";
  // mkostemp makes the file with mode 0600 under a name no one else has.
  const int raw = ::mkostemp(path.data(), O_CLOEXEC);
  if (raw < 0) return LastErrorStatus();
  fd_.reset(raw);
  target_ = target;
  tempPath_ = std::move(path);
  return kOk;
}

Status ReplacementFile::UseDefaultMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::chmod(tempPath_.c_str(), 0666 & ~mask) != 0) return LastErrorStatus();
  return kOk;
}

Status ReplacementFile::Commit() {
  fd_.reset();
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0) return LastErrorStatus();
  committed_ = true;
  return kOk;
}

}  // namespace ambrine
