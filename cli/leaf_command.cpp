// The one-pass read of LEAF that show and extract share.
#include "cli/leaf_command.h"

#include <memory>

#include "base/operation_progress.h"
#include "base/secure_wipe.h"
#include "cli/open_verdict.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_questions.h"
#include "leaf/attachment_store.h"
#include "leaf/deferred_report.h"
#include "leaf/leaf_file.h"

namespace ambrine {

int LeafCommand::Run(const CommandLine& line) {
  if (line.positional.size() != 1) return Usage("one LEAF file is needed");
  if (const int status = CheckUsage(line)) return status;

  std::string passphrase;
  if (!line.passphraseFile.empty() && !ReadPassphraseFile(line.passphraseFile, passphrase)) {
    return Fail("cannot read " + line.passphraseFile);
  }
  TerminalQuestions questions(passphrase, !line.passphraseFile.empty());
  SecureWipe(passphrase);
  GpgSettings settings;
  if (const int status = FindSettings(line, settings)) return status;
  if (const int status = PrepareOutput(line)) return status;

  // gpg reads a leaf given as "-" from the tool's own standard input.
  const std::string& leafName = line.positional[0];
  const std::string leafPath = leafName == kStandardStream ? "/dev/stdin" : leafName;
  // The reader's reports wait until it is known whether gpg decrypted at
  // all: a wrong passphrase is the message then, not the empty message
  // behind it.
  DeferredReport report;
  AttachmentStore store;
  std::unique_ptr<GpgAttachmentSink> stored;
  if (line.reencrypt) stored = std::make_unique<GpgAttachmentSink>(store, settings, report);
  AttachmentDigests digests(stored.get(), line.attachmentIndex, KeepFd());
  PlainFormPage page;
  OpenCheckResult checked;
  Result readResult = kOk;
  LeafFile leafFile(settings, report);
  OperationProgress progress;
  Result status;
  {
    TerminalProgress shown(progress, "reading");
    status = leafFile.ReadInOnePass(leafPath, questions, page, digests, checked, readResult,
                                    &progress);
  }
  if (const int verdict =
          ReportOpenVerdict(leafName, status, checked, page, readResult,
                            leafFile.gpgError(), report)) {
    return verdict;
  }
  return UseLeaf(line, OpenedLeaf{settings, page, checked, digests});
}

}  // namespace ambrine
