// File > Save and the page's saveLeaf(): asks for the save options and has
// the leaf core write the form, its values and its attachments as an
// encrypted, signed leaf.
#pragma once

#include <string>

#include "app/flows/flow_context.h"

namespace ambrine {

struct PageHandover;

class SaveFlow {
 public:
  explicit SaveFlow(const FlowContext& context) : context_(context) {}
  // `handover` is what the page's saveLeaf call brought along; null when the
  // command came from the menu and the page can be asked directly.
  // `leafPath` is proposed as the output file; `myFingerprint` is added to
  // the chosen keys. The save dialog's passphrase is wiped from the settings
  // when the save ends, on every path. True when the leaf was written, to
  // the settings' outputPath; `savedFormText` is then the saveForm() text it
  // holds ("" when the page gave no string).
  //
  // Without a handover the page is asked for its document and saveForm()
  // before gpg starts: a page that does not answer (see FormView's wait
  // limit) or whose process died ends the save with no gpg run and no file
  // touched, and without a report (the window tells the user).
  //
  // gpg's part runs on a worker thread behind a progress dialog (see
  // BackgroundOperation); its キャンセル ends the save with nothing shown
  // and the old leaf as it was.
  bool Run(const PageHandover* handover, const std::string& leafPath,
           const std::string& myFingerprint, std::string& savedFormText);

 private:
  FlowContext context_;
};

}  // namespace ambrine
