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

  // Asks for a file and attaches it, gpg working on a worker thread behind
  // a progress dialog; `result` is then the listing, "" when no file was
  // chosen. A failure is told; a cancel adds nothing and tells nothing.
  void Attach(std::optional<std::string>& result);
  // Removes the entry (and its temporary file); `result` is the listing.
  void Detach(std::int32_t index, std::optional<std::string>& result);
  // `result` is the listing, or nothing when a line is too long.
  void List(std::optional<std::string>& result);
  // Asks for a target file and writes the entry's content there, gpg
  // working on a worker thread behind a progress dialog. A failure is told;
  // a cancel leaves the target as it was and tells nothing.
  void Extract(std::int32_t index);

 private:
  FlowContext context_;
};

}  // namespace ambrine
