// Runs gpg as a child process connected through pipes. One engine runs one
// gpg process: build it from the settings, run one operation, wait, drop it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/fd.h"
#include "gpg/error_tail.h"
#include "gpg/gpg_run_outcome.h"
#include "gpg/gpg_settings.h"
#include "gpg/key_list.h"
#include "base/result.h"

namespace ambrine {

// The key pairs GenerateKey makes: a DSA 1024 primary key with an ElGamal
// 2048 encryption subkey, or an RSA 3072 signing key with an RSA 3072
// encryption subkey.
enum class KeyGenType { DsaElGamal, Rsa3072 };

// Parameters of GenerateKey. A null pointer leaves the line out; an empty
// text writes an empty value. A passphrase protects the new secret key; it
// goes to gpg only through pipes.
struct KeyGenRequest {
  KeyGenType type = KeyGenType::DsaElGamal;
  std::string secretKeyring;
  std::string publicKeyring;
  const char* name = nullptr;
  const char* email = nullptr;
  const char* comment = nullptr;
  const char* passphrase = nullptr;
  Fd statusFd;   // child end for gpg's status lines, or none
  Fd commandFd;  // child end for gpg's commands, or none
};

// True when gpg's key generation parameters can carry `passphrase` as it
// is: gpg reads them a line at a time and trims the blanks around each
// value, so a line break or a blank (space, tab, ...) at either end would
// give the key another passphrase than the one the user will type.
bool IsKeyGenPassphrase(std::string_view passphrase);

class GpgEngine {
 public:
  GpgEngine(std::string gpgPath, std::string homeFolder,
            std::vector<std::string> secretKeyrings,
            std::vector<std::string> publicKeyrings);
  explicit GpgEngine(const GpgSettings& settings);
  virtual ~GpgEngine();  // stops and reaps a process that was never waited for

  GpgEngine(const GpgEngine&) = delete;
  GpgEngine& operator=(const GpgEngine&) = delete;

  // Child ends used as gpg's standard input, output and error by the next
  // Run; none means the null device. Run closes them in every case.
  void SetChildInput(Fd fd) { childInput_ = std::move(fd); }
  void SetChildOutput(Fd fd) { childOutput_ = std::move(fd); }
  void SetChildError(Fd fd) { childError_ = std::move(fd); }

  // From the next Run on, gpg's standard error (when no SetChildError gives
  // it a place) goes to a pipe the engine reads while gpg runs, keeping its
  // last 4 KiB. Without this it goes to the null device.
  void CaptureErrors() { captureErrors_ = true; }
  // After the wait: the end of what gpg wrote on its standard error (empty
  // when errors were not captured or gpg has not been waited for).
  const ErrorTail& errorTail() const { return errorReader_.tail(); }

  // Starts gpg with the fixed options, the key rings, the descriptor options
  // and `arguments` (each element one argv entry). A non-null passphrase is
  // written to gpg through a pipe of its own. Returns without waiting.
  Result Run(const std::vector<std::string>& arguments, const char* passphrase,
             Fd statusFd, Fd commandFd);

  // Ends the run Run started: waits for gpg, counts a non-zero exit code as
  // kFailure and keeps gpg's line for the failure (see GpgRunOutcome).
  // Every operation ends its gpg this way; called without a process, it
  // gives kUnexpected.
  GpgRunOutcome Finish();

  // The bare wait under Finish: waits for the process started by Run and
  // stores gpg's exit code (a process ended by a signal counts as 128 + the
  // signal number) without judging it. A failed wait gives its reason.
  Result WaitForExit(int* exitCode);

  // From now on the wait looks in every 20 ms and calls `keepWaiting`;
  // once it returns false gpg is stopped (SIGKILL), reaped, and the wait
  // returns kCancelled. For waits the user may cut short.
  void SetWaitHook(std::function<bool()> keepWaiting) { keepWaiting_ = std::move(keepWaiting); }

  // The argv that Run uses, with the descriptor numbers the child sees.
  std::vector<std::string> BuildArgv(const std::vector<std::string>& arguments,
                                     bool hasPassphrase, bool hasCommand,
                                     bool hasStatus) const;
  // The argv as one line for logs and tests; entries that need it are quoted.
  static std::string RenderArgv(const std::vector<std::string>& argv);

  pid_t pid() const { return pid_; }

  // The symmetric encryptions that follow store the data without
  // compressing it: for private working copies, where packing the bytes
  // costs more time than the disk space it saves is worth.
  void StoreUncompressed() { uncompressed_ = true; }

  // Stream operations: start gpg and return; the caller moves the data,
  // drives the status dialogue and calls Finish.
  Result Encrypt(const std::vector<std::string>& recipients, Fd input, Fd output,
                 bool sign, const char* passphrase, Fd statusFd, Fd commandFd);
  Result EncryptSymmetric(Fd input, Fd output, bool sign, const char* passphrase,
                          Fd statusFd, Fd commandFd);
  Result Decrypt(Fd input, Fd output, bool verify, const char* passphrase,
                 Fd statusFd, Fd commandFd);

  // File operations: run gpg to the end and give how it ended (a failure
  // to start or to talk to gpg included).
  GpgRunOutcome EncryptFileSymmetric(const std::string& inputPath,
                                     const std::string& outputPath, bool sign,
                                     const char* keyPassphrase,
                                     const char* symmetricPassphrase);
  GpgRunOutcome DecryptFile(const std::string& inputPath, const std::string& outputPath,
                            bool verify, const char* passphrase);

  // Key listing: entries "user id:fingerprint" in gpg's order. With
  // `facts`, it is refilled along with `keyList`, one KeyFacts per entry.
  // The listing counts whatever gpg's exit code: gpg1 exits with 2 when one
  // of the rings it was given cannot be read, and still lists the others'
  // keys. Only a failure to start or to wait for gpg fails.
  Result ListKeys(bool secret, KeyList& keyList,
                  const std::vector<std::string>* extraArguments,
                  const char* passphrase, KeyFactsList* facts = nullptr);

  // Key maintenance (ExportKey with `armor` writes ASCII armour, for
  // e-mail). GenerateKey returns once the parameters are written; it
  // starts nothing and returns kInvalidData when a text would break the
  // parameter lines (a line break in any, a passphrase IsKeyGenPassphrase
  // refuses);
  // the caller reads the status pipe to its end and calls Finish. The
  // others end with Finish and give its status.
  Result GenerateKey(KeyGenRequest request);
  Result ImportKeys(const std::string& path, const char* passphrase);
  Result ExportKey(const std::string& key, const std::string& outputPath,
                   const char* passphrase, bool armor = false);
  Result DeleteKey(const std::string& key, const char* passphrase);

 private:
  // Run with `input` and `output` as gpg's standard input and output.
  Result RunStream(const std::vector<std::string>& arguments, Fd input, Fd output,
                   const char* passphrase, Fd statusFd, Fd commandFd);
  // The options of a symmetric encryption before its mode: no compression
  // after StoreUncompressed, and signing when `sign`.
  std::vector<std::string> SymmetricOptions(bool sign) const;

  pid_t pid_ = -1;
  bool captureErrors_ = false;
  bool uncompressed_ = false;
  std::function<bool()> keepWaiting_;
  ErrorTailReader errorReader_;
  Fd childInput_;
  Fd childOutput_;
  Fd childError_;
  std::string gpgPath_;
  std::string homeFolder_;
  std::vector<std::string> secretKeyrings_;
  std::vector<std::string> publicKeyrings_;
};

}  // namespace ambrine
