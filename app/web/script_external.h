// The program's script object, window.external in the form page. The page
// calls it by name; names map to dispatch ids and the dispatcher converts
// the arguments and calls one of the seven operations.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/web/script_value.h"
#include "base/result.h"

namespace ambrine {

enum DispatchId : int {
  kDispatchUnknown = 0,
  kDispatchSaveLeaf = 1,
  kDispatchAttachFile = 2,
  kDispatchDetachFile = 3,
  kDispatchListFile = 4,
  kDispatchExtractFile = 5,
  kDispatchSaveForm = 6,
  kDispatchViewFile = 7,
};

class ScriptExternal {
 public:
  virtual ~ScriptExternal() = default;

  // The id of a method name (exact, case-sensitive); 0 for any other name.
  static int GetIdOfName(std::string_view name);
  // Fills one id per name, in order; always succeeds.
  static Result GetIdsOfNames(const std::vector<std::string>& names, std::vector<int>& ids);

  // Calls the operation of `id` with `args` (only the first one is used).
  // `result` receives a string result, when the operation gives one.
  // Unknown ids give kNotImplemented.
  Result Invoke(int id, const std::vector<ScriptValue>& args,
                std::optional<std::string>& result);

  // The operations; results are left untouched when there is none.
  virtual void saveLeaf() = 0;
  virtual void attachFile(std::optional<std::string>& result) = 0;
  virtual void detachFile(std::int32_t index, std::optional<std::string>& result) = 0;
  virtual void listFile(std::optional<std::string>& result) = 0;
  virtual void extractFile(std::int32_t index) = 0;
  virtual void saveForm(const std::string& text) = 0;
  // Shows the attachment of that index in a viewer window of its own, read
  // into memory only; an index no attachment has does nothing.
  virtual void viewFile(std::int32_t index) = 0;
};

}  // namespace ambrine
