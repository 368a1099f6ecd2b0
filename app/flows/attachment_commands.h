// The page's attachment methods: attachFile, detachFile, listFile,
// extractFile and viewFile, on the open form's attachment store.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/flows/flow_context.h"
#include "app/web/viewer_content.h"

namespace ambrine {

class WipedBytes;

// Shows an attachment read into memory: its safe name, its bytes and how to
// show them (never kUnsupported). The bytes are wiped when the last holder
// lets them go.
using ShowAttachment = std::function<void(const QString& name, std::shared_ptr<const WipedBytes> bytes,
                                          const ViewerContent& content)>;

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
  // Reads the entry's content into memory, gpg working on a worker thread
  // behind a progress dialog, and hands it to `show`. No file is made. A
  // content the viewer cannot show, or one over the in-memory limit, is
  // wiped at once and the user is offered to extract it instead. A failure
  // is told; a cancel tells nothing; an index no entry has does nothing.
  void View(std::int32_t index, const ShowAttachment& show);
  // Lets the user pick one of the attachments in a list and views it as
  // View does; with no attachment, says so.
  void ChooseAndView(const ShowAttachment& show);

 private:
  FlowContext context_;
};

}  // namespace ambrine
