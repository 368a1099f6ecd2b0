#include "app/attachment_commands.h"

#include "app/main_view.h"

namespace ambrine {

// The attachment commands are added by their own change; until then the
// page's calls are accepted and change nothing.
void AttachmentCommands::Attach(std::optional<std::string>& result) { (void)result; }

void AttachmentCommands::Detach(std::int32_t index, std::optional<std::string>& result) {
  (void)index;
  (void)result;
}

void AttachmentCommands::List(std::optional<std::string>& result) { (void)result; }

void AttachmentCommands::Extract(std::int32_t index) { (void)index; }

}  // namespace ambrine
