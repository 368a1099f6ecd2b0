#include "leaf/search/record_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <thread>

#include "base/secure_wipe.h"
#include "leaf/search/search_fold.h"
#include "leaf/search/search_index.h"

namespace ambrine {

namespace {

// Folders deeper than this below a searched folder are not entered: a
// search ends even in a tree made to be endless.
constexpr int kMaxDepth = 32;
// Code points of context a snippet shows before and after the match.
constexpr std::size_t kSnippetBefore = 20;
constexpr std::size_t kSnippetAfter = 40;

struct FoundLeaf {
  std::string path;
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;
};

// Orders found leaves and skipped files by their path.
struct ByPath {
  template <typename T>
  bool operator()(const T& a, const T& b) const { return a.path < b.path; }
};

bool HasLeafExtension(const char* name) {
  const std::size_t length = std::char_traits<char>::length(name);
  if (length < 5) return false;
  const char* ext = name + length - 4;
  return ext[0] == '.' && (ext[1] | 0x20) == 'g' && (ext[2] | 0x20) == 'p' && (ext[3] | 0x20) == 'g';
}

// The *.gpg regular files under `folder` (no symbolic link is followed).
void CollectLeaves(const std::string& folder, int depth, std::vector<FoundLeaf>& found) {
  if (depth > kMaxDepth) return;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* item = ::readdir(dir)) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + item->d_name;
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      CollectLeaves(path, depth + 1, found);
    } else if (S_ISREG(info.st_mode) && HasLeafExtension(item->d_name)) {
      found.push_back({path, static_cast<std::int64_t>(info.st_size),
                       static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                           info.st_mtim.tv_nsec});
    }
  }
  ::closedir(dir);
}

// `folder` made absolute and free of "." and "..", or "" when it is not a
// folder that exists.
std::string CanonicalFolder(const std::string& folder) {
  char* resolved = ::realpath(folder.c_str(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string path(resolved);
  std::free(resolved);
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::string();
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool IsUnder(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

// Whether an index entry still tells about the file as it is now, for a
// search with or without a passphrase.
bool EntryStillHolds(const IndexEntry& entry, const FoundLeaf& leaf, bool passphraseGiven) {
  if (entry.size != leaf.size || entry.mtimeNs != leaf.mtimeNs) return false;
  switch (entry.reading) {
    case LeafReading::Read:
    case LeafReading::NotEncrypted:
    case LeafReading::Broken:
      return true;
    case LeafReading::NeedsPassphrase:
      return !passphraseGiven;
    default:
      return false;
  }
}

// What the index keeps of a reading: the text of a leaf that needs no
// passphrase, the fact alone of one that does, the readings that cannot
// change while the file stays the same; nothing for the rest.
bool KeepInIndex(LeafReading reading, const LeafContents& contents, IndexEntry& entry) {
  if (reading == LeafReading::Read && contents.passphraseLeaf) {
    entry.reading = LeafReading::NeedsPassphrase;
    return true;
  }
  if (reading == LeafReading::WrongPassphrase && contents.passphraseLeaf) {
    entry.reading = LeafReading::NeedsPassphrase;
    return true;
  }
  entry.reading = reading;
  if (reading == LeafReading::Read) {
    entry.contents = contents;
    return true;
  }
  return reading == LeafReading::NotEncrypted || reading == LeafReading::Broken ||
         reading == LeafReading::NeedsPassphrase;
}

// The words that fold to something; an empty one would match anything.
std::vector<std::u32string> FoldedWords(const std::vector<std::string>& words) {
  std::vector<std::u32string> folded;
  for (const std::string& word : words) {
    std::u32string w = FoldedWord(word);
    if (!w.empty()) folded.push_back(std::move(w));
  }
  return folded;
}

// The source text around folded[at, at + length): white space collapsed,
// "…" where it was cut.
std::string SnippetAround(std::string_view source, const FoldedText& folded, std::size_t at,
                          std::size_t length) {
  std::size_t from = at > kSnippetBefore ? at - kSnippetBefore : 0;
  std::size_t to = std::min(folded.text.size(), at + length + kSnippetAfter);
  std::string snippet;
  if (from > 0) snippet += "…";
  const std::string_view piece =
      source.substr(folded.origin[from], folded.origin[to] - folded.origin[from]);
  bool space = false;
  for (char c : piece) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      space = true;
      continue;
    }
    if (space && !snippet.empty()) snippet.push_back(' ');
    space = false;
    snippet.push_back(c);
  }
  if (to < folded.text.size()) snippet += "…";
  return snippet;
}

}  // namespace

SearchRequest::~SearchRequest() { SecureWipe(passphrase); }

bool MatchLeaf(const LeafContents& contents, const std::vector<std::u32string>& words,
               std::string& snippet) {
  snippet.clear();
  if (words.empty()) return false;
  std::string names;
  for (const std::string& name : contents.attachmentNames) {
    names += name;
    names.push_back('\n');
  }
  const std::string_view sources[] = {contents.formText, contents.documentText, names};
  FoldedText folded[3];
  for (int k = 0; k < 3; ++k) folded[k] = FoldForSearch(sources[k]);
  const auto wipe = [&] {
    for (FoldedText& f : folded) SecureWipe(f.text.data(), f.text.size() * sizeof(char32_t));
    SecureWipe(names);
  };
  for (std::size_t w = 0; w < words.size(); ++w) {
    bool found = false;
    for (int k = 0; k < 3 && !found; ++k) {
      const std::size_t at = folded[k].text.find(words[w]);
      if (at == std::u32string::npos) continue;
      found = true;
      if (w == 0) snippet = SnippetAround(sources[k], folded[k], at, words[w].size());
    }
    if (!found) {
      snippet.clear();
      wipe();
      return false;
    }
  }
  wipe();
  return true;
}

SearchOutcome SearchRecords(const GpgSettings& settings, const SearchRequest& request,
                            OperationProgress* progress) {
  SearchOutcome outcome;
  const std::string* passphrase = request.passphraseGiven ? &request.passphrase : nullptr;

  std::vector<std::string> folders;
  std::vector<FoundLeaf> leaves;
  for (const std::string& folder : request.folders) {
    const std::string canonical = CanonicalFolder(folder);
    if (canonical.empty()) {
      outcome.skipped.push_back({folder, LeafReading::Unreadable});
      continue;
    }
    folders.push_back(canonical);
    CollectLeaves(canonical == "/" ? std::string() : canonical, 0, leaves);
  }
  std::sort(leaves.begin(), leaves.end(), ByPath{});
  leaves.erase(std::unique(leaves.begin(), leaves.end(),
                           [](const FoundLeaf& a, const FoundLeaf& b) { return a.path == b.path; }),
               leaves.end());

  SearchIndex index;
  // An index that could not be read is made anew.
  const bool indexRebuilt =
      !request.indexPath.empty() && Failed(index.Load(settings, request.indexPath, passphrase));
  bool indexChanged = indexRebuilt;
  // Entries of files under the searched folders that are gone.
  for (auto it = index.entries.begin(); it != index.entries.end();) {
    const bool searched = std::any_of(folders.begin(), folders.end(), [&](const std::string& f) {
      return IsUnder(it->first, f);
    });
    const bool present =
        std::binary_search(leaves.begin(), leaves.end(), FoundLeaf{it->first}, ByPath{});
    if (searched && !present) {
      it = index.entries.erase(it);
      indexChanged = true;
    } else {
      ++it;
    }
  }

  // The leaves gpg has to read: those the index does not hold as they are.
  std::vector<std::size_t> toRead;
  std::uint64_t totalBytes = 0;
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const auto it = index.entries.find(leaves[i].path);
    if (it != index.entries.end() && EntryStillHolds(it->second, leaves[i], request.passphraseGiven)) {
      continue;
    }
    toRead.push_back(i);
    totalBytes += static_cast<std::uint64_t>(leaves[i].size);
  }
  if (progress) progress->SetTotal(totalBytes);

  std::vector<LeafReading> readings(toRead.size(), LeafReading::Unreadable);
  std::vector<LeafContents> read(toRead.size());
  {
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> bytesDone{0};
    unsigned workers = request.processes != 0 ? request.processes : std::thread::hardware_concurrency();
    workers = std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(toRead.size())));
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < workers && !toRead.empty(); ++t) {
      threads.emplace_back([&] {
        for (std::size_t j = next++; j < toRead.size(); j = next++) {
          if (CancelRequested(progress)) return;
          const FoundLeaf& leaf = leaves[toRead[j]];
          readings[j] = ReadLeafContents(settings, leaf.path, passphrase, read[j]);
          bytesDone += static_cast<std::uint64_t>(leaf.size);
          if (progress) progress->SetDone(bytesDone.load());
        }
      });
    }
    for (std::thread& t : threads) t.join();
  }
  if (CancelRequested(progress)) {
    outcome.cancelled = true;
    return outcome;
  }

  const std::vector<std::u32string> words = FoldedWords(request.words);
  // An index that could not be read (the key's passphrase was not given,
  // say) is replaced only once this search could read a leaf: a search that
  // could read nothing must not wipe out what an earlier one kept.
  bool anyLeafRead = false;
  std::size_t nextRead = 0;
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const FoundLeaf& leaf = leaves[i];
    LeafReading reading;
    const LeafContents* contents = nullptr;
    if (nextRead < toRead.size() && toRead[nextRead] == i) {
      const std::size_t j = nextRead++;
      reading = readings[j];
      contents = &read[j];
      anyLeafRead = anyLeafRead || reading == LeafReading::Read;
      IndexEntry entry;
      entry.size = leaf.size;
      entry.mtimeNs = leaf.mtimeNs;
      if (KeepInIndex(reading, read[j], entry)) {
        index.entries[leaf.path] = std::move(entry);
      } else {
        index.entries.erase(leaf.path);
      }
      indexChanged = true;
    } else {
      const IndexEntry& entry = index.entries.at(leaf.path);
      reading = entry.reading;
      contents = &entry.contents;
    }
    if (reading != LeafReading::Read) {
      outcome.skipped.push_back({leaf.path, reading});
      continue;
    }
    SearchHit hit;
    if (MatchLeaf(*contents, words, hit.snippet)) {
      hit.path = leaf.path;
      hit.signerUserId = contents->signerUserId;
      hit.signerFingerprint = contents->signerFingerprint;
      hit.mtimeNs = leaf.mtimeNs;
      outcome.hits.push_back(std::move(hit));
    }
  }
  std::sort(outcome.skipped.begin(), outcome.skipped.end(), ByPath{});

  if (indexRebuilt && !anyLeafRead) indexChanged = false;
  if (indexChanged && !request.indexPath.empty() && !request.ownFingerprint.empty()) {
    index.Save(settings, request.indexPath, request.ownFingerprint);
  }
  return outcome;
}

}  // namespace ambrine
