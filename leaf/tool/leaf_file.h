// Writing and reading whole leaf files with gpg, as the window's save and
// open do, for the command-line tool.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gpg/gpg_settings.h"
#include "leaf/attachment_sink.h"
#include "leaf/attachment_store.h"
#include "leaf/error_report.h"
#include "leaf/form_page.h"

namespace ambrine {

// Answers gpg's passphrase questions: the prompt text, the answer; false
// when there is no answer to give.
using PassphraseAsker = std::function<bool(const std::string& prompt, std::string& answer)>;

// A page made of plain data.
class PlainPage : public FormPage {
 public:
  Status SaveDocument(std::string& bytes) override;
  Status CallSaveForm(std::string& text, bool& isString) override;
  Status LoadDocument(const std::string& bytes) override;
  Status CallRestoreForm(const std::string& text) override;
  ~PlainPage() override;

  std::string document;
  std::string form;
};

// Adds a file to `store` as the window's attachFile does: a new temporary
// attachment file, a fresh passphrase, gpg encrypting the file into it.
// Unlike the window, a gpg failure is an error here (and nothing is added).
Status AttachFile(const GpgSettings& settings, const std::string& path, AttachmentStore& store,
                  ErrorReport& report, std::string& error);

struct CreateRequest {
  std::vector<std::string> recipients;  // public-key mode; own key is added
  bool symmetric = false;
  std::string passphrase;  // symmetric mode
  std::string outputPath;
};

// Signs with the first secret key and encrypts the leaf message of `page`
// and `store` into the output file. `error` says what failed.
Status CreateLeaf(const GpgSettings& settings, const CreateRequest& request, FormPage& page,
                  const AttachmentStore& store, const PassphraseAsker& ask, ErrorReport& report,
                  std::string& error);

struct Signature {
  std::string keyId;
  std::string userId;
};

struct OpenResult {
  bool decrypted = false;      // gpg said DECRYPTION_OKAY
  bool badPassphrase = false;
  bool noPassphrase = false;   // one was needed and none could be given
  bool symmetricTried = false; // a symmetric passphrase was given
  std::vector<Signature> signatures;  // GOODSIG lines
  Status readStatus = kOk;     // the leaf reader's result
};

// Decrypts and verifies `path` in one gpg run and reads the leaf message
// into `page` and `sink`. gpg's questions are answered on a second thread.
Status OpenLeaf(const GpgSettings& settings, const std::string& path, const PassphraseAsker& ask,
                FormPage& page, AttachmentSink& sink, ErrorReport& report, OpenResult& result,
                std::string& error);

}  // namespace ambrine
