// The tool's exit statuses and the messages that go with them on standard
// error, each line starting "ambrine-leaf: ".
#pragma once

#include <string>

namespace ambrine {

constexpr int kExitSuccess = 0;
// The leaf cannot be read, decrypted or written; search found nothing.
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Prints MESSAGE and the hint to --help; returns kExitUsage.
int Usage(const std::string& message);

// Prints the tool's MESSAGE, then gpg's line for the failure when there is
// one; returns kExitFailure.
int Fail(const std::string& message, const std::string& gpgLine = std::string());

}  // namespace ambrine
