// Saving and opening leaf files: the one place where gpg is started for a
// leaf, its questions are answered through an interface, the leaf message
// is streamed and the file is written. The window and the command-line
// tool both use it; they only ask and show.
#pragma once

#include <string>
#include <vector>

#include "base/error_report.h"
#include "base/status.h"
#include "gpg/gpg_settings.h"
#include "leaf/attachment_sink.h"
#include "leaf/attachment_store.h"
#include "leaf/form_page.h"
#include "leaf/open_check_conversation.h"
#include "leaf/save_conversation.h"

namespace ambrine {

// The keys gpg encrypts to: the chosen ones in their order, then the
// user's own key, so the user can always open what they saved.
std::vector<std::string> SaveRecipients(const std::vector<std::string>& chosen,
                                        const std::string& myFingerprint);

// What one save needs besides the engine settings.
struct SaveRequest {
  SaveRequest() = default;
  SaveRequest(const SaveRequest&) = delete;
  SaveRequest& operator=(const SaveRequest&) = delete;
  ~SaveRequest();  // wipes the passphrase

  bool publicKeyMode = true;
  std::vector<std::string> recipients;  // public-key mode: every key, own key included
  std::string passphrase;               // passphrase mode; wiped when the save ends
  std::string outputPath;
};

enum class SaveOutcome {
  Saved,             // the leaf is in place
  Reported,          // a failure was reported; the old leaf is untouched
  EncryptionFailed,  // gpg failed or ended early; the old leaf is untouched
};

// The questions of an open beyond gpg's passphrases.
class LeafOpenQuestions : public OpenQuestions {
 public:
  // The checking pass saw no DECRYPTION_OKAY, and no message passphrase was
  // given (a wrong one shows as ShowBadPassphrase).
  virtual void ShowNotDecryptable() = 0;
  // Whether to go on with the signatures the checking pass found.
  virtual bool ConfirmSignatures(const OpenCheckResult& checked) = 0;

  // What gpg said last in the checking pass (see GpgEngine::ErrorLine);
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
  SaveOutcome Save(SaveRequest& request, FormPage& page, const AttachmentStore& store,
                   SaveQuestions& questions);

  // The checking pass (gpg decrypts to nothing; passphrases asked, the
  // signatures learnt), the user's confirmation, then the producing pass:
  // the page, its form text and the attachments (re-encrypted into `store`).
  // Nothing of the record on screen changes before the leaf's page and form
  // text have been read whole, within their size limits: every earlier
  // ending leaves `page` and `store` as they were.
  OpenOutcome Open(const std::string& path, LeafOpenQuestions& questions, FormPage& page,
                   AttachmentStore& store);

  // Decrypts and verifies in one gpg run while the leaf reader takes the
  // plaintext; gpg's questions are answered on a second thread so neither
  // side can block the other. `checked` tells what gpg said, `readStatus`
  // what the reader found. Returns a failure when the file or gpg could not
  // be used at all.
  Status ReadInOnePass(const std::string& path, OpenQuestions& questions, FormPage& page,
                       AttachmentSink& sink, OpenCheckResult& checked, Status& readStatus);

  // Why gpg failed in the last Save, Open or ReadInOnePass, in gpg's words:
  // its last line that tells something (see GpgEngine::ErrorLine), from the
  // leaf's gpg or from one that decrypted or stored an attachment. "" when
  // gpg did not fail or said nothing. For a Save that ended Reported or
  // EncryptionFailed it comes in addition to what was reported.
  const std::string& gpgError() const { return gpgError_; }

 private:
  // The checking pass; true when the user chose to go on. `passphrase` is
  // the last one confirmed (empty when none was asked for).
  bool Check(const std::string& path, LeafOpenQuestions& questions, std::string& passphrase);
  // True once the leaf's page replaced the one on screen; false when
  // nothing was applied (gpg could not be started, or the page or form
  // text could not be read).
  bool Produce(const std::string& path, const std::string& passphrase, FormPage& page,
               AttachmentStore& store);

  const GpgSettings& settings_;
  ErrorReport& report_;
  std::string gpgError_;
};

}  // namespace ambrine
