#include "leaf/open_check_conversation.h"

#include <cctype>

#include "base/secure_wipe.h"
#include "gpg/key_list.h"
#include "gpg/pipe_io.h"

namespace ambrine {

OpenCheckResult OpenCheckConversation::Run(Fd& status, Fd& command) {
  result_ = OpenCheckResult();
  waitingAnswers_ = 0;
  awaitingFingerprint_ = -1;
  // A failed read ends the pass like the end of data; the flow decides by
  // what was seen.
  StatusDriver(status, command).Run(*this);
  return std::move(result_);
}

StatusAction OpenCheckConversation::OnStatus(const StatusLine& line, CommandWriter& command) {
  // Once a question was refused gpg fails on its own; only its end counts.
  if (result_.questionRefused) return StatusAction::Continue;
  switch (line.kind) {
    case StatusKeyword::NeedPassphrase:
    case StatusKeyword::NeedPassphraseSym: {
      const bool symmetric = line.kind == StatusKeyword::NeedPassphraseSym;
      result_.symmetric = result_.symmetric || symmetric;
      std::string answer;
      if (!questions_.AskPassphrase(symmetric, answer)) {
        SecureWipe(answer);
        result_.end = OpenCheckEnd::Cancelled;
        result_.point = symmetric ? &report::kLeafPassphraseCancelled
                                  : &report::kKeyPassphraseCancelled;
        return StatusAction::Stop;
      }
      result_.passphraseGiven = true;
      SecureWipe(result_.passphrase);
      result_.passphrase = std::move(answer);
      // Written now; gpg's GET_HIDDEN that follows finds it waiting.
      std::string written = result_.passphrase;
      command.WriteSecretLine(written);
      ++waitingAnswers_;
      break;
    }
    case StatusKeyword::GetHidden:
      if (waitingAnswers_ > 0) {
        --waitingAnswers_;
        command.AnswerAlreadyWaiting();
      } else {
        result_.questionRefused = true;  // unanswered: the driver closes the pipe
      }
      break;
    case StatusKeyword::GetLine:
      result_.questionRefused = true;
      break;
    case StatusKeyword::GetBool:
      command.Write("y\n");
      break;
    case StatusKeyword::ValidSig:
      result_.signatureSeen = true;
      NoteValidSignature(line.arguments);
      break;
    case StatusKeyword::GoodSig: {
      result_.signatureSeen = true;
      // "GOODSIG <key id> <user id>", as the line reads after its prefix.
      CheckedSignature signature;
      Utf8ToAnsi(line.afterPrefix, signature.text);
      result_.goodSignatures.push_back(std::move(signature));
      awaitingFingerprint_ = static_cast<int>(result_.goodSignatures.size()) - 1;
      break;
    }
    case StatusKeyword::ErrSig:
      // "ERRSIG <key id> <pk algo> <hash algo> <class> <time> <rc>"; rc 9
      // is a missing public key (other codes: an algorithm gpg lacks).
      awaitingFingerprint_ = -1;
      if (StatusField(line.arguments, 5) == "9") NoteMissingKey(StatusField(line.arguments, 0));
      break;
    case StatusKeyword::NoPubkey:
      NoteMissingKey(StatusField(line.arguments, 0));
      break;
    case StatusKeyword::DecryptionOkay:
      result_.decrypted = true;
      break;
    case StatusKeyword::BadPassphrase:
      questions_.ShowBadPassphrase();
      result_.end = OpenCheckEnd::BadPassphrase;
      result_.point = &report::kBadPassphrase;
      return StatusAction::Stop;
    default:
      break;
  }
  return StatusAction::Continue;
}

namespace {

bool SameHex(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

void OpenCheckConversation::NoteValidSignature(std::string_view arguments) {
  // gpg writes a signature's VALIDSIG after its GOODSIG; one without a
  // GOODSIG waiting (an expired or revoked key's) names no one to show.
  if (awaitingFingerprint_ < 0) return;
  CheckedSignature& signature = result_.goodSignatures[awaitingFingerprint_];
  awaitingFingerprint_ = -1;
  const ValidSignature valid = SplitValidSignature(arguments);
  if (valid.primary.empty()) return;
  // A v4 fingerprint ends with the signing key's long key id: a line of
  // another signature never lends its fingerprint to this user id.
  const std::string keyId = SplitGoodSignature(signature.text).keyId;
  if (valid.signing.size() == 40 && keyId.size() == 16 &&
      !SameHex(std::string_view(valid.signing).substr(24), keyId)) {
    return;
  }
  signature.fingerprint = valid.primary;
}

void OpenCheckConversation::NoteMissingKey(std::string_view keyId) {
  if (!IsHexText(keyId)) return;
  for (const std::string& known : result_.missingKeyIds) {
    if (SameHex(known, keyId)) return;  // ERRSIG and its NO_PUBKEY name one key
  }
  result_.missingKeyIds.emplace_back(keyId);
}

void MarkOwnSignatures(OpenCheckResult& checked, const std::string& ownFingerprint) {
  for (CheckedSignature& signature : checked.goodSignatures) {
    signature.ownKey = !ownFingerprint.empty() && SameHex(signature.fingerprint, ownFingerprint);
  }
}

std::string ConfirmationText(const std::vector<CheckedSignature>& goodSignatures) {
  std::string text;
  for (const CheckedSignature& signature : goodSignatures) {
    text += SplitGoodSignature(signature.text).userId;
    text += "\n";
    if (!signature.fingerprint.empty()) {
      text += "鍵指紋: " + FormatFingerprint(signature.fingerprint);
      if (signature.ownKey) text += "（自分の鍵）";
      text += "\n";
    }
  }
  text += goodSignatures.empty() ? "確認された電子署名はありません" : "上記の電子署名が確認されました";
  text += "\n処理を続行しますか?";
  return text;
}

std::string NoSignatureText(const std::vector<std::string>& missingKeyIds) {
  std::string text;
  for (const std::string& keyId : missingKeyIds) {
    text += "鍵 ID: " + FormatFingerprint(keyId) + "（公開鍵がありません）\n";
  }
  text += "有効な電子署名が見つかりません。処理を続行しますか?";
  return text;
}

}  // namespace ambrine
