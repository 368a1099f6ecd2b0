// ambrine-leaf extract: writes the saved page, the form text or one
// attachment of LEAF to OUT ("-": standard output). A file OUT is replaced
// only once it is whole.
#pragma once

#include "base/fd.h"
#include "base/replacement_file.h"
#include "cli/leaf_command.h"

namespace ambrine {

class ExtractCommand : public LeafCommand {
 protected:
  // Exactly one of --document, --form, --attachment.
  int CheckUsage(const CommandLine& line) override;
  // For --attachment: the replacement file of OUT, or standard output.
  int PrepareOutput(const CommandLine& line) override;
  int KeepFd() const override { return keep_.get(); }
  // Writes the chosen part; a missing attachment or a failed write fails.
  int UseLeaf(const CommandLine& line, const OpenedLeaf& leaf) override;

 private:
  ReplacementFile keepFile_;
  Fd keep_;
};

}  // namespace ambrine
