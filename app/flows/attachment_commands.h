// The page's attachment methods: attachFile, detachFile, listFile and
// extractFile, on the open form's attachment store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/flows/flow_context.h"

namespace ambrine {

// The listing the page gets: "index\tname\n" per entry, in order. False
// when a line is longer than 275 characters; the page then gets no result.
bool AttachmentListing(const AttachmentStore& store, std::string& text);

class AttachmentCommands {
 public:
  explicit AttachmentCommands(const FlowContext& context) : context_(context) {}

  void Attach(std::optional<std::string>& result);
  void Detach(std::int32_t index, std::optional<std::string>& result);
  void List(std::optional<std::string>& result);
  void Extract(std::int32_t index);

 private:
  FlowContext context_;
};

}  // namespace ambrine
