#include "leaf_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "gpg/status_line.h"
#include "leaf/leaf_reader.h"
#include "leaf/leaf_writer.h"
#include "leaf/line_reader.h"
#include "leaf/secure_wipe.h"

namespace ambrine {

PlainPage::~PlainPage() {
  SecureWipe(document);
  SecureWipe(form);
}
Status PlainPage::SaveDocument(std::string& bytes) {
  bytes = document;
  return kOk;
}
Status PlainPage::CallSaveForm(std::string& text, bool& isString) {
  text = form;
  isString = true;
  return kOk;
}
Status PlainPage::LoadDocument(const std::string& bytes) {
  SecureWipe(document);
  document = bytes;
  return kOk;
}
Status PlainPage::CallRestoreForm(const std::string& text) {
  SecureWipe(form);
  form = text;
  return kOk;
}

Status AttachFile(const GpgSettings& settings, const std::string& path, AttachmentStore& store,
                  ErrorReport& report, std::string& error) {
  if (::access(path.c_str(), R_OK) != 0) {
    error = "cannot read " + path;
    return LastErrorStatus();
  }
  std::string tempPath;
  Fd file;
  Status status = CreateTempAttachmentFile(tempPath, file);
  if (Failed(status)) {
    error = "cannot create a temporary attachment file";
    return status;
  }
  file.reset();
  std::string passphrase;
  status = MakeTempPassphrase(passphrase, 16, report);
  int exitCode = 0;
  if (Succeeded(status)) {
    GpgEngine engine(settings);
    status = engine.EncryptFileSymmetric(path, tempPath, false, nullptr, passphrase.c_str(),
                                         &exitCode);
  }
  if (Failed(status) || exitCode != 0) {
    ::unlink(tempPath.c_str());
    SecureWipe(passphrase);
    error = "gpg could not encrypt " + path;
    return Failed(status) ? status : kFailure;
  }
  store.Append(path.substr(path.rfind('/') + 1), tempPath, passphrase);
  SecureWipe(passphrase);
  return kOk;
}

namespace {

// The signing key's fingerprint: the first secret key listed.
Status OwnFingerprint(const GpgSettings& settings, std::string& fingerprint) {
  GpgEngine engine(settings);
  KeyList keys;
  Status status = engine.ListKeys(true, keys, nullptr, nullptr);
  if (Failed(status)) return status;
  if (keys.empty()) return kFailure;
  fingerprint = SplitKeyEntry(keys.front()).fingerprint;
  return kOk;
}

// The answers both dialogues give: yes to every yes/no question, the asked
// passphrase to a hidden one, and an end of the command channel where no
// answer will come, so gpg fails instead of waiting. False when a hidden
// question went unanswered.
bool AnswerQuestion(StatusKeyword kind, const std::string& prompt, bool refuse,
                    const PassphraseAsker& ask, Fd& command) {
  switch (kind) {
    case StatusKeyword::GetHidden: {
      std::string answer;
      if (refuse || !ask(prompt, answer)) {
        command.reset();
        return false;
      }
      WritePipeString(command.get(), answer);
      WritePipeString(command.get(), "\n");
      SecureWipe(answer);
      return true;
    }
    case StatusKeyword::GetBool:
      WritePipeString(command.get(), "y\n");
      return true;
    case StatusKeyword::GetLine:
      command.reset();
      return true;
    default:
      return true;
  }
}

}  // namespace

Status CreateLeaf(const GpgSettings& settings, const CreateRequest& request, FormPage& page,
                  const AttachmentStore& store, const PassphraseAsker& ask, ErrorReport& report,
                  std::string& error) {
  std::vector<std::string> recipients = request.recipients;
  std::string own;
  Status status = OwnFingerprint(settings, own);
  if (Failed(status)) {
    error = "no secret key to sign with in " + settings.homeFolder;
    return status;
  }
  recipients.push_back(own);

  Fd message, messageChild, command, commandChild, statusRead, statusChild;
  if (Failed(status = CreateOutboundPipe(message, messageChild)) ||
      Failed(status = CreateOutboundPipe(command, commandChild)) ||
      Failed(status = CreateInboundPipe(statusRead, statusChild))) {
    error = "cannot create pipes";
    return status;
  }
  Fd output(::open(request.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!output) {
    error = "cannot create " + request.outputPath;
    return LastErrorStatus();
  }
  GpgEngine engine(settings);
  if (request.symmetric) {
    status = engine.EncryptSymmetric(std::move(messageChild), std::move(output), true,
                                     request.passphrase.c_str(), std::move(statusChild),
                                     std::move(commandChild));
  } else {
    status = engine.Encrypt(recipients, std::move(messageChild), std::move(output), true, nullptr,
                            std::move(statusChild), std::move(commandChild));
  }
  if (Failed(status)) {
    error = "cannot start gpg";
    return status;
  }

  // gpg's questions, until it starts encrypting or signing.
  std::string prompt = "Passphrase";
  std::string line;
  std::size_t consumed = 0;
  bool badPassphrase = false;
  while (Succeeded(ReadPipeLine(statusRead.get(), line, &consumed)) && consumed > 0) {
    StatusLine parsed = ParseStatusLine(line);
    if (parsed.kind == StatusKeyword::BeginEncryption || parsed.kind == StatusKeyword::BeginSigning) break;
    switch (parsed.kind) {
      case StatusKeyword::NeedPassphrase:
        prompt = "Passphrase to unlock the secret key";
        break;
      case StatusKeyword::NeedPassphraseSym:
        prompt = "Passphrase for the symmetric encryption";
        break;
      case StatusKeyword::BadPassphrase:
        badPassphrase = true;
        break;
      default:
        AnswerQuestion(parsed.kind, prompt, badPassphrase, ask, command);
        break;
    }
  }

  status = WriteLeafMessage(message.get(), page, store, settings, report);
  message.reset();
  statusRead.reset();
  command.reset();
  int exitCode = 0;
  Status waited = engine.WaitForExit(&exitCode);
  if (badPassphrase) {
    error = "wrong passphrase for the secret key";
    return kCancelled;
  }
  if (Failed(status)) {
    error = "the leaf message could not be written";
    return status;
  }
  if (Failed(waited) || exitCode != 0) {
    error = "gpg could not sign and encrypt the leaf";
    return Failed(waited) ? waited : kFailure;
  }
  return kOk;
}

Status OpenLeaf(const GpgSettings& settings, const std::string& path, const PassphraseAsker& ask,
                FormPage& page, AttachmentSink& sink, ErrorReport& report, OpenResult& result,
                std::string& error) {
  result = OpenResult();
  Fd input(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!input) {
    error = "cannot open " + path;
    return LastErrorStatus();
  }
  Fd output, outputChild, command, commandChild, statusRead, statusChild;
  Status status;
  if (Failed(status = CreateInboundPipe(output, outputChild)) ||
      Failed(status = CreateOutboundPipe(command, commandChild)) ||
      Failed(status = CreateInboundPipe(statusRead, statusChild))) {
    error = "cannot create pipes";
    return status;
  }
  GpgEngine engine(settings);
  status = engine.Decrypt(std::move(input), std::move(outputChild), true, nullptr,
                          std::move(statusChild), std::move(commandChild));
  if (Failed(status)) {
    error = "cannot start gpg";
    return status;
  }

  // gpg's status lines arrive while the message is read: a second thread
  // answers its questions so neither side can block the other.
  OpenResult status_;
  std::thread dialogue([&] {
    std::string prompt = "Passphrase";
    std::string line;
    std::size_t consumed = 0;
    while (Succeeded(ReadPipeLine(statusRead.get(), line, &consumed)) && consumed > 0) {
      StatusLine parsed = ParseStatusLine(line);
      switch (parsed.kind) {
        case StatusKeyword::NeedPassphrase:
          prompt = "Passphrase to unlock the secret key";
          break;
        case StatusKeyword::NeedPassphraseSym:
          prompt = "Passphrase of the leaf";
          status_.symmetricTried = true;
          break;
        case StatusKeyword::GetHidden:
        case StatusKeyword::GetBool:
        case StatusKeyword::GetLine:
          if (!AnswerQuestion(parsed.kind, prompt, status_.badPassphrase, ask, command)) {
            status_.noPassphrase = !status_.badPassphrase;
          }
          break;
        case StatusKeyword::BadPassphrase:
          status_.badPassphrase = true;
          break;
        case StatusKeyword::DecryptionOkay:
          status_.decrypted = true;
          break;
        case StatusKeyword::GoodSig: {
          std::string_view args = parsed.arguments;
          std::size_t space = args.find(' ');
          Signature signature;
          signature.keyId = std::string(args.substr(0, space));
          if (space != std::string_view::npos) Utf8ToAnsi(args.substr(space + 1), signature.userId);
          status_.signatures.push_back(std::move(signature));
          break;
        }
        default:
          break;
      }
    }
  });

  {
    LineReader lines(output.get());
    LeafReader reader(lines, page, sink, report);
    result.readStatus = reader.ReadLeafMessage();
    // Whatever follows the message (or its unread rest) is drained, so gpg
    // can finish and report its verdict.
    std::string rest;
    std::size_t consumed = 0;
    while (Succeeded(lines.ReadLine(rest, &consumed, 1 << 16)) && consumed > 0) {
    }
  }
  output.reset();
  dialogue.join();
  int exitCode = 0;
  engine.WaitForExit(&exitCode);
  const Status readStatus = result.readStatus;
  result = std::move(status_);
  result.readStatus = readStatus;

  if (result.badPassphrase) {
    error = "wrong passphrase";
    return kCancelled;
  }
  if (result.noPassphrase) {
    error = "a passphrase is needed (use --passphrase-file or a terminal)";
    return kCancelled;
  }
  if (!result.decrypted && result.symmetricTried) {
    // gpg cannot tell a wrong symmetric passphrase from damage.
    error = "wrong passphrase (or the file is damaged)";
    return kFailure;
  }
  if (!result.decrypted) {
    error = "the file cannot be decrypted (not a leaf, no matching secret key, or damaged)";
    return kFailure;
  }
  if (Failed(readStatus)) {
    error = "the leaf message is malformed";
    return readStatus;
  }
  return kOk;
}

}  // namespace ambrine
