// ambrine-leaf: shows, extracts and creates leaf files from the command line,
// with the same gpg, key rings and message code as the window.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/core_dumps.h"
#include "base/network_sockets.h"
#include "base/replacement_file.h"
#include "base/secure_wipe.h"
#include "base/whole_file.h"
#include "gpg/error_tail.h"
#include "gpg/own_key.h"
#include "gpg/pipe_io.h"
#include "gpg/status_line.h"
#include "leaf/attachment_files.h"
#include "leaf/attachment_sink.h"
#include "leaf/deferred_report.h"
#include "leaf/leaf_file.h"
#include "leaf/open_verdict.h"
#include "leaf/plain_form_page.h"
#include "leaf/tool/search_command.h"
#include "leaf/tool/sha256.h"
#include "leaf/tool/terminal_progress.h"
#include "leaf/tool/terminal_questions.h"
#include "leaf/tool/tool_io.h"
#include "leaf/tool/tool_settings.h"

namespace ambrine {
namespace {

constexpr const char* kHelp = R"(Usage:
  ambrine-leaf show    [OPTIONS] LEAF
  ambrine-leaf extract [OPTIONS] LEAF (--document OUT | --form OUT | --attachment INDEX OUT)
  ambrine-leaf create  [--homedir DIR] (--recipient FPR ... | --symmetric --passphrase-file FILE)
                       --document PAGE.html [--form FILE] [--attach FILE ...] -o LEAF
  ambrine-leaf search  [--homedir DIR] [--passphrase-file FILE] WORD... -- FOLDER...

show      decrypts and verifies LEAF and prints one JSON object:
          {"decrypted": true, "signatures": [{"keyid": "...", "uid": "...",
             "fingerprint": "...", "own": false}], "unknown_signers": [{"keyid": "..."}],
           "document": {"bytes": N, "sha256": "..."}, "form": "...",
           "attachments": [{"index": 0, "name": "...", "bytes": N, "sha256": "..."}]}
          "signatures" are the good ones: "fingerprint" is the signer's primary
          key ("" when gpg did not name it), "own" tells the first secret key's;
          "unknown_signers" signed with a key whose public key is missing.
extract   writes the saved page, the form text or one attachment to OUT.
create    writes a leaf as the window's save does: signed with the first secret
          key, encrypted to the recipients plus that key, or with the passphrase
          (--symmetric). Attachments first go through temporary files as the
          window's attachFile does.
search    finds the *.gpg leaves under the FOLDERs (and their subfolders) that
          hold every WORD in their form values, page text or attachment names,
          ignoring letter case and compatibility forms such as full-width and
          half-width (NFKC with case folding). Prints one
          JSON object per leaf found, one per line:
          {"path": "...", "signer": {"uid": "...", "fingerprint": "..."} or null,
           "modified": "2026-01-31T09:00:00Z", "snippet": "..."}
          Files it cannot search are named on standard error. What it read
          is kept in the search index in the home folder ("search-index"),
          encrypted to the first secret key, so the next search reads only
          leaves that changed. Leaves made with a passphrase are searched
          only with --passphrase-file and never kept in the index.

Options (each long option also as --option=value; "-" as LEAF reads the leaf
from standard input, "-" as OUT writes to standard output):
  --homedir DIR          key rings secring.gpg and pubring.gpg (plus preset/*.gpg
                         beside the program). Default: the window's conf folder,
                         the program folder + "conf", or, when an INSTALL entry is
                         beside the program, $XDG_DATA_HOME (else ~/.local/share)
                         + "/Ambrine/conf".
  --passphrase-file FILE the leaf's passphrase (its first line); for create with
                         --recipient, the secret key's. Without it a
                         passphrase gpg needs is asked on the terminal (search
                         asks nothing: it skips what needs a passphrase). For
                         search it also answers the secret key's passphrase.
  --reencrypt            (show) store each attachment in a temporary file under
                         a fresh passphrase, as the window does on open.
  --help, -h             this text.
  --version              the program's name and version.
  --                     what follows is LEAF, even when it starts with "-".

gpg is the program folder's bin/gpg, else /usr/bin/gpg1.

Exit status:
  0  success (search: at least one leaf found)
  1  failure: the leaf cannot be read, decrypted or written (the reason on
     standard error, with gpg's own line when it gave one); search: no leaf
     found
  2  wrong usage
)";

// "-" names standard input (a leaf to read) or standard output (a part to
// write).
constexpr const char* kStandardStream = "-";


struct Options {
  std::string command;
  std::string home;
  std::string passphraseFile;
  bool reencrypt = false;
  std::vector<std::string> positional;
  std::size_t positionalBeforeSeparator = SIZE_MAX;  // where "--" stood
  std::string document, form, output;
  bool attachmentWanted = false;
  int attachmentIndex = -1;
  std::vector<std::string> recipients, attachments;
  bool symmetric = false;
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "ambrine-leaf: %s\nTry 'ambrine-leaf --help'.\n", message.c_str());
  return 2;
}

// The tool's text, then gpg's line for the failure when there is one.
int Fail(const std::string& message, const std::string& gpgLine = std::string()) {
  std::fprintf(stderr, "ambrine-leaf: %s\n", message.c_str());
  if (!gpgLine.empty()) std::fprintf(stderr, "ambrine-leaf: %s\n", gpgLine.c_str());
  return 1;
}

// Writes `bytes` to a new owner-only file that replaces `path` only once
// it is complete, or to standard output for "-".
bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  if (path == kStandardStream) return Succeeded(WritePipeBytes(STDOUT_FILENO, bytes.data(), bytes.size()));
  ReplacementFile file;
  if (Failed(file.Create(path))) return false;
  Fd fd = file.TakeFd();
  if (Failed(WritePipeBytes(fd.get(), bytes.data(), bytes.size()))) return false;
  fd.reset();
  return Succeeded(file.Commit());
}

bool ReadPassphraseFile(const std::string& path, std::string& passphrase) {
  if (Failed(ReadWholeFile(path, passphrase))) return false;
  std::size_t end = passphrase.find_first_of("\r\n");
  if (end != std::string::npos) passphrase.resize(end);
  return true;
}

// Prints held reports, each followed by gpg's line for it when one came
// (an attachment's gpg).
class StderrReportWithGpgLines : public StderrErrorReport, public GpgLineListener {
 public:
  void OnGpgLine(const std::string& line) override {
    std::fprintf(stderr, "ambrine-leaf: %s\n", line.c_str());
  }
};

// Hashes each attachment, forwards it to an optional second sink, and keeps
// one chosen attachment's bytes in a file.
class ToolSink : public AttachmentSink {
 public:
  struct Info {
    std::string name;
    std::uint64_t bytes = 0;
    std::string sha256;
  };
  ToolSink(AttachmentSink* next, int keepIndex, int keepFd)
      : next_(next), keepIndex_(keepIndex), keepFd_(keepFd) {}

  Status Begin(const std::string& name) override {
    if (next_ != nullptr) {
      Status status = next_->Begin(name);
      if (Failed(status)) return status;
    }
    infos.push_back({name, 0, ""});
    hash_ = Sha256();
    return kOk;
  }
  void Write(const char* bytes, std::size_t count) override {
    hash_.Update(bytes, count);
    infos.back().bytes += count;
    if (static_cast<int>(infos.size()) - 1 == keepIndex_ && Succeeded(keepStatus)) {
      keepStatus = WritePipeBytes(keepFd_, bytes, count);
    }
    if (next_ != nullptr) next_->Write(bytes, count);
  }
  Status End() override {
    infos.back().sha256 = hash_.HexDigest();
    return next_ != nullptr ? next_->End() : kOk;
  }

  std::vector<Info> infos;
  Status keepStatus = kOk;

 private:
  AttachmentSink* next_;
  int keepIndex_;
  int keepFd_;
  Sha256 hash_;
};

// The conf folder the tool uses: --homedir, else the window's.
bool HomeFolder(const Options& o, std::string& home) {
  if (!o.home.empty()) {
    home = o.home;
    return true;
  }
  return Succeeded(DefaultHomeFolder(home));
}

// Why an open failed, in the tool's words.
std::string OpenFailure(OpenVerdict verdict) {
  switch (verdict) {
    case OpenVerdict::PassphraseRejected: return "gpg did not accept the passphrase";
    case OpenVerdict::PassphraseNeeded:
    case OpenVerdict::AnswersRanOut:
      return "a passphrase is needed (use --passphrase-file or a terminal)";
    case OpenVerdict::WrongPassphrase: return "wrong passphrase (or the file is damaged)";
    case OpenVerdict::NotALeaf:
    case OpenVerdict::ReadInPart: return "the leaf message is malformed";
    case OpenVerdict::NotDecryptable:
    case OpenVerdict::Read: break;
  }
  return "the file cannot be decrypted (not a leaf, no matching secret key, or damaged)";
}

int ShowOrExtract(const Options& o) {
  if (o.positional.size() != 1) return Usage("one LEAF file is needed");
  const bool extract = o.command == "extract";
  const int wanted = (!o.document.empty()) + (!o.form.empty()) + o.attachmentWanted;
  if (extract && wanted != 1) return Usage("extract needs one of --document, --form, --attachment");
  if (!extract && wanted != 0) return Usage("show takes no output option");

  std::string passphrase;
  if (!o.passphraseFile.empty() && !ReadPassphraseFile(o.passphraseFile, passphrase)) {
    return Fail("cannot read " + o.passphraseFile);
  }
  TerminalQuestions questions(passphrase, !o.passphraseFile.empty());
  SecureWipe(passphrase);
  std::string home;
  if (!HomeFolder(o, home)) return Fail("no conf folder: $HOME is not set; use --homedir");
  GpgSettings settings = ToolSettings(home);

  // The chosen attachment goes to a file that replaces OUT only when whole,
  // or straight to standard output.
  const bool toStandardOutput = o.output == kStandardStream;
  ReplacementFile keepFile;
  Fd keep;
  if (o.attachmentWanted && toStandardOutput) {
    keep.reset(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
    if (!keep) return Fail("cannot write to standard output");
  } else if (o.attachmentWanted) {
    if (Failed(keepFile.Create(o.output))) return Fail("cannot create " + o.output);
    keep = keepFile.TakeFd();
  }
  // gpg reads a leaf given as "-" from the tool's own standard input.
  const std::string leafPath = o.positional[0] == kStandardStream ? "/dev/stdin" : o.positional[0];
  // The reader's reports wait until it is known whether gpg decrypted at
  // all: a wrong passphrase is the message then, not the empty message
  // behind it.
  DeferredReport report;
  AttachmentStore store;
  std::unique_ptr<GpgAttachmentSink> stored;
  if (o.reencrypt) stored = std::make_unique<GpgAttachmentSink>(store, settings, report);
  ToolSink sink(stored.get(), o.attachmentIndex, keep.get());
  PlainFormPage page;
  OpenCheckResult checked;
  Status readStatus = kOk;
  LeafFile leafFile(settings, report);
  OperationProgress progress;
  Status status;
  {
    TerminalProgress shown(progress, "reading");
    status = leafFile.ReadInOnePass(leafPath, questions, page, sink, checked, readStatus,
                                    &progress);
  }
  if (Failed(status)) return Fail("cannot open " + o.positional[0]);
  const OpenVerdict verdict = JudgeOpen(checked, page, readStatus);
  // Without a passphrase gpg only fails for want of one: its line adds nothing.
  if (verdict == OpenVerdict::PassphraseNeeded || verdict == OpenVerdict::AnswersRanOut) {
    return Fail(OpenFailure(verdict));
  }
  if (verdict == OpenVerdict::NotALeaf || verdict == OpenVerdict::ReadInPart) {
    StderrReportWithGpgLines out;
    report.ReplayTo(out);
    return Fail(OpenFailure(verdict));
  }
  if (verdict != OpenVerdict::Read) return Fail(OpenFailure(verdict), leafFile.gpgError());

  if (extract) {
    bool ok = true;
    if (!o.document.empty()) ok = WriteWholeFile(o.document, page.document);
    if (!o.form.empty()) ok = WriteWholeFile(o.form, page.form);
    if (o.attachmentWanted) {
      if (o.attachmentIndex >= static_cast<int>(sink.infos.size())) {
        return Fail("the leaf has no attachment " + std::to_string(o.attachmentIndex));
      }
      keep.reset();
      ok = Succeeded(sink.keepStatus) && (toStandardOutput || Succeeded(keepFile.Commit()));
    }
    return ok ? 0 : Fail("cannot write the output file");
  }

  if (!checked.goodSignatures.empty()) {
    MarkOwnSignatures(checked, ReadOwnKey(settings).fingerprint);
  }
  std::string json = "{\"decrypted\": true, \"signatures\": [";
  bool first = true;
  for (const CheckedSignature& checkedSignature : checked.goodSignatures) {
    const GoodSignature signature = SplitGoodSignature(checkedSignature.text);
    if (!first) json += ", ";
    first = false;
    json += "{\"keyid\": " + JsonString(signature.keyId) +
            ", \"uid\": " + JsonString(signature.userId) +
            ", \"fingerprint\": " + JsonString(checkedSignature.fingerprint) +
            ", \"own\": " + (checkedSignature.ownKey ? "true" : "false") + "}";
  }
  json += "], \"unknown_signers\": [";
  for (std::size_t i = 0; i < checked.missingKeyIds.size(); ++i) {
    if (i > 0) json += ", ";
    json += "{\"keyid\": " + JsonString(checked.missingKeyIds[i]) + "}";
  }
  json += "], \"document\": {\"bytes\": " + std::to_string(page.document.size()) +
          ", \"sha256\": \"" + Sha256::Hex(page.document) + "\"}, \"form\": " +
          JsonString(page.form) + ", \"attachments\": [";
  for (std::size_t i = 0; i < sink.infos.size(); ++i) {
    if (i > 0) json += ", ";
    json += "{\"index\": " + std::to_string(i) + ", \"name\": " + JsonString(sink.infos[i].name) +
            ", \"bytes\": " + std::to_string(sink.infos[i].bytes) + ", \"sha256\": \"" +
            sink.infos[i].sha256 + "\"}";
  }
  json += "]}\n";
  std::fputs(json.c_str(), stdout);
  SecureWipe(json);
  return 0;
}

int Create(const Options& o) {
  if (!o.positional.empty()) return Usage("unexpected argument " + o.positional[0]);
  if (o.document.empty() || o.output.empty()) return Usage("create needs --document and -o");
  if (o.symmetric == !o.recipients.empty()) {
    return Usage("create needs either --recipient or --symmetric");
  }
  if (o.symmetric && o.passphraseFile.empty()) return Usage("--symmetric needs --passphrase-file");

  std::string home;
  if (!HomeFolder(o, home)) return Fail("no conf folder: $HOME is not set; use --homedir");
  GpgSettings settings = ToolSettings(home);
  SaveRequest request;
  request.publicKeyMode = !o.symmetric;
  request.outputPath = o.output;
  if (o.symmetric && !ReadPassphraseFile(o.passphraseFile, request.passphrase)) {
    return Fail("cannot read " + o.passphraseFile);
  }
  const OwnKey own = ReadOwnKey(settings);
  if (!own.found) return Fail("no secret key to sign with in " + settings.homeFolder);
  if (request.publicKeyMode) request.recipients = SaveRecipients(o.recipients, own.fingerprint);

  PlainFormPage page;
  if (Failed(ReadWholeFile(o.document, page.document))) return Fail("cannot read " + o.document);
  if (!o.form.empty() && Failed(ReadWholeFile(o.form, page.form))) {
    return Fail("cannot read " + o.form);
  }

  StderrErrorReport report;
  AttachmentStore store;
  AttachmentFiles files(settings, report);
  for (const std::string& path : o.attachments) {
    if (::access(path.c_str(), R_OK) != 0) return Fail("cannot read " + path);
    OperationProgress progress;
    AttachOutcome attached;
    {
      TerminalProgress shown(progress, "attaching");
      attached = files.Attach(path, store, &progress);
    }
    if (attached != AttachOutcome::Attached) {
      return Fail("gpg could not encrypt " + path, files.gpgError());
    }
  }
  // With --recipient, a passphrase file unlocks the secret key that signs.
  std::string keyPassphrase;
  const bool keyPassphraseGiven = !o.symmetric && !o.passphraseFile.empty();
  if (keyPassphraseGiven && !ReadPassphraseFile(o.passphraseFile, keyPassphrase)) {
    return Fail("cannot read " + o.passphraseFile);
  }
  TerminalQuestions questions(keyPassphrase, keyPassphraseGiven);
  SecureWipe(keyPassphrase);
  // A failed save leaves an existing leaf as it was.
  LeafFile leafFile(settings, report);
  OperationProgress progress;
  SaveOutcome saved;
  {
    TerminalProgress shown(progress, "saving");
    saved = leafFile.Save(request, page, store, questions, &progress);
  }
  switch (saved) {
    case SaveOutcome::Saved:
      return 0;
    case SaveOutcome::Reported:
      return Fail("the leaf could not be written", leafFile.gpgError());
    case SaveOutcome::Cancelled:  // the secret key's passphrase was not given
    case SaveOutcome::EncryptionFailed:
      break;
  }
  if (questions.unanswerable()) {
    return Fail("the secret key needs a passphrase and there is no terminal to ask for it "
                "(give it with --passphrase-file)");
  }
  if (saved == SaveOutcome::Cancelled) return Fail("no passphrase for the secret key: nothing was written");
  return Fail("gpg could not sign and encrypt the leaf", leafFile.gpgError());
}

int Search(const Options& o) {
  const std::size_t separator = o.positionalBeforeSeparator;
  if (separator == SIZE_MAX) return Usage("search needs WORD... -- FOLDER...");
  if (separator == 0) return Usage("search needs at least one word");
  if (separator == o.positional.size()) return Usage("search needs at least one folder");
  std::string home;
  if (!HomeFolder(o, home)) return Fail("no conf folder: $HOME is not set; use --homedir");
  SearchRequest request;
  request.words.assign(o.positional.begin(), o.positional.begin() + separator);
  request.folders.assign(o.positional.begin() + separator, o.positional.end());
  if (!o.passphraseFile.empty()) {
    if (!ReadPassphraseFile(o.passphraseFile, request.passphrase)) {
      return Fail("cannot read the passphrase file " + o.passphraseFile);
    }
    request.passphraseGiven = true;
  }
  return RunSearch(ToolSettings(home), request);
}

int Main(int argc, char** argv) {
  Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("ambrine-leaf %s\n", AMBRINE_VERSION);
      return 0;
    }
  }
  if (args.empty()) return Usage("no command");
  o.command = args[0];
  if (o.command != "show" && o.command != "extract" && o.command != "create" &&
      o.command != "search") {
    return Usage("unknown command " + o.command);
  }
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string a = args[i];
    if (optionsEnded || a == kStandardStream) {
      o.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      o.positionalBeforeSeparator = o.positional.size();
      continue;
    }
    // "--option=value": the value attached is the option's first value.
    std::optional<std::string> attached;
    if (const std::size_t equals = a.find('='); a.rfind("--", 0) == 0 && equals != std::string::npos) {
      attached = a.substr(equals + 1);
      a.resize(equals);
    }
    auto value = [&](std::string& out) {
      if (attached) {
        out = std::move(*attached);
        attached.reset();
        return true;
      }
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if ((a == "--reencrypt" || a == "--symmetric") && attached) {
      return Usage(a + " takes no value");
    }
    if (a == "--homedir") {
      if (!value(o.home)) return Usage("--homedir needs a folder");
    } else if (a == "--passphrase-file") {
      if (!value(o.passphraseFile)) return Usage("--passphrase-file needs a file");
    } else if (a == "--reencrypt") {
      o.reencrypt = true;
    } else if (a == "--document") {
      if (!value(o.document)) return Usage("--document needs a file");
    } else if (a == "--form") {
      if (!value(o.form)) return Usage("--form needs a file");
    } else if (a == "--attachment") {
      if (!value(v) || !value(o.output)) return Usage("--attachment needs INDEX and OUT");
      char* end = nullptr;
      long index = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || index < 0 || index > 1000000) return Usage("bad INDEX " + v);
      o.attachmentWanted = true;
      o.attachmentIndex = static_cast<int>(index);
    } else if (a == "--recipient") {
      if (!value(v)) return Usage("--recipient needs a fingerprint");
      o.recipients.push_back(v);
    } else if (a == "--symmetric") {
      o.symmetric = true;
    } else if (a == "--attach") {
      if (!value(v)) return Usage("--attach needs a file");
      o.attachments.push_back(v);
    } else if (a == "-o" || a == "--output") {
      if (!value(o.output)) return Usage("-o needs a file");
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a);
    } else {
      o.positional.push_back(a);
    }
  }
  if (o.command == "create") return Create(o);
  if (o.command == "search") return Search(o);
  return ShowOrExtract(o);
}

}  // namespace
}  // namespace ambrine

int main(int argc, char** argv) {
  ambrine::DisableCoreDumps();
  // The tool needs no network, nor does the gpg it runs; a kernel without
  // the filter only loses that guard.
  ambrine::ForbidNetworkSockets();
  return ambrine::Main(argc, argv);
}
