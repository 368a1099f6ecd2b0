// What a flow works with, handed in by the view for each command: the
// flows never reach back into the view.
#pragma once

class QWidget;

namespace ambrine {

class AttachmentStore;
class ErrorReport;
class FormPage;
struct GpgSettings;

struct FlowContext {
  GpgSettings& settings;
  AttachmentStore& attachments;
  FormPage& page;
  ErrorReport& report;
  QWidget* dialogOwner;  // the window that owns the flow's dialogs
};

}  // namespace ambrine
