#include "app/flows/open_flow.h"

#include "app/flows/background_operation.h"
#include "app/flows/dialog_open_questions.h"
#include "dialogs/file_dialogs.h"
#include "app/flows/gui_thread_error_report.h"
#include "app/flows/gui_thread_form_page.h"
#include "app/flows/gui_thread_open_questions.h"
#include "leaf/attachment_store.h"
#include "leaf/leaf_file.h"

namespace ambrine {

bool OpenFlow::Run(std::string& leafPath) {
  const QString chosen = AskOpenFileName(
      context_.dialogOwner,
      {{QStringLiteral("gpg ファイル (*.gpg)"), QStringLiteral("*.gpg")}, AllFilesFilter()},
      QStringLiteral("gpg"));
  if (chosen.isEmpty()) return false;
  return Open(chosen.toStdString(), leafPath);
}

bool OpenFlow::Open(const std::string& path, std::string& leafPath) {
  DialogOpenQuestions dialogQuestions(context_.dialogOwner);
  // The open runs on a worker thread; the page, the questions and the
  // report are served on this one. A cancel ends it as Stopped with the
  // record on screen untouched and nothing to tell.
  GuiThreadFormPage page(context_.page);
  GuiThreadOpenQuestions questions(dialogQuestions);
  GuiThreadErrorReport report(context_.report);
  LeafFile leafFile(context_.settings, report);
  OpenOutcome outcome = OpenOutcome::Stopped;
  BackgroundOperation(context_.dialogOwner, QStringLiteral("開いています..."))
      .Run([&](OperationProgress& progress) {
        outcome = leafFile.Open(path, questions, page, context_.attachments, &progress);
      });
  if (outcome != OpenOutcome::Opened) return false;
  leafPath = path;
  return true;
}

}  // namespace ambrine
