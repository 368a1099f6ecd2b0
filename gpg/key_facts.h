// What the key listing tells about a key besides its user id and
// fingerprint: the public-key algorithms and sizes of the primary key and
// its first subkey, and when the key was made. Kept beside a KeyList, entry
// for entry, so callers that only want "user id:fingerprint" see no change.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ambrine {

struct KeyFacts {
  int algorithm = 0;         // OpenPGP public-key algorithm id (1 RSA, 17 DSA, ...); 0 unknown
  int bits = 0;              // size of the primary key; 0 unknown
  std::int64_t created = 0;  // seconds since the epoch; 0 unknown
  int subkeyAlgorithm = 0;   // of the first subkey; 0 without one
  int subkeyBits = 0;
};

using KeyFactsList = std::vector<KeyFacts>;

// The algorithm's usual name: "RSA", "DSA", "ElGamal", "ECDH", "ECDSA",
// "EdDSA"; "#<id>" for one without a name here, "" for 0.
std::string AlgorithmName(int algorithm);

// "DSA/ElGamal" when the subkey's algorithm has another name than the
// primary key's, else the primary key's alone ("RSA" for RSA with an RSA
// subkey).
std::string KeyTypeText(const KeyFacts& facts);

// "3072" for the primary key's bits; "1024/2048" when the subkey's differ.
// "" when gpg gave no size.
std::string KeySizeText(const KeyFacts& facts);

// The creation day in UTC as YYYY-MM-DD (as gpg prints dates); "" when
// unknown.
std::string KeyDateText(const KeyFacts& facts);

// A non-negative decimal number of a colon field; 0 for an empty field,
// one that is not all digits, or one too large to hold.
std::int64_t ColonNumber(std::string_view field);

}  // namespace ambrine
