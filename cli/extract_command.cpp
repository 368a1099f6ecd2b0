// extract's outputs: a part held in memory written whole, or the chosen
// attachment streamed while the leaf is read.
#include "cli/extract_command.h"

#include <fcntl.h>
#include <unistd.h>

#include "gpg/pipe_io.h"

namespace ambrine {

namespace {

// Writes `bytes` to a new owner-only file that replaces `path` only once
// it is complete, or to standard output for "-".
bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  if (path == kStandardStream) {
    return Succeeded(WritePipeBytes(STDOUT_FILENO, bytes.data(), bytes.size()));
  }
  ReplacementFile file;
  if (Failed(file.Create(path))) return false;
  Fd fd = file.TakeFd();
  if (Failed(WritePipeBytes(fd.get(), bytes.data(), bytes.size()))) return false;
  fd.reset();
  return Succeeded(file.Commit());
}

}  // namespace

int ExtractCommand::CheckUsage(const CommandLine& line) {
  const int wanted = !line.document.empty() + !line.form.empty() + line.attachmentWanted;
  if (wanted != 1) return Usage("extract needs one of --document, --form, --attachment");
  return kExitSuccess;
}

int ExtractCommand::PrepareOutput(const CommandLine& line) {
  if (!line.attachmentWanted) return kExitSuccess;
  if (line.output == kStandardStream) {
    keep_.reset(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
    if (!keep_) return Fail("cannot write to standard output");
  } else {
    if (Failed(keepFile_.Create(line.output))) return Fail("cannot create " + line.output);
    keep_ = keepFile_.TakeFd();
  }
  return kExitSuccess;
}

int ExtractCommand::UseLeaf(const CommandLine& line, const OpenedLeaf& leaf) {
  bool ok = true;
  if (!line.document.empty()) ok = WriteWholeFile(line.document, leaf.page.document);
  if (!line.form.empty()) ok = WriteWholeFile(line.form, leaf.page.form);
  if (line.attachmentWanted) {
    if (line.attachmentIndex >= static_cast<int>(leaf.attachments.infos().size())) {
      return Fail("the leaf has no attachment " + std::to_string(line.attachmentIndex));
    }
    keep_.reset();
    ok = Succeeded(leaf.attachments.keepStatus()) &&
         (line.output == kStandardStream || Succeeded(keepFile_.Commit()));
  }
  return ok ? kExitSuccess : Fail("cannot write the output file");
}

}  // namespace ambrine
