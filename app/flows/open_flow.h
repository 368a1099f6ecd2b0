// File > Open: asks for a leaf file (or takes one given on the command line
// or dropped on the window) and has the leaf core check its signature,
// decrypt it and show the saved form with its values and attachments; the
// questions are asked with the window's dialogs.
#pragma once

#include <string>

#include "app/flows/flow_context.h"

namespace ambrine {

class OpenFlow {
 public:
  explicit OpenFlow(const FlowContext& context) : context_(context) {}
  // Asks for a leaf file with the file dialog, then opens it as Open does.
  // A cancelled dialog ends it: false, nothing changed.
  bool Run(std::string& leafPath);

  // Opens the leaf `path`: its questions, confirmation and progress, no
  // file dialog. `leafPath` becomes `path` once the leaf replaces the
  // record on screen; every earlier ending (a file that cannot be read,
  // the progress dialog's キャンセル too) leaves the record, its
  // attachments and `leafPath` as they were. True when the leaf was loaded.
  bool Open(const std::string& path, std::string& leafPath);

 private:
  FlowContext context_;
};

}  // namespace ambrine
