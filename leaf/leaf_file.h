// Saving and opening leaf files: the one place where gpg is started for a
// leaf, its questions are answered through an interface, the leaf message
// is streamed and the file is written. The window and the command-line
// tool both use it; they only ask and show.
#pragma once

#include <string>
#include <vector>

#include "base/error_report.h"
#include "base/operation_progress.h"
#include "base/result.h"
#include "gpg/gpg_settings.h"
#include "gpg/save_request.h"
#include "leaf/attachment_sink.h"
#include "leaf/attachment_store.h"
#include "leaf/form_page.h"
#include "leaf/open_check_conversation.h"
#include "leaf/save_conversation.h"

namespace ambrine {

// The keys gpg encrypts to: the chosen ones in their order, then the
// user's own key, so the user can always open what they saved.
std::vector<std::string> SaveRecipients(const std::vector<std::string>& chosen,
                                        const std::string& ownFingerprint);

enum class SaveOutcome {
  Saved,             // the leaf is in place
  Reported,          // a failure was reported; the old leaf is untouched
  EncryptionFailed,  // gpg failed or ended early; the old leaf is untouched
  Cancelled,         // the user stopped it; nothing reported, the old leaf untouched
};

// The questions of an open beyond gpg's passphrases.
class LeafOpenQuestions : public OpenQuestions {
 public:
  // The checking pass saw no DECRYPTION_OKAY, and no message passphrase was
  // given (a wrong one shows as ShowBadPassphrase).
  virtual void ShowNotDecryptable() = 0;
  // Whether to go on with the signatures the checking pass found.
  virtual bool ConfirmSignatures(const OpenCheckResult& checked) = 0;

  // What gpg said last in the checking pass (see GpgRunOutcome::errorLine);
  // set before ShowNotDecryptable and ShowBadPassphrase, "" when gpg said
  // nothing.
  const std::string& gpgError() const { return gpgError_; }
  void SetGpgError(std::string line) { gpgError_ = std::move(line); }

 private:
  std::string gpgError_;
};

enum class OpenOutcome {
  Opened,   // the leaf's page replaced the one on screen: the store was emptied
            // and refilled; the reader reported what it could not apply
  Stopped,  // cancelled, declined, not decryptable, or the page or form text
            // could not be read (reported); nothing changed
};

class LeafFile {
 public:
  LeafFile(const GpgSettings& settings, ErrorReport& report)
      : settings_(settings), report_(report) {}

  // Signs and encrypts the leaf message of `page` and `store` into
  // request.outputPath. gpg writes an owner-only file beside it that
  // replaces the leaf only when gpg succeeded. request.passphrase is wiped
  // on every path.
  // With `progress`, it counts the bytes of the page, the form text and the
  // attachments' temporary files as gpg takes them, and a cancel stops
  // the save at its next block.
  SaveOutcome Save(SaveRequest& request, FormPage& page, const AttachmentStore& store,
                   SaveQuestions& questions, OperationProgress* progress = nullptr);

  // One gpg run decrypts and verifies the leaf while the reader takes its
  // plaintext aside: the page and its form text into memory, the
  // attachments into new temporary files of a store of its own. Then the
  // user confirms the signatures, and only then does the leaf replace the
  // record: the new attachments take the place of the old, then its page
  // is loaded and restoreForm called. What the reader found wrong is reported
  // after the confirmation, never when the user declines. Every earlier
  // ending (a No, a failure, a cancel through `progress`) deletes what was
  // taken aside and leaves `page` and `store` as they were. `progress`
  // counts the bytes of the leaf gpg has read. The questions may be asked
  // from a second thread.
  OpenOutcome Open(const std::string& path, LeafOpenQuestions& questions, FormPage& page,
                   AttachmentStore& store, OperationProgress* progress = nullptr);

  // Decrypts and verifies in one gpg run while the leaf reader takes the
  // plaintext; gpg's questions are answered on a second thread so neither
  // side can block the other. `checked` tells what gpg said, `readResult`
  // what the reader found. Returns a failure when the file or gpg could not
  // be used at all. `progress` counts the bytes of the leaf gpg has read;
  // a cancel ends the read (readResult kCancelled) and gpg with it.
  Result ReadInOnePass(const std::string& path, OpenQuestions& questions, FormPage& page,
                       AttachmentSink& sink, OpenCheckResult& checked, Result& readResult,
                       OperationProgress* progress = nullptr);

  // Why gpg failed in the last Save, Open or ReadInOnePass, in gpg's words:
  // its last line that tells something (see GpgRunOutcome::errorLine), from
  // the leaf's gpg or from one that decrypted or stored an attachment. "" when
  // gpg did not fail or said nothing. For a Save that ended Reported or
  // EncryptionFailed it comes in addition to what was reported.
  const std::string& gpgError() const { return gpgError_; }

 private:
  const GpgSettings& settings_;
  ErrorReport& report_;
  std::string gpgError_;
};

}  // namespace ambrine
