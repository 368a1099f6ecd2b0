#include "leaf/leaf_file.h"

#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <thread>

#include "base/replacement_file.h"
#include "base/secure_wipe.h"
#include "gpg/error_tail.h"
#include "gpg/gpg_engine.h"
#include "gpg/own_key.h"
#include "gpg/pipe_io.h"
#include "gpg/status_drain.h"
#include "base/read_position.h"
#include "leaf/deferred_report.h"
#include "leaf/leaf_reader.h"
#include "leaf/plain_form_page.h"
#include "leaf/leaf_writer.h"
#include "leaf/line_reader.h"
#include "leaf/open_verdict.h"

namespace ambrine {

namespace {

Result OpenForGpg(const char* path, int flags, Fd& fd) {
  // Close-on-exec here; the engine hands it to gpg as a standard descriptor.
  const int raw = ::open(path, flags | O_CLOEXEC);
  if (raw < 0) return LastErrorResult();
  fd.reset(raw);
  return kOk;
}

// Passes every report on, and keeps the line gpg gave with the last failure
// that came with one: the attachment source and sink tell it this way.
class NotingReport : public ErrorReport, public GpgLineListener {
 public:
  explicit NotingReport(ErrorReport& next) : next_(next) {}
  using ErrorReport::Report;
  void Report(Result code, const char* source, int line) override {
    next_.Report(code, source, line);
  }
  void OnGpgLine(const std::string& line) override {
    line_ = line;
    PassGpgLine(next_, line);
  }
  const std::string& line() const { return line_; }

 private:
  ErrorReport& next_;
  std::string line_;
};

// Hands memory freed by a read that failed back to the system at once: a
// leaf that was too large must not leave the program holding what it took.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

std::vector<std::string> SaveRecipients(const std::vector<std::string>& chosen,
                                        const std::string& ownFingerprint) {
  std::vector<std::string> recipients = chosen;
  // Without a key of its own the program cannot sign; gpg reports that.
  if (!ownFingerprint.empty()) recipients.push_back(ownFingerprint);
  return recipients;
}

SaveOutcome LeafFile::Save(SaveRequest& request, FormPage& page, const AttachmentStore& store,
                           SaveQuestions& questions, OperationProgress* progress) {
  const WipeOnExit wipe(request.passphrase);
  gpgError_.clear();
  auto reported = [this](Result s, const ReportPoint& point) {
    report_.Report(s, point);
    return SaveOutcome::Reported;
  };

  // Declared before the engine so that it is joined after the engine has
  // stopped a gpg that was not waited for.
  StatusDrain drain;
  GpgEngine engine(settings_);
  engine.CaptureErrors();

  Fd message, messageChild;
  Result s = CreateOutboundPipe(message, messageChild);
  if (Failed(s)) return reported(s, report::kMessagePipeFailed);
  WidenPipe(message.get());
  // gpg writes beside the leaf; the leaf is replaced only by a complete one.
  ReplacementFile output;
  s = output.Create(request.outputPath);
  if (Failed(s)) return reported(s, report::kLeafUnwritable);
  Fd command, commandChild;
  s = CreateOutboundPipe(command, commandChild);
  if (Failed(s)) return reported(s, report::kCommandPipeFailed);
  Fd status, statusChild;
  s = CreateInboundPipe(status, statusChild);
  if (Failed(s)) return reported(s, report::kStatusPipeFailed);

  if (request.publicKeyMode) {
    s = engine.Encrypt(request.recipients, std::move(messageChild), output.TakeFd(), true,
                       nullptr, std::move(statusChild), std::move(commandChild));
    if (Failed(s)) return reported(s, report::kEncryptGpgStartFailed);
  } else {
    // The passphrase goes through the conversation (see SetSymmetricPassphrase).
    s = engine.EncryptSymmetric(std::move(messageChild), output.TakeFd(), true, nullptr,
                                std::move(statusChild), std::move(commandChild));
    if (Failed(s)) return reported(s, report::kSymmetricGpgStartFailed);
  }

  // A write into gpg that meets a closed pipe (EPIPE) means gpg has ended,
  // on a full disk for example, and its own words tell why. Nothing it
  // could wait on is left open, so the wait ends.
  const Result brokenPipe = ResultFromErrno(EPIPE);
  auto learnWhyGpgEnded = [&] {
    message.reset();
    command.reset();
    if (status) drain.Start(std::move(status));
    drain.Join();
    gpgError_ = engine.Finish().errorLine;
  };

  SaveConversation conversation(questions);
  if (!request.publicKeyMode) conversation.SetSymmetricPassphrase(&request.passphrase);
  const SaveConversationResult talked = conversation.Run(status, command);
  if (talked.end == SaveConversationEnd::WriteFailed) {
    report_.Report(talked.status, *talked.point);
    if (talked.status == brokenPipe) learnWhyGpgEnded();
    return SaveOutcome::Reported;
  }
  // gpg is stopped by the engine and its partial output deleted with
  // `output`: the old leaf stays as it was.
  if (talked.end == SaveConversationEnd::Cancelled) return SaveOutcome::Cancelled;
  // No answer follows: a later question of gpg's meets the end of its
  // command input instead of waiting for ever.
  command.reset();
  drain.Start(std::move(status));

  // gpg that ended before it began encrypting takes no message; its exit
  // code tells the user.
  const bool began = talked.end != SaveConversationEnd::EndOfData;
  if (began) {
    NotingReport noting(report_);
    s = WriteLeafMessage(message.get(), page, store, settings_, noting, progress);
    message.reset();
    // gpg is stopped by the engine and its partial output deleted with
    // `output`: the old leaf stays as it was.
    if (s == kCancelled) return SaveOutcome::Cancelled;
    if (Failed(s)) {
      // The writer has reported it and the old leaf stays. A gpg still
      // reading is stopped by the engine; the line of an attachment's gpg
      // that failed comes through `noting`.
      gpgError_ = noting.line();
      if (gpgError_.empty() && s == brokenPipe) learnWhyGpgEnded();
      return SaveOutcome::Reported;
    }
  }
  message.reset();

  drain.Join();
  const GpgRunOutcome ended = engine.Finish();
  if (!ended.succeeded() || !began) {
    gpgError_ = ended.errorLine;
    return SaveOutcome::EncryptionFailed;
  }
  s = output.Commit();
  if (Failed(s)) return reported(s, report::kLeafUnwritable);
  return SaveOutcome::Saved;
}

OpenOutcome LeafFile::Open(const std::string& path, LeafOpenQuestions& questions,
                           FormPage& page, AttachmentStore& store,
                           OperationProgress* progress) {
  gpgError_.clear();
  questions.SetGpgError(std::string());
  // The pass takes everything aside: the page and form text into `held`,
  // the attachments into `taken`, what it finds wrong into `deferred`.
  DeferredReport deferred;
  PlainFormPage held;
  AttachmentStore taken;
  OpenCheckResult checked;
  Result readResult = kOk;
  LeafFile pass(settings_, deferred);
  Result s;
  {
    GpgAttachmentSink sink(taken, settings_, deferred);
    s = pass.ReadInOnePass(path, questions, held, sink, checked, readResult, progress);
  }
  if (Failed(s)) {
    // Nothing was asked yet: what stopped the pass is shown at once.
    deferred.ReplayTo(report_);
    return OpenOutcome::Stopped;
  }
  if (CancelRequested(progress)) return OpenOutcome::Stopped;
  const OpenVerdict verdict = JudgeOpen(checked, held, readResult);
  switch (verdict) {
    case OpenVerdict::PassphraseRejected:  // the conversation has shown it
    case OpenVerdict::PassphraseNeeded:
    case OpenVerdict::AnswersRanOut:
      report_.Report(kCancelled, *checked.point);
      return OpenOutcome::Stopped;
    case OpenVerdict::WrongPassphrase:
    case OpenVerdict::NotDecryptable:
      gpgError_ = pass.gpgError();
      questions.SetGpgError(gpgError_);
      if (verdict == OpenVerdict::WrongPassphrase) {
        questions.ShowBadPassphrase();
      } else {
        questions.ShowNotDecryptable();
      }
      return OpenOutcome::Stopped;
    case OpenVerdict::Read:
    case OpenVerdict::ReadInPart:  // opened; what was not read is reported
    case OpenVerdict::NotALeaf:    // told only after the confirmation
      break;
  }
  // The own key is marked by its fingerprint: a key that only carries the
  // user's name gets no mark.
  if (!checked.goodSignatures.empty()) {
    MarkOwnSignatures(checked, ReadOwnKey(settings_).fingerprint);
  }
  if (!questions.ConfirmSignatures(checked)) return OpenOutcome::Stopped;

  gpgError_ = deferred.lastGpgLine();
  if (gpgError_.empty() && Succeeded(readResult)) gpgError_ = pass.gpgError();
  // The record on screen is replaced only by a page and form text read
  // whole and within their limits.
  if (verdict == OpenVerdict::NotALeaf) {
    deferred.ReplayTo(report_);
    return OpenOutcome::Stopped;
  }
  // The attachments come first, so the page finds them listed as soon as
  // it loads; a page that then fails to take its form text keeps them, and
  // a save keeps them in the leaf.
  store.ReplaceWith(taken);
  const Result loaded = page.LoadDocument(held.document);
  if (Failed(loaded)) {
    report_.Report(loaded, report::kDocumentPartUnusable);
    return OpenOutcome::Opened;
  }
  const Result restored = RestoreFormText(page, held.form, report_);
  if (Failed(restored)) report_.Report(restored, report::kFormPartUnusable);
  // What the reader could not apply after the form (an attachment) is told
  // now that the rest is on screen.
  deferred.ReplayTo(report_);
  return OpenOutcome::Opened;
}

Result LeafFile::ReadInOnePass(const std::string& path, OpenQuestions& questions,
                               FormPage& page, AttachmentSink& sink, OpenCheckResult& checked,
                               Result& readResult, OperationProgress* progress) {
  checked = OpenCheckResult();
  readResult = kOk;
  gpgError_.clear();
  Fd input;
  Result s = OpenForGpg(path.c_str(), O_RDONLY, input);
  if (Failed(s)) {
    report_.Report(s, report::kLeafUnopenable);
    return s;
  }
  // gpg reads the leaf through this descriptor; its offset is the progress.
  const ReadPosition position(input.get());
  if (progress) progress->SetTotal(position.size());
  Fd output, outputChild, command, commandChild, status, statusChild;
  if (Failed(s = CreateInboundPipe(output, outputChild)) ||
      Failed(s = CreateOutboundPipe(command, commandChild)) ||
      Failed(s = CreateInboundPipe(status, statusChild))) {
    return s;
  }
  WidenPipe(output.get());
  GpgEngine engine(settings_);
  engine.CaptureErrors();
  s = engine.Decrypt(std::move(input), std::move(outputChild), true, nullptr,
                     std::move(statusChild), std::move(commandChild));
  if (Failed(s)) {
    report_.Report(s, report::kCheckGpgStartFailed);
    return s;
  }

  std::thread talk([&] {
    OpenCheckConversation conversation(questions);
    checked = conversation.Run(status, command);
    // Once the conversation ends no answer comes and no status is read:
    // gpg cannot wait on either pipe while the reader waits on it.
    command.reset();
    status.reset();
  });
  {
    LineReader lines(output.get());
    lines.SetBeforeBlock([&]() -> Result {
      if (progress == nullptr) return kOk;
      progress->SetDone(position.Offset());
      // Closing the pipe then ends gpg: it cannot write the rest.
      return progress->cancelled() ? kCancelled : kOk;
    });
    LeafReader reader(lines, page, sink, report_);
    reader.HoldDocumentUntilFormRead();
    readResult = reader.ReadLeafMessage();
    // Whatever follows the message (or its unread rest) is drained, so gpg
    // can finish and give its verdict.
    std::string rest;
    std::size_t consumed = 0;
    while (Succeeded(lines.ReadLine(rest, &consumed, 1 << 16)) && consumed > 0) {
    }
    SecureWipe(rest);
  }
  if (Failed(readResult)) ReturnFreedMemory();
  output.reset();
  talk.join();
  gpgError_ = engine.Finish().errorLine;
  SecureWipe(checked.passphrase);
  return kOk;
}

}  // namespace ambrine
