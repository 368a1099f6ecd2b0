// What show and extract share: both read LEAF in one gpg pass, as the
// window's open does, answer gpg from --passphrase-file or the terminal,
// and only then do their own part with what the leaf held.
#pragma once

#include "cli/attachment_digests.h"
#include "cli/command.h"
#include "cli/exit_status.h"
#include "leaf/open_check_conversation.h"
#include "leaf/plain_form_page.h"

namespace ambrine {

// A leaf that gpg decrypted and the reader took whole.
struct OpenedLeaf {
  const GpgSettings& settings;
  PlainFormPage& page;
  OpenCheckResult& checked;
  const AttachmentDigests& attachments;
};

class LeafCommand : public Command {
 public:
  // Checks the arguments (one LEAF, then CheckUsage), reads the passphrase
  // file, calls PrepareOutput, reads the leaf ("-": standard input) with a
  // progress line, judges the open (ReportOpenVerdict) and hands an opened leaf
  // to UseLeaf.
  int Run(const CommandLine& line) final;

 protected:
  // The command's own usage rules: 0, or the usage error printed and its
  // exit status.
  virtual int CheckUsage(const CommandLine& line) = 0;
  // Called before the leaf is read: makes ready what the chosen attachment
  // (--attachment) is written to as it is read. 0, or the failure printed
  // and its exit status.
  virtual int PrepareOutput(const CommandLine& /*line*/) { return kExitSuccess; }
  // Where the chosen attachment's bytes go while the leaf is read; -1: none.
  virtual int KeepFd() const { return -1; }
  // The command's part with the opened leaf; returns the exit status.
  virtual int UseLeaf(const CommandLine& line, const OpenedLeaf& leaf) = 0;
};

}  // namespace ambrine
