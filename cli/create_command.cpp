// create: the page and form from files, the attachments, then the save.
#include "cli/create_command.h"

#include <unistd.h>

#include "base/operation_progress.h"
#include "base/secure_wipe.h"
#include "base/whole_file.h"
#include "cli/exit_status.h"
#include "cli/stderr_error_report.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_questions.h"
#include "gpg/own_key.h"
#include "leaf/attachment_files.h"
#include "leaf/leaf_file.h"
#include "leaf/plain_form_page.h"

namespace ambrine {

int CreateCommand::Run(const CommandLine& line) {
  if (!line.positional.empty()) return Usage("unexpected argument " + line.positional[0]);
  if (line.document.empty() || line.output.empty()) return Usage("create needs --document and -o");
  if (line.symmetric == !line.recipients.empty()) {
    return Usage("create needs either --recipient or --symmetric");
  }
  if (line.symmetric && line.passphraseFile.empty()) {
    return Usage("--symmetric needs --passphrase-file");
  }

  GpgSettings settings;
  if (const int status = FindSettings(line, settings)) return status;
  SaveRequest request;
  request.publicKeyMode = !line.symmetric;
  request.outputPath = line.output;
  if (line.symmetric && !ReadPassphraseFile(line.passphraseFile, request.passphrase)) {
    return Fail("cannot read " + line.passphraseFile);
  }
  const OwnKey own = ReadOwnKey(settings);
  if (!own.found) return Fail("no secret key to sign with in " + settings.homeFolder);
  if (request.publicKeyMode) request.recipients = SaveRecipients(line.recipients, own.fingerprint);

  PlainFormPage page;
  if (Failed(ReadWholeFile(line.document, page.document))) return Fail("cannot read " + line.document);
  if (!line.form.empty() && Failed(ReadWholeFile(line.form, page.form))) {
    return Fail("cannot read " + line.form);
  }

  StderrErrorReport report;
  AttachmentStore store;
  AttachmentFiles files(settings, report);
  for (const std::string& path : line.attachments) {
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
  const bool keyPassphraseGiven = !line.symmetric && !line.passphraseFile.empty();
  if (keyPassphraseGiven && !ReadPassphraseFile(line.passphraseFile, keyPassphrase)) {
    return Fail("cannot read " + line.passphraseFile);
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
      return kExitSuccess;
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

}  // namespace ambrine
