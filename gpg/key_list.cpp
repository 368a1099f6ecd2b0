#include "gpg/key_list.h"

#include <algorithm>
#include <climits>

namespace ambrine {

namespace {

int ColonInt(std::string_view field) {
  return static_cast<int>(std::min<std::int64_t>(ColonNumber(field), INT_MAX));
}

}  // namespace

KeyEntry SplitKeyEntry(std::string_view entry) {
  const auto colon = entry.find(':');
  if (colon == std::string_view::npos) return {std::string(entry), std::string(entry)};
  return {std::string(entry.substr(0, colon)), std::string(entry.substr(colon + 1))};
}

std::string FormatFingerprint(std::string_view fingerprint) {
  std::string out;
  out.reserve(fingerprint.size() + fingerprint.size() / 4);
  for (std::size_t i = 0; i < fingerprint.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    out += fingerprint[i];
  }
  return out;
}

std::string StripSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

std::string_view ColonField(std::string_view line, int n) {
  std::size_t start = 0;
  for (int i = 1; i < n; ++i) {
    const auto colon = line.find(':', start);
    if (colon == std::string_view::npos) return {};
    start = colon + 1;
  }
  const auto end = line.find(':', start);
  return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

void KeyListParser::AddLine(std::string_view line) {
  const std::string_view type = line.substr(0, 3);
  if (blockType_ == "pub" || blockType_ == "sec") {
    // Only the uid and fpr records right after a primary key belong to it;
    // any other record (a subkey, say) ends the block.
    if (type == "uid") {
      userId_ = ColonField(line, 10);
      return;
    }
    if (type == "fpr") {
      fingerprint_ = ColonField(line, 10);
      return;
    }
  }
  CloseEntry();
  blockType_ = type;
  if (!facts_) return;
  if (type == "pub" || type == "sec") {
    entryOpen_ = false;
    pendingFacts_ = {};
    pendingFacts_.bits = ColonInt(ColonField(line, 3));
    pendingFacts_.algorithm = ColonInt(ColonField(line, 4));
    pendingFacts_.created = ColonNumber(ColonField(line, 6));
  } else if ((type == "sub" || type == "ssb") && entryOpen_ &&
             facts_->back().subkeyAlgorithm == 0) {
    facts_->back().subkeyBits = ColonInt(ColonField(line, 3));
    facts_->back().subkeyAlgorithm = ColonInt(ColonField(line, 4));
  }
}

void KeyListParser::Finish() { CloseEntry(); }

void KeyListParser::CloseEntry() {
  if (!fingerprint_.empty()) {
    out_.push_back(userId_ + ":" + fingerprint_);
    if (facts_) {
      facts_->push_back(pendingFacts_);
      entryOpen_ = true;
    }
  }
  // A block without a fingerprint gives no entry, and its user id must not
  // be paired with the next key's fingerprint.
  userId_.clear();
  fingerprint_.clear();
}

}  // namespace ambrine
