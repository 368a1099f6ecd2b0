#include "app/flows/save_flow.h"

#include <QDialog>
#include <QMessageBox>
#include <memory>

#include "app/flows/dialog_save_questions.h"
#include "app/flows/wait_cursor.h"
#include "app/web/form_view.h"
#include "app/web/handed_over_form_page.h"
#include "base/secure_wipe.h"
#include "dialogs/select_key_dialog.h"
#include "leaf/leaf_file.h"

namespace ambrine {

namespace {

// The live page's document and saveForm() result, asked once before gpg
// starts, then given to the leaf writer as the page would have given them.
class PageSnapshot : public FormPage {
 public:
  explicit PageSnapshot(FormPage& live) {
    documentStatus_ = live.SaveDocument(document_);
    // The writer asks for saveForm() only once it has the document.
    if (Succeeded(documentStatus_)) formStatus_ = live.CallSaveForm(formText_, isString_);
  }
  ~PageSnapshot() override {
    SecureWipe(document_);
    SecureWipe(formText_);
  }

  // The page stopped answering or its process ended while it was asked.
  bool pageLost() const { return IsPageLoss(documentStatus_) || IsPageLoss(formStatus_); }
  std::string formText() const { return isString_ ? formText_ : std::string(); }

  Status SaveDocument(std::string& bytes) override {
    bytes = document_;
    return documentStatus_;
  }
  Status CallSaveForm(std::string& text, bool& isString) override {
    text = formText_;
    isString = isString_;
    return formStatus_;
  }
  // A save never shows a document.
  Status LoadDocument(const std::string&) override { return kUnexpected; }
  Status CallRestoreForm(const std::string&) override { return kUnexpected; }

 private:
  std::string document_;
  Status documentStatus_ = kOk;
  std::string formText_;
  bool isString_ = false;
  Status formStatus_ = kOk;
};

}  // namespace

bool SaveFlow::Run(const PageHandover* handover, const std::string& leafPath,
                   const std::string& myFingerprint, std::string& savedFormText) {
  GpgSettings& settings = context_.settings;
  QWidget* owner = context_.dialogOwner;
  // The dialog leaves the passphrase in the settings; it lives no longer
  // than this save.
  const WipeOnExit wipe(settings.passphrase);

  settings.outputPath = leafPath;
  {
    SelectKeyDialog dialog(&settings, owner, context_.report);
    if (dialog.exec() != QDialog::Accepted) return false;
  }

  SaveRequest request;
  request.publicKeyMode = settings.publicKeyMode == 1;
  request.outputPath = settings.outputPath;
  if (request.publicKeyMode) {
    request.recipients = SaveRecipients(settings.recipients, myFingerprint);
  } else {
    request.passphrase = settings.passphrase;
  }

  // The page's part is gathered before gpg starts or any file is made.
  std::unique_ptr<FormPage> source;
  {
    WaitCursor cursor;
    if (handover) {
      source = std::make_unique<HandedOverFormPage>(*handover, context_.page);
    } else {
      auto snapshot = std::make_unique<PageSnapshot>(context_.page);
      if (snapshot->pageLost()) return false;
      source = std::move(snapshot);
    }
  }
  DialogSaveQuestions questions(owner);
  LeafFile leafFile(settings, context_.report);
  SaveOutcome outcome;
  {
    WaitCursor cursor;
    outcome = leafFile.Save(request, *source, context_.attachments, questions);
  }
  // gpg's own line for the failure goes under the program's text.
  const QString gpgLine = QString::fromStdString(leafFile.gpgError());
  if (outcome == SaveOutcome::EncryptionFailed) {
    QString text = QStringLiteral("Encryption Failed.");
    if (!gpgLine.isEmpty()) text += QLatin1Char('\n') + gpgLine;
    QMessageBox::critical(owner, QStringLiteral("Error"), text);
  } else if (outcome == SaveOutcome::Reported && !gpgLine.isEmpty()) {
    // The report has shown what failed here (writing to a gpg that had
    // ended shows as a broken pipe); this is why gpg ended.
    QMessageBox::critical(owner, QStringLiteral("Error"), gpgLine);
  }
  if (outcome != SaveOutcome::Saved) return false;
  if (handover) {
    savedFormText = handover->formIsString ? handover->formText : std::string();
  } else {
    savedFormText = static_cast<PageSnapshot&>(*source).formText();
  }
  return true;
}

}  // namespace ambrine
