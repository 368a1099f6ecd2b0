// File > Open: asks for a leaf file and has the leaf core check its
// signature, decrypt it and show the saved form with its values and
// attachments; the questions are asked with the window's dialogs.
#pragma once

#include <string>

#include "app/flows/flow_context.h"

namespace ambrine {

class OpenFlow {
 public:
  explicit OpenFlow(const FlowContext& context) : context_(context) {}
  // `leafPath` becomes the chosen file once the leaf replaces the record on
  // screen; every earlier ending (the progress dialog's キャンセル too)
  // leaves the record, its attachments and `leafPath` as they were. True
  // when the leaf was loaded.
  bool Run(std::string& leafPath);

 private:
  FlowContext context_;
};

}  // namespace ambrine
