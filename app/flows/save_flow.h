// File > Save and the page's saveLeaf(): asks for the save options and has
// the leaf core write the form, its values and its attachments as an
// encrypted, signed leaf.
#pragma once

#include <string>

#include "app/flows/flow_context.h"

namespace ambrine {

struct PageHandover;

// What a save wrote: the leaf, and the page's saveForm() text it holds
// ("" when the page gave no string).
struct SavedLeaf {
  std::string path;
  std::string formText;
};

class SaveFlow {
 public:
  explicit SaveFlow(const FlowContext& context) : context_(context) {}
  // `handover` is what the page's saveLeaf call brought along; its document
  // and form text are taken from it. Null when the command came from the
  // menu and the page can be asked directly.
  // `leafPath` is proposed as the output file; `ownFingerprint` is added to
  // the chosen keys. The save options go into a SaveRequest of this save
  // alone, whose passphrase is wiped when the save ends, on every path.
  // True when the leaf was written; `saved` then tells where and what.
  //
  // The page's document and form text are taken once, before gpg starts,
  // into the one page the worker writes from. Without a handover the page
  // is asked for them: a page that does not answer (see FormView's wait
  // limit) or whose process died ends the save with no gpg run and no file
  // touched, and without a report (the window tells the user). A document
  // or saveForm() result the page could not give is reported
  // (report::kDocumentUnsaved, report::kSaveFormFailed) and ends the save
  // the same way.
  //
  // gpg's part runs on a worker thread behind a progress dialog (see
  // BackgroundOperation); its キャンセル ends the save with nothing shown
  // and the old leaf as it was.
  bool Run(PageHandover* handover, const std::string& leafPath, const std::string& ownFingerprint,
           SavedLeaf& saved);

 private:
  FlowContext context_;
};

}  // namespace ambrine
