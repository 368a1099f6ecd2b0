// The JSON object show prints for an opened leaf.
#include "cli/show_command.h"

#include "cli/json_writer.h"
#include "gpg/own_key.h"
#include "gpg/status_line.h"

namespace ambrine {

int ShowCommand::CheckUsage(const CommandLine& line) {
  if (!line.document.empty() || !line.form.empty() || line.attachmentWanted) {
    return Usage("show takes no output option");
  }
  return kExitSuccess;
}

int ShowCommand::UseLeaf(const CommandLine& /*line*/, const OpenedLeaf& leaf) {
  OpenCheckResult& checked = leaf.checked;
  if (!checked.goodSignatures.empty()) {
    MarkOwnSignatures(checked, ReadOwnKey(leaf.settings).fingerprint);
  }
  JsonWriter json;
  json.BeginObject().Key("decrypted").Bool(true).Key("signatures").BeginArray();
  for (const CheckedSignature& checkedSignature : checked.goodSignatures) {
    const GoodSignature signature = SplitGoodSignature(checkedSignature.text);
    json.BeginObject()
        .Key("keyid").String(signature.keyId)
        .Key("uid").String(signature.userId)
        .Key("fingerprint").String(checkedSignature.fingerprint)
        .Key("own").Bool(checkedSignature.ownKey)
        .EndObject();
  }
  json.EndArray().Key("unknown_signers").BeginArray();
  for (const std::string& keyId : checked.missingKeyIds) {
    json.BeginObject().Key("keyid").String(keyId).EndObject();
  }
  json.EndArray()
      .Key("document").BeginObject()
      .Key("bytes").Number(leaf.page.document.size())
      .Key("sha256").String(Sha256::Hex(leaf.page.document))
      .EndObject()
      .Key("form").String(leaf.page.form)
      .Key("attachments").BeginArray();
  const std::vector<AttachmentDigests::Info>& infos = leaf.attachments.infos();
  for (std::size_t i = 0; i < infos.size(); ++i) {
    json.BeginObject()
        .Key("index").Number(i)
        .Key("name").String(infos[i].name)
        .Key("bytes").Number(infos[i].bytes)
        .Key("sha256").String(infos[i].sha256)
        .EndObject();
  }
  json.EndArray().EndObject();
  return json.PrintLine() ? kExitSuccess : Fail("cannot write to standard output");
}

}  // namespace ambrine
