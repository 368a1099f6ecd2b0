#include "app/flows/open_flow.h"

#include "app/flows/dialog_open_questions.h"
#include "app/flows/file_dialogs.h"
#include "app/flows/wait_cursor.h"
#include "leaf/attachment_store.h"
#include "leaf/leaf_file.h"

namespace ambrine {

void OpenFlow::Run(std::string& leafPath) {
  // Before the dialog, so a cancelled open also leaves no attachment.
  context_.attachments.Clear();
  const QString chosen = AskOpenFileName(
      context_.dialogOwner,
      {{QStringLiteral("gpg ファイル (*.gpg)"), QStringLiteral("*.gpg")}, AllFilesFilter()},
      QStringLiteral("gpg"));
  if (chosen.isEmpty()) return;
  leafPath = chosen.toStdString();

  WaitCursor cursor;
  DialogOpenQuestions questions(context_.dialogOwner);
  LeafFile(context_.settings, context_.report)
      .Open(leafPath, questions, context_.page, context_.attachments);
}

}  // namespace ambrine
