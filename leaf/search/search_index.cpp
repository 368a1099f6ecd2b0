#include "leaf/search/search_index.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <map>
#include <vector>

#include "base/replacement_file.h"
#include "base/secure_wipe.h"
#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "leaf/wiped_bytes.h"

namespace ambrine {

namespace {

constexpr std::string_view kHeader = "ambrine-search-index 1\n";
// No index holds more entries or names than this, nor more bytes; a larger
// one is not an index of ours.
constexpr std::uint64_t kMaxCount = 10'000'000;
constexpr std::size_t kMaxIndexBytes = std::size_t{1} << 30;

void PutField(std::string& out, std::string_view field) {
  out += std::to_string(field.size());
  out.push_back(':');
  out.append(field);
  out.push_back('\n');
}

void PutNumber(std::string& out, std::int64_t n) { PutField(out, std::to_string(n)); }

// Reads the "length:bytes\n" fields PutField writes.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  bool Field(std::string_view& field) {
    const std::size_t colon = text_.find(':', at_);
    if (colon == std::string_view::npos || colon == at_ || colon - at_ > 20) return false;
    std::uint64_t length = 0;
    const auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + colon, length);
    if (error != std::errc() || end != text_.data() + colon) return false;
    if (length > text_.size() - colon - 1 || text_.size() - colon - 1 - length < 1) return false;
    field = text_.substr(colon + 1, length);
    at_ = colon + 1 + length;
    if (text_[at_] != '\n') return false;
    ++at_;
    return true;
  }

  bool Text(std::string& out) {
    std::string_view field;
    if (!Field(field)) return false;
    out.assign(field);
    return true;
  }

  bool Number(std::int64_t& n) {
    std::string_view field;
    if (!Field(field) || field.empty()) return false;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), n);
    return error == std::errc() && end == field.data() + field.size();
  }

  bool AtEnd() const { return at_ == text_.size(); }
  void Skip(std::size_t n) { at_ += n; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::string SearchIndex::PathIn(const std::string& confFolder) {
  std::string path = confFolder;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path + "search-index";
}

std::string SearchIndex::Serialize() const {
  // Leaves made with one form share its page text: each text is written
  // once, and the entries name it by number.
  std::map<std::string_view, std::int64_t> pageNumbers;
  std::vector<std::string_view> pages;
  const LeafContents empty;
  auto kept = [&](const IndexEntry& entry) -> const LeafContents& {
    const bool keep = entry.reading == LeafReading::Read && !entry.contents.passphraseLeaf;
    return keep ? entry.contents : empty;
  };
  for (const auto& [path, entry] : entries) {
    const std::string& page = kept(entry).documentText;
    if (pageNumbers.emplace(page, static_cast<std::int64_t>(pages.size())).second) {
      pages.push_back(page);
    }
  }
  // Room for the whole text at once: a buffer that grew would leave copies
  // of the plaintext behind in freed memory. Besides its text a field
  // takes at most 24 bytes (a number's field: its up to 20 characters, two
  // for their length, the colon and the line break).
  constexpr std::size_t kFieldOverhead = 24;
  std::size_t bound = kHeader.size() + 2 * kFieldOverhead;
  for (std::string_view page : pages) bound += page.size() + kFieldOverhead;
  for (const auto& [path, entry] : entries) {
    const LeafContents& c = kept(entry);
    bound += path.size() + c.signerUserId.size() + c.signerFingerprint.size() +
             c.formText.size() + 9 * kFieldOverhead;
    for (const std::string& name : c.attachmentNames) bound += name.size() + kFieldOverhead;
  }
  std::string out;
  out.reserve(bound);
  out.append(kHeader);
  PutNumber(out, static_cast<std::int64_t>(pages.size()));
  for (std::string_view page : pages) PutField(out, page);
  PutNumber(out, static_cast<std::int64_t>(entries.size()));
  for (const auto& [path, entry] : entries) {
    const LeafContents& c = kept(entry);
    PutField(out, path);
    PutNumber(out, entry.size);
    PutNumber(out, entry.mtimeNs);
    PutNumber(out, static_cast<std::int64_t>(entry.reading));
    PutField(out, c.signerUserId);
    PutField(out, c.signerFingerprint);
    PutField(out, c.formText);
    PutNumber(out, pageNumbers.at(c.documentText));
    PutNumber(out, static_cast<std::int64_t>(c.attachmentNames.size()));
    for (const std::string& name : c.attachmentNames) PutField(out, name);
  }
  return out;
}

bool SearchIndex::Parse(std::string_view text) {
  entries.clear();
  if (text.substr(0, kHeader.size()) != kHeader) return false;
  FieldReader in(text);
  in.Skip(kHeader.size());
  std::vector<std::string_view> pages;
  std::int64_t count = 0;
  if (!in.Number(count) || count < 0 || static_cast<std::uint64_t>(count) > kMaxCount) return false;
  pages.resize(static_cast<std::size_t>(count));
  for (std::string_view& page : pages) {
    if (!in.Field(page)) return false;
  }
  if (!in.Number(count) || count < 0 || static_cast<std::uint64_t>(count) > kMaxCount) return false;
  for (std::int64_t i = 0; i < count; ++i) {
    std::string path;
    IndexEntry entry;
    std::int64_t reading = 0, page = 0, names = 0;
    LeafContents& c = entry.contents;
    if (!in.Text(path) || !in.Number(entry.size) || !in.Number(entry.mtimeNs) ||
        !in.Number(reading) || reading < 0 || reading > static_cast<int>(LeafReading::Broken) ||
        !in.Text(c.signerUserId) || !in.Text(c.signerFingerprint) || !in.Text(c.formText) ||
        !in.Number(page) || page < 0 || static_cast<std::uint64_t>(page) >= pages.size() ||
        !in.Number(names) || names < 0 || static_cast<std::uint64_t>(names) > kMaxCount) {
      entries.clear();
      return false;
    }
    entry.reading = static_cast<LeafReading>(reading);
    c.documentText.assign(pages[static_cast<std::size_t>(page)]);
    c.attachmentNames.resize(static_cast<std::size_t>(names));
    for (std::string& name : c.attachmentNames) {
      if (!in.Text(name)) {
        entries.clear();
        return false;
      }
    }
    entries[path] = std::move(entry);
  }
  if (!in.AtEnd()) {
    entries.clear();
    return false;
  }
  return true;
}

Result SearchIndex::Load(const GpgSettings& settings, const std::string& indexPath,
                         const std::string* passphrase) {
  entries.clear();
  const int raw = ::open(indexPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (raw < 0) return errno == ENOENT ? kOk : LastErrorResult();
  Fd input(raw);
  Fd output, outputChild;
  Result s = CreateInboundPipe(output, outputChild);
  if (Failed(s)) return s;
  WidenPipe(output.get());
  GpgEngine engine(settings);
  s = engine.Decrypt(std::move(input), std::move(outputChild), false,
                     passphrase ? passphrase->c_str() : nullptr, Fd(), Fd());
  if (Failed(s)) return s;
  WipedBytes plain;
  const PipeReadEnd end = ReadPipeInto(output.get(), plain, kMaxIndexBytes);
  output.reset();
  // A read that stopped early stops gpg too.
  if (end != PipeReadEnd::Whole) engine.SetWaitHook([] { return false; });
  const bool decrypted = engine.Finish().succeeded();
  if (end != PipeReadEnd::Whole || !decrypted || !Parse(plain.view())) {
    entries.clear();
    return kInvalidData;
  }
  return kOk;
}

Result SearchIndex::Save(const GpgSettings& settings, const std::string& indexPath,
                         const std::string& ownFingerprint) const {
  if (ownFingerprint.empty()) return kFailure;
  ReplacementFile file;
  Result s = file.Create(indexPath);
  if (Failed(s)) return s;
  Fd input, inputChild;
  s = CreateOutboundPipe(input, inputChild);
  if (Failed(s)) return s;
  WidenPipe(input.get());
  GpgEngine engine(settings);
  s = engine.Encrypt({ownFingerprint}, std::move(inputChild), file.TakeFd(), false, nullptr, Fd(),
                     Fd());
  if (Failed(s)) return s;
  std::string plain = Serialize();
  const WipeOnExit wipe(plain);
  const Result written = WritePipeBytes(input.get(), plain.data(), plain.size());
  input.reset();
  const GpgRunOutcome ended = engine.Finish();
  if (Failed(written)) return written;
  if (!ended.succeeded()) return ended.status;
  return file.Commit();
}

}  // namespace ambrine
