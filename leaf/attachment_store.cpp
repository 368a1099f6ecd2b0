#include "leaf/attachment_store.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>

#include "base/secure_wipe.h"

namespace ambrine {

AttachmentStore::~AttachmentStore() { Clear(); }

void AttachmentStore::Discard(AttachmentEntry& entry) {
  // The result is not looked at: the entry goes even if the file stays.
  if (!entry.tempPath.empty()) ::unlink(entry.tempPath.c_str());
  SecureWipe(entry.tempPassphrase);
}

void AttachmentStore::Clear() {
  for (AttachmentEntry& entry : entries_) Discard(entry);
  entries_.clear();
}

int AttachmentStore::Append(std::string name, std::string tempPath,
                            std::string tempPassphrase) {
  AttachmentEntry entry;
  entry.index = static_cast<int>(entries_.size());
  entry.name = std::move(name);
  entry.tempPath = std::move(tempPath);
  entry.tempPassphrase = std::move(tempPassphrase);
  entries_.push_back(std::move(entry));
  return entries_.back().index;
}

void AttachmentStore::ReplaceWith(AttachmentStore& other) {
  Clear();
  entries_ = std::move(other.entries_);
  other.entries_.clear();
  int counter = 0;
  for (AttachmentEntry& entry : entries_) entry.index = counter++;
}

const AttachmentEntry* AttachmentStore::Find(int index) const {
  for (const AttachmentEntry& entry : entries_) {
    if (entry.index == index) return &entry;
  }
  return nullptr;
}

bool AttachmentStore::Remove(int index) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [index](const AttachmentEntry& e) { return e.index == index; });
  if (it == entries_.end()) return false;
  Discard(*it);
  entries_.erase(it);
  int counter = 0;
  for (AttachmentEntry& entry : entries_) entry.index = counter++;
  return true;
}

std::string TempFolder() {
  const char* dir = ::getenv("TMPDIR");
  std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

Result CreateTempAttachmentFile(std::string& path, Fd& fd) {
  std::string name = TempFolder() + "/AMBXXXXXX.TMP";
  // mkostemps creates the file with mode 0600 and a unique name.
  int raw = ::mkostemps(name.data(), 4, O_CLOEXEC);
  if (raw < 0) return LastErrorResult();
  fd.reset(raw);
  path = std::move(name);
  return kOk;
}

Result MakeTempPassphrase(std::string& output, std::size_t length, ErrorReport& report) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  output.clear();
  std::string random(length / 2, '\0');
  std::size_t filled = 0;
  while (filled < random.size()) {
    ssize_t n = ::getrandom(random.data() + filled, random.size() - filled, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      Result code = LastErrorResult();
      SecureWipe(random);
      report.Report(code, report::kNoRandomPassphrase);
      return code;
    }
    filled += static_cast<std::size_t>(n);
  }
  output.reserve(length + 1);
  for (unsigned char byte : random) {
    output.push_back(kDigits[byte >> 4]);
    output.push_back(kDigits[byte & 15]);
  }
  SecureWipe(random);
  return kOk;
}

}  // namespace ambrine
