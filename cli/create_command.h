// ambrine-leaf create: writes a leaf as the window's save does, signed with
// the first secret key and encrypted to the recipients plus that key, or
// with the passphrase of --passphrase-file (--symmetric). Attachments go
// through temporary files first, as the window's attach does; a failed
// create leaves an existing leaf as it was.
#pragma once

#include "cli/command.h"

namespace ambrine {

class CreateCommand : public Command {
 public:
  int Run(const CommandLine& line) override;
};

}  // namespace ambrine
