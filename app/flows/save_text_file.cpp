#include "app/flows/save_text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "dialogs/file_dialogs.h"
#include "gpg/pipe_io.h"
#include "base/result.h"
#include "base/error_report.h"

namespace ambrine {

int WriteTextFile(const std::string& path, const std::string& text) {
  // The text is a record's plaintext: a new file is the owner's alone.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return LastErrorResult();
  const Result status = WritePipeBytes(fd, text.data(), text.size());
  ::close(fd);
  return status;
}

void SaveTextToChosenFile(QWidget* owner, const std::string& text, ErrorReport& report) {
  const QString path = AskSaveFileName(owner, {AllFilesFilter()});
  if (path.isEmpty()) return;
  const Result status = WriteTextFile(path.toStdString(), text);
  // Only a file that cannot be created is reported; a failed write is not
  // distinguished from it here, which reports it all the same.
  if (Failed(status)) report.Report(status, report::kTextFileUnwritable);
}

}  // namespace ambrine
