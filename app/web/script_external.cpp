#include "app/web/script_external.h"

#include <array>
#include <cctype>
#include <climits>

namespace ambrine {

namespace {

struct NamedId {
  std::string_view name;
  int id;
};

constexpr std::array<NamedId, 7> kMethods{{
    {"saveLeaf", kDispatchSaveLeaf},
    {"attachFile", kDispatchAttachFile},
    {"detachFile", kDispatchDetachFile},
    {"listFile", kDispatchListFile},
    {"extractFile", kDispatchExtractFile},
    {"saveForm", kDispatchSaveForm},
    {"viewFile", kDispatchViewFile},
}};

// atoi-like: leading white space, an optional sign, then decimal digits.
// Values beyond the 32-bit range are clamped rather than wrapped.
std::int32_t LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t IntegerOf(const ScriptValue& value) {
  switch (value.kind) {
    case ScriptValue::Kind::String:
      return LeadingInteger(value.text);
    case ScriptValue::Kind::Int32:
      return value.number;
    case ScriptValue::Kind::Int16:
      return static_cast<std::int16_t>(value.number);
    case ScriptValue::Kind::Byte:
      return static_cast<std::uint8_t>(value.number);
    default:
      return 0;
  }
}

int ScriptExternal::GetIdOfName(std::string_view name) {
  for (const NamedId& m : kMethods)
    if (m.name == name) return m.id;
  return kDispatchUnknown;
}

Result ScriptExternal::GetIdsOfNames(const std::vector<std::string>& names,
                                     std::vector<int>& ids) {
  ids.clear();
  for (const std::string& name : names) ids.push_back(GetIdOfName(name));
  return kOk;
}

Result ScriptExternal::Invoke(int id, const std::vector<ScriptValue>& args,
                              std::optional<std::string>& result) {
  const ScriptValue none;
  const ScriptValue& first = args.empty() ? none : args.front();
  switch (id) {
    case kDispatchSaveLeaf:
      saveLeaf();
      return kOk;
    case kDispatchAttachFile:
      attachFile(result);
      return kOk;
    case kDispatchDetachFile:
      detachFile(IntegerOf(first), result);
      return kOk;
    case kDispatchListFile:
      listFile(result);
      return kOk;
    case kDispatchExtractFile:
      extractFile(IntegerOf(first));
      return kOk;
    case kDispatchSaveForm:
      // Only a string is written; anything else is accepted and ignored.
      if (first.isString()) saveForm(first.text);
      return kOk;
    case kDispatchViewFile:
      viewFile(IntegerOf(first));
      return kOk;
    default:
      return kNotImplemented;
  }
}

}  // namespace ambrine
