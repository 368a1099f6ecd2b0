// Key listing and key maintenance.
#include "gpg/gpg_engine.h"

#include <cstring>

#include "gpg/pipe_io.h"

namespace ambrine {

namespace {

// Runs gpg to its end; a non-zero exit code, whatever the reason, is kFailure.
Result RunToEnd(GpgEngine& engine, const std::vector<std::string>& arguments,
                const char* passphrase) {
  if (Result s = engine.Run(arguments, passphrase, Fd(), Fd()); Failed(s)) return s;
  return engine.Finish().status;
}

// Writes "<name><value>\r\n" when the value is given.
Result WriteParameter(int fd, std::string_view name, const char* value) {
  if (!value) return kOk;
  if (Result s = WritePipeString(fd, name); Failed(s)) return s;
  if (Result s = WritePipeString(fd, value); Failed(s)) return s;
  return WritePipeString(fd, "\r\n");
}

bool HasLineBreak(const char* value) { return value && std::strpbrk(value, "\r\n"); }

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

bool IsKeyGenPassphrase(std::string_view passphrase) {
  if (passphrase.find_first_of("\r\n") != std::string_view::npos) return false;
  return passphrase.empty() || (!IsBlank(passphrase.front()) && !IsBlank(passphrase.back()));
}

Result GpgEngine::ListKeys(bool secret, KeyList& keyList,
                           const std::vector<std::string>* extraArguments,
                           const char* passphrase, KeyFactsList* facts) {
  std::vector<std::string> arguments{"--fixed-list-mode", "--with-colons", "--with-fingerprint",
                                     secret ? "--list-secret-keys" : "--list-keys"};
  if (extraArguments) arguments.insert(arguments.end(), extraArguments->begin(), extraArguments->end());

  Fd listing;
  Fd childEnd;
  if (Result s = CreateInboundPipe(listing, childEnd); Failed(s)) return s;
  SetChildOutput(std::move(childEnd));
  if (Result s = Run(arguments, passphrase, Fd(), Fd()); Failed(s)) return s;

  keyList.clear();
  if (facts) facts->clear();
  KeyListParser parser(keyList, facts);
  std::string line;
  for (;;) {
    std::size_t consumed = 0;
    // A read failure ends the listing like the end of data does.
    if (Failed(ReadPipeLine(listing.get(), line, &consumed)) || consumed == 0) break;
    parser.AddLine(line);
  }
  parser.Finish();
  listing.reset();
  const GpgRunOutcome ended = Finish();
  return ended.refusedByGpg() ? kOk : ended.status;
}

Result GpgEngine::GenerateKey(KeyGenRequest request) {
  for (const char* value : {request.name, request.email, request.comment,
                            request.secretKeyring.c_str(), request.publicKeyring.c_str()}) {
    if (HasLineBreak(value)) return kInvalidData;
  }
  if (request.passphrase && !IsKeyGenPassphrase(request.passphrase)) return kInvalidData;

  Fd parameters;
  Fd childEnd;
  if (Result s = CreateOutboundPipe(parameters, childEnd); Failed(s)) return s;
  SetChildInput(std::move(childEnd));
  if (Result s = Run({"--batch", "--gen-key"}, request.passphrase, std::move(request.statusFd),
                     std::move(request.commandFd));
      Failed(s))
    return s;

  // Written piece by piece straight from the request: no copy of the
  // passphrase is made. The text is small enough for the pipe's buffer.
  const int fd = parameters.get();
  const char* const keyHead =
      request.type == KeyGenType::Rsa3072
          ? "Key-Type: RSA\r\nKey-Length: 3072\r\nKey-Usage: sign\r\n"
            "Subkey-Type: RSA\r\nSubkey-Length: 3072\r\nSubkey-Usage: encrypt\r\n"
          : "Key-Type: DSA\r\nKey-Length: 1024\r\nSubkey-Type: ELG-E\r\nSubkey-Length: 2048\r\n";
  if (Result s = WritePipeString(fd, keyHead); Failed(s)) return s;
  if (Result s = WriteParameter(fd, "Name-Real: ", request.name); Failed(s)) return s;
  if (Result s = WriteParameter(fd, "Name-Email: ", request.email); Failed(s)) return s;
  if (Result s = WriteParameter(fd, "Name-Comment: ", request.comment); Failed(s)) return s;
  if (Result s = WritePipeString(fd, "Expire-Date: 0\r\n"); Failed(s)) return s;
  if (Result s = WriteParameter(fd, "Passphrase: ", request.passphrase); Failed(s)) return s;
  if (Result s = WriteParameter(fd, "%secring ", request.secretKeyring.c_str()); Failed(s)) return s;
  if (Result s = WriteParameter(fd, "%pubring ", request.publicKeyring.c_str()); Failed(s)) return s;
  if (Result s = WritePipeString(fd, "%commit\r\n"); Failed(s)) return s;
  return kOk;  // closing `parameters` ends gpg's input
}

// "--" ends gpg's options, so a path or key that begins with '-' is taken
// as a name and never as an option.
Result GpgEngine::ImportKeys(const std::string& path, const char* passphrase) {
  return RunToEnd(*this, {"--batch", "--yes", "--import", "--", path}, passphrase);
}

Result GpgEngine::ExportKey(const std::string& key, const std::string& outputPath,
                            const char* passphrase, bool armor) {
  std::vector<std::string> arguments{"--batch", "--yes"};
  if (armor) arguments.push_back("--armor");
  arguments.insert(arguments.end(), {"--export", "-o", outputPath, "--", key});
  return RunToEnd(*this, arguments, passphrase);
}

Result GpgEngine::DeleteKey(const std::string& key, const char* passphrase) {
  return RunToEnd(*this, {"--batch", "--yes", "--delete-key", "--", key}, passphrase);
}

}  // namespace ambrine
