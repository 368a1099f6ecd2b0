// Names and texts for the facts of a listed key.
#include "gpg/key_facts.h"

#include <time.h>

#include <cstdio>
#include <limits>

namespace ambrine {

std::string AlgorithmName(int algorithm) {
  switch (algorithm) {
    case 0:
      return "";
    case 1:  // RSA
    case 2:  // RSA, encrypt only
    case 3:  // RSA, sign only
      return "RSA";
    case 16:  // ElGamal, encrypt only
    case 20:  // ElGamal, sign and encrypt (old keys)
      return "ElGamal";
    case 17:
      return "DSA";
    case 18:
      return "ECDH";
    case 19:
      return "ECDSA";
    case 22:
      return "EdDSA";
    default:
      return "#" + std::to_string(algorithm);
  }
}

std::string KeyTypeText(const KeyFacts& facts) {
  const std::string primary = AlgorithmName(facts.algorithm);
  const std::string subkey = AlgorithmName(facts.subkeyAlgorithm);
  if (subkey.empty() || subkey == primary) return primary;
  return primary + "/" + subkey;
}

std::string KeySizeText(const KeyFacts& facts) {
  if (facts.bits <= 0) return "";
  std::string text = std::to_string(facts.bits);
  if (facts.subkeyBits > 0 && facts.subkeyBits != facts.bits)
    text += "/" + std::to_string(facts.subkeyBits);
  return text;
}

std::string KeyDateText(const KeyFacts& facts) {
  if (facts.created <= 0) return "";
  const auto seconds = static_cast<time_t>(facts.created);
  struct tm day {};
  if (!::gmtime_r(&seconds, &day)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.tm_year + 1900, day.tm_mon + 1,
                day.tm_mday);
  return text;
}

std::int64_t ColonNumber(std::string_view field) {
  std::int64_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
    const int digit = c - '0';
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace ambrine
