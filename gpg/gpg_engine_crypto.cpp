// Encryption and decryption, on streams and on files.
#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "gpg/symmetric_conversation.h"

namespace ambrine {

Result GpgEngine::RunStream(const std::vector<std::string>& arguments, Fd input, Fd output,
                            const char* passphrase, Fd statusFd, Fd commandFd) {
  SetChildInput(std::move(input));
  SetChildOutput(std::move(output));
  return Run(arguments, passphrase, std::move(statusFd), std::move(commandFd));
}

Result GpgEngine::Encrypt(const std::vector<std::string>& recipients, Fd input, Fd output,
                          bool sign, const char* passphrase, Fd statusFd, Fd commandFd) {
  std::vector<std::string> arguments;
  for (const auto& recipient : recipients) {
    arguments.push_back("-r");
    arguments.push_back(recipient);
  }
  if (sign) arguments.push_back("--sign");
  arguments.push_back("--encrypt");
  return RunStream(arguments, std::move(input), std::move(output), passphrase,
                   std::move(statusFd), std::move(commandFd));
}

std::vector<std::string> GpgEngine::SymmetricOptions(bool sign) const {
  std::vector<std::string> options;
  if (uncompressed_) options.insert(options.end(), {"-z", "0"});
  if (sign) options.push_back("--sign");
  return options;
}

Result GpgEngine::EncryptSymmetric(Fd input, Fd output, bool sign, const char* passphrase,
                                   Fd statusFd, Fd commandFd) {
  std::vector<std::string> arguments = SymmetricOptions(sign);
  arguments.push_back("--symmetric");
  return RunStream(arguments, std::move(input), std::move(output), passphrase,
                   std::move(statusFd), std::move(commandFd));
}

Result GpgEngine::Decrypt(Fd input, Fd output, bool verify, const char* passphrase,
                          Fd statusFd, Fd commandFd) {
  std::vector<std::string> arguments;
  if (!verify) arguments.push_back("--skip-verify");
  arguments.push_back("--decrypt");
  return RunStream(arguments, std::move(input), std::move(output), passphrase,
                   std::move(statusFd), std::move(commandFd));
}

// "--" before an input path keeps a name beginning with '-' from being read
// as an option; the value after -o is taken as it is.
namespace {

// The outcome of a run that ended before gpg could be waited for.
GpgRunOutcome NotWaitedFor(Result s) {
  GpgRunOutcome outcome;
  outcome.status = s;
  return outcome;
}

}  // namespace

GpgRunOutcome GpgEngine::EncryptFileSymmetric(const std::string& inputPath,
                                              const std::string& outputPath, bool sign,
                                              const char* keyPassphrase,
                                              const char* symmetricPassphrase) {
  if (!symmetricPassphrase) return NotWaitedFor(kUnexpected);
  std::vector<std::string> arguments = SymmetricOptions(sign);
  arguments.insert(arguments.end(), {"-o", outputPath, "--symmetric", "--", inputPath});

  Fd command;
  Fd commandChild;
  if (Result s = CreateOutboundPipe(command, commandChild); Failed(s)) return NotWaitedFor(s);
  Fd status;
  Fd statusChild;
  if (Result s = CreateInboundPipe(status, statusChild); Failed(s)) return NotWaitedFor(s);
  // gpg1 uses a passphrase from --passphrase-fd for every passphrase it
  // needs, the signing key's included. With a key passphrase of its own the
  // symmetric one is therefore given only through the dialogue.
  const bool keyNeedsOwnPassphrase = sign && keyPassphrase;
  const char* throughFd = keyNeedsOwnPassphrase ? nullptr : symmetricPassphrase;
  if (Result s = Run(arguments, throughFd, std::move(statusChild),
                     std::move(commandChild));
      Failed(s))
    return NotWaitedFor(s);

  SymmetricConversation conversation(keyPassphrase, symmetricPassphrase);
  // After a failed read the process is not waited for here; the engine's
  // destructor stops it.
  if (Result s = conversation.Run(status, command); Failed(s)) return NotWaitedFor(s);
  return Finish();
}

GpgRunOutcome GpgEngine::DecryptFile(const std::string& inputPath,
                                     const std::string& outputPath, bool verify,
                                     const char* passphrase) {
  std::vector<std::string> arguments;
  if (!verify) arguments.push_back("--skip-verify");
  arguments.insert(arguments.end(),
                   {"-o", outputPath, "--batch", "--yes", "--decrypt", "--", inputPath});
  if (Result s = Run(arguments, passphrase, Fd(), Fd()); Failed(s)) return NotWaitedFor(s);
  return Finish();
}

}  // namespace ambrine
