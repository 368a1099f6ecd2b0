// ambrine-leaf show: decrypts and verifies LEAF and prints one JSON object
// with its signatures, the page's size and SHA-256, the form text and each
// attachment's name, size and SHA-256.
#pragma once

#include "cli/leaf_command.h"

namespace ambrine {

class ShowCommand : public LeafCommand {
 protected:
  // show takes no output option.
  int CheckUsage(const CommandLine& line) override;
  // Prints the object; fails when standard output does not take it.
  int UseLeaf(const CommandLine& line, const OpenedLeaf& leaf) override;
};

}  // namespace ambrine
