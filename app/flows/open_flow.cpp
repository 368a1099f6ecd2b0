#include "app/flows/open_flow.h"

#include "app/flows/dialog_open_questions.h"
#include "app/flows/file_dialogs.h"
#include "app/flows/wait_cursor.h"
#include "leaf/attachment_store.h"
#include "leaf/leaf_file.h"

namespace ambrine {

bool OpenFlow::Run(std::string& leafPath) {
  const QString chosen = AskOpenFileName(
      context_.dialogOwner,
      {{QStringLiteral("gpg ファイル (*.gpg)"), QStringLiteral("*.gpg")}, AllFilesFilter()},
      QStringLiteral("gpg"));
  if (chosen.isEmpty()) return false;
  const std::string path = chosen.toStdString();

  WaitCursor cursor;
  DialogOpenQuestions questions(context_.dialogOwner);
  const OpenOutcome outcome = LeafFile(context_.settings, context_.report)
                                  .Open(path, questions, context_.page, context_.attachments);
  if (outcome != OpenOutcome::Opened) return false;
  leafPath = path;
  return true;
}

}  // namespace ambrine
