// The key commands of the Tools menu: key management, the user's own
// fingerprint, and exporting the user's own public key.
#pragma once

#include <string>

#include "app/flows/flow_context.h"

namespace ambrine {

class KeyCommands {
 public:
  // `ownFingerprint` is the user's own key ("" when there is none).
  KeyCommands(const FlowContext& context, const std::string& ownFingerprint)
      : context_(context), ownFingerprint_(ownFingerprint) {}

  // The key management dialog, over the settings' key rings.
  void Manage();
  // Shows the own key's fingerprint in groups, as gpg prints it.
  void ShowMyFingerprint();
  // Asks for a file and exports the own public key into it; a failure, or
  // no own key, is reported (report::kOwnKeyExportFailed).
  void ExportMyKey();

 private:
  FlowContext context_;
  const std::string& ownFingerprint_;
};

}  // namespace ambrine
