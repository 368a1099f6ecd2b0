// Base64 as the leaf uses it: groups of up to three bytes give four
// characters, bodies are cut into lines of 18 groups (72 characters), and a
// reader decodes every four-character group by itself.
#pragma once

#include <cstddef>
#include <string>

namespace ambrine {

constexpr std::size_t kBase64GroupsPerLine = 18;
constexpr std::size_t kBase64LineBytes = 3 * kBase64GroupsPerLine;  // 54
constexpr std::size_t kBase64LineChars = 4 * kBase64GroupsPerLine;  // 72

// Encodes `count` (1 to 3) bytes into four characters followed by a zero;
// returns 4.
int EncodeBase64Group(const unsigned char* bytes, int count, char* output);

// Decodes four characters into 1 to 3 bytes and stores a zero byte after
// them; returns the count. Characters outside the alphabet count as 255;
// a "=" in the third position gives one byte, in the fourth two.
int DecodeBase64Quad(const char* quad, unsigned char* output);

// Encodes a body in bulk with the same output as group by group: full
// groups, CR LF after every 18th, and only the last group short. Bytes that
// do not fill a group wait for the next Add, so any chunking of the content
// gives the same text.
class Base64LineEncoder {
 public:
  // Appends the encoded text of `bytes` to `out`.
  void Add(const unsigned char* bytes, std::size_t count, std::string& out);
  // Encodes the waiting bytes as the last group and ends a non-empty line.
  void Finish(std::string& out);

 private:
  void AddGroup(const unsigned char* group, int count, std::string& out);

  unsigned char waiting_[3] = {};
  int waitingCount_ = 0;
  std::size_t groupsOnLine_ = 0;
};

// Decodes body lines: characters are collected across lines and every four
// of them are decoded with DecodeBase64Quad. Zero to three characters may be
// left waiting when the body ends; they are dropped.
class Base64QuadDecoder {
 public:
  // Decodes what `text` completes and appends the bytes to `out`. With
  // `stopAtZero` only the bytes of each group before its first zero byte
  // are kept.
  void Add(const char* text, std::size_t count, std::string& out,
           bool stopAtZero = false);
  void Reset() { pendingCount_ = 0; }

 private:
  char pending_[4] = {};
  int pendingCount_ = 0;
};

}  // namespace ambrine
