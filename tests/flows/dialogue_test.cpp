// The save and open dialogues with gpg, line by line, over real pipes; the
// texts the user sees; the order of recipients; the attachment listing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/flows/attachment_commands.h"
#include "leaf/leaf_file.h"
#include "leaf/open_check_conversation.h"
#include "leaf/save_conversation.h"
#include "base/fd.h"
#include "leaf/attachment_store.h"

namespace ambrine {
namespace {

// A pipe holding `lines` (each given a line end) and then its end.
Fd StatusInput(const std::vector<std::string>& lines) {
  int fds[2];
  EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  for (const std::string& line : lines) {
    const std::string text = line + "\n";
    EXPECT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  ::close(fds[1]);
  return Fd(fds[0]);
}

// The command pipe: the dialogue writes into `write`, the test reads `read`.
struct CommandPipe {
  CommandPipe() {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    read = Fd(fds[0]);
    write = Fd(fds[1]);
  }
  std::string Written() {
    write.reset();
    std::string all;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(read.get(), buffer, sizeof buffer)) > 0) all.append(buffer, n);
    return all;
  }
  Fd read, write;
};

struct Asked {
  std::string kind;  // "line", "hidden", "bool", "bad"
  std::string prompt;
};

class FakeSaveQuestions : public SaveQuestions {
 public:
  std::string AskLine(const std::string& prompt, bool hidden) override {
    asked.push_back({hidden ? "hidden" : "line", prompt});
    return answer;
  }
  bool AskYesNo(const std::string& prompt) override {
    asked.push_back({"bool", prompt});
    return yes;
  }
  void ShowBadPassphrase() override { asked.push_back({"bad", ""}); }
  std::vector<Asked> asked;
  std::string answer = "typed";
  bool yes = true;
};

TEST(SaveConversation, AsksWithThePromptOfTheLastLineAndStopsAtBeginSigning) {
  Fd status = StatusInput({
      "[GNUPG:] USERID_HINT 0123 Bob Flow",
      "[GNUPG:] NEED_PASSPHRASE 0123 0123 17 0",
      "[GNUPG:] GET_HIDDEN passphrase.enter",
      "[GNUPG:] BAD_PASSPHRASE 0123",
      "[GNUPG:] NEED_PASSPHRASE_SYM 9 3 2",
      "[GNUPG:] GET_LINE some.question",
      "[GNUPG:] SOMETHING_NEW with arguments",
      "[GNUPG:] GET_BOOL openfile.overwrite.okay",
      "[GNUPG:] BEGIN_SIGNING",
      "[GNUPG:] GET_BOOL never.read",
  });
  CommandPipe command;
  FakeSaveQuestions questions;
  SaveConversation dialogue(questions);
  const SaveConversationResult result = dialogue.Run(status, command.write);

  EXPECT_EQ(result.end, SaveConversationEnd::Began);
  ASSERT_EQ(questions.asked.size(), 4u);
  EXPECT_EQ(questions.asked[0].kind, "hidden");
  EXPECT_EQ(questions.asked[0].prompt,
            "秘密鍵のロックを解除するためのパスフレーズを入力してください。");
  EXPECT_EQ(questions.asked[1].kind, "bad");
  EXPECT_EQ(questions.asked[2].kind, "line");
  EXPECT_EQ(questions.asked[2].prompt, "対称暗号化のためのパスフレーズを入力してください。");
  // A keyword without a reaction of its own becomes the prompt, whole.
  EXPECT_EQ(questions.asked[3].kind, "bool");
  EXPECT_EQ(questions.asked[3].prompt, "SOMETHING_NEW with arguments");
  EXPECT_EQ(command.Written(), "typed\ntyped\ny\n");
}

TEST(SaveConversation, MessagePassphraseAnswersOnlyTheSymmetricQuestion) {
  Fd status = StatusInput({
      "[GNUPG:] NEED_PASSPHRASE 0123 0123 17 0",
      "[GNUPG:] GET_HIDDEN passphrase.enter",
      "[GNUPG:] NEED_PASSPHRASE_SYM 7 3 2",
      "[GNUPG:] GET_HIDDEN passphrase.enter",
  });
  CommandPipe command;
  FakeSaveQuestions questions;
  questions.answer = "key pass";
  SaveConversation dialogue(questions);
  const std::string message = "message pass";
  dialogue.SetSymmetricPassphrase(&message);
  EXPECT_EQ(dialogue.Run(status, command.write).end, SaveConversationEnd::EndOfData);
  ASSERT_EQ(questions.asked.size(), 1u);
  EXPECT_EQ(questions.asked[0].prompt,
            "秘密鍵のロックを解除するためのパスフレーズを入力してください。");
  EXPECT_EQ(command.Written(), "key pass\nmessage pass\n");
  EXPECT_EQ(message, "message pass");  // the settings keep theirs
}

TEST(SaveConversation, CancelledInputGivesAnEmptyLineAndNoIsAnswered) {
  Fd status = StatusInput({"[GNUPG:] GET_HIDDEN passphrase.enter", "[GNUPG:] GET_BOOL q"});
  CommandPipe command;
  FakeSaveQuestions questions;
  questions.answer = "";
  questions.yes = false;
  SaveConversation dialogue(questions);
  EXPECT_EQ(dialogue.Run(status, command.write).end, SaveConversationEnd::EndOfData);
  EXPECT_EQ(command.Written(), "\nn\n");
}

TEST(SaveConversation, CancellingTheSecretKeysPassphraseStopsWithoutAnAnswer) {
  Fd status = StatusInput({"[GNUPG:] NEED_PASSPHRASE 1 2 17 0", "[GNUPG:] GET_HIDDEN passphrase.enter",
                           "[GNUPG:] BAD_PASSPHRASE 1", "[GNUPG:] GET_HIDDEN passphrase.enter"});
  CommandPipe command;
  FakeSaveQuestions questions;
  questions.answer = "";
  SaveConversation dialogue(questions);
  EXPECT_EQ(dialogue.Run(status, command.write).end, SaveConversationEnd::Cancelled);
  EXPECT_EQ(command.Written(), "");
  ASSERT_EQ(questions.asked.size(), 1u);  // no "Bad Passphrase", no second question
}

TEST(SaveConversation, AnswerThatCannotBeWrittenEndsTheDialogueWithItsStep) {
  Fd status = StatusInput({"[GNUPG:] GET_LINE q", "[GNUPG:] GET_BOOL q"});
  CommandPipe command;
  command.read.reset();  // gpg is gone
  FakeSaveQuestions questions;
  SaveConversation dialogue(questions);
  const SaveConversationResult result = dialogue.Run(status, command.write);
  EXPECT_EQ(result.end, SaveConversationEnd::WriteFailed);
  EXPECT_EQ(result.point, &report::kLineAnswerFailed);
  EXPECT_TRUE(Failed(result.status));
  EXPECT_EQ(questions.asked.size(), 1u);
}

class FakeOpenQuestions : public OpenQuestions {
 public:
  bool AskPassphrase(bool symmetric, std::string& answer) override {
    asked.push_back(symmetric ? "symmetric" : "key");
    if (answers.empty()) return false;
    answer = answers.front();
    answers.erase(answers.begin());
    return true;
  }
  void ShowBadPassphrase() override { asked.push_back("bad"); }
  std::vector<std::string> asked;
  std::vector<std::string> answers;
};

TEST(OpenCheckConversation, WritesEachPassphraseAtOnceAndKeepsTheLast) {
  Fd status = StatusInput({
      "[GNUPG:] NEED_PASSPHRASE 1 2 16 0",
      "[GNUPG:] GET_HIDDEN passphrase.enter",
      "[GNUPG:] NEED_PASSPHRASE_SYM 9 3 2",
      "[GNUPG:] GET_HIDDEN passphrase.enter",
      "[GNUPG:] GET_BOOL untrusted.question",
      "GOODSIG not a status line",
      "[GNUPG:] DECRYPTION_OKAY",
      "[GNUPG:] GOODSIG 1234ABCD Alice Flow <alice@example.org>",
      "[GNUPG:] GOODSIG 5678EF00 アリス",
  });
  CommandPipe command;
  FakeOpenQuestions questions;
  questions.answers = {"", "second パス"};
  OpenCheckConversation dialogue(questions);
  const OpenCheckResult result = dialogue.Run(status, command.write);

  EXPECT_EQ(result.end, OpenCheckEnd::Finished);
  EXPECT_EQ(questions.asked, (std::vector<std::string>{"key", "symmetric"}));
  EXPECT_EQ(result.passphrase, "second パス");
  EXPECT_TRUE(result.decrypted);
  EXPECT_TRUE(result.signatureSeen);
  EXPECT_FALSE(result.questionRefused);
  ASSERT_EQ(result.goodSignatures.size(), 2u);
  EXPECT_EQ(result.goodSignatures[0].text, "GOODSIG 1234ABCD Alice Flow <alice@example.org>");
  EXPECT_EQ(result.goodSignatures[1].text, "GOODSIG 5678EF00 アリス");
  EXPECT_EQ(command.Written(), "\nsecond パス\ny\n");
}

// Each VALIDSIG gives its fingerprint to the GOODSIG just before it, the
// primary key's when named; a VALIDSIG of another key, or of a signature
// without a GOODSIG, gives none. Missing keys are named once each.
TEST(OpenCheckConversation, PairsFingerprintsWithTheirSignersAndNamesMissingKeys) {
  const std::string alice = "0123456789ABCDEF0123456789ABCDEF01234567";
  const std::string aliceSub = "FEDCBA9876543210FEDCBA9876543210AABBCCDD";
  const std::string other = "1111222233334444555566667777888899990000";
  Fd status = StatusInput({
      "[GNUPG:] GOODSIG 76543210AABBCCDD Alice",
      "[GNUPG:] VALIDSIG " + aliceSub + " 2024-01-01 1704067200 0 4 0 17 2 00 " + alice,
      "[GNUPG:] GOODSIG 9999999999999999 Alice",
      "[GNUPG:] VALIDSIG " + other + " 2024-01-01 1704067200 0 4 0 17 2 00 " + other,
      "[GNUPG:] EXPKEYSIG 7777888899990000 Expired",
      "[GNUPG:] VALIDSIG " + other + " 2024-01-01 1704067200 0 4 0 17 2 00",
      "[GNUPG:] GOODSIG 7777888899990000 Old Style",
      "[GNUPG:] VALIDSIG " + other + " 2024-01-01 1704067200 0 4 0 17 2 00",
      "[GNUPG:] ERRSIG B9D2A4BF79F76495 17 2 00 1704067200 9",
      "[GNUPG:] NO_PUBKEY B9D2A4BF79F76495",
      "[GNUPG:] ERRSIG 0000111122223333 99 2 00 1704067200 4",
      "[GNUPG:] NO_PUBKEY not-hex",
      "[GNUPG:] DECRYPTION_OKAY",
  });
  CommandPipe command;
  FakeOpenQuestions questions;
  OpenCheckConversation dialogue(questions);
  OpenCheckResult result = dialogue.Run(status, command.write);
  ASSERT_EQ(result.goodSignatures.size(), 3u);
  EXPECT_EQ(result.goodSignatures[0].fingerprint, alice);  // the primary, not the subkey
  EXPECT_EQ(result.goodSignatures[1].fingerprint, "");     // key id and fingerprint disagree
  EXPECT_EQ(result.goodSignatures[2].fingerprint, other);  // no primary named: the signing key
  EXPECT_EQ(result.missingKeyIds, std::vector<std::string>{"B9D2A4BF79F76495"});

  MarkOwnSignatures(result, "0123456789abcdef0123456789abcdef01234567");
  EXPECT_TRUE(result.goodSignatures[0].ownKey);
  EXPECT_FALSE(result.goodSignatures[1].ownKey);
  EXPECT_FALSE(result.goodSignatures[2].ownKey);
  MarkOwnSignatures(result, "");
  EXPECT_FALSE(result.goodSignatures[0].ownKey);
}

TEST(OpenCheckConversation, ALineQuestionClosesTheCommandPipeAndIgnoresTheRest) {
  Fd status = StatusInput({
      "[GNUPG:] GET_LINE some.question",
      "[GNUPG:] BAD_PASSPHRASE 1",
      "[GNUPG:] NEED_PASSPHRASE 1 2 16 0",
  });
  CommandPipe command;
  FakeOpenQuestions questions;
  OpenCheckConversation dialogue(questions);
  const OpenCheckResult result = dialogue.Run(status, command.write);
  EXPECT_EQ(result.end, OpenCheckEnd::Finished);
  EXPECT_TRUE(result.questionRefused);
  EXPECT_FALSE(command.write.valid());
  EXPECT_TRUE(questions.asked.empty());
  EXPECT_FALSE(result.decrypted);
}

TEST(OpenCheckConversation, AHiddenQuestionWithoutAWaitingAnswerIsRefused) {
  Fd status = StatusInput({"[GNUPG:] GET_HIDDEN passphrase.enter"});
  CommandPipe command;
  FakeOpenQuestions questions;
  OpenCheckConversation dialogue(questions);
  EXPECT_TRUE(dialogue.Run(status, command.write).questionRefused);
  EXPECT_FALSE(command.write.valid());
}

TEST(OpenCheckConversation, CancelAndBadPassphraseEndWithTheirSteps) {
  {
    Fd status = StatusInput({"[GNUPG:] NEED_PASSPHRASE_SYM 9 3 2", "[GNUPG:] DECRYPTION_OKAY"});
    CommandPipe command;
    FakeOpenQuestions questions;  // no answers: cancel
    OpenCheckConversation dialogue(questions);
    const OpenCheckResult result = dialogue.Run(status, command.write);
    EXPECT_EQ(result.end, OpenCheckEnd::Cancelled);
    EXPECT_EQ(result.point, &report::kLeafPassphraseCancelled);
    EXPECT_FALSE(result.decrypted);
  }
  {
    Fd status = StatusInput({"[GNUPG:] NEED_PASSPHRASE 1 2 16 0", "[GNUPG:] GET_HIDDEN p",
                             "[GNUPG:] BAD_PASSPHRASE 1", "[GNUPG:] DECRYPTION_OKAY"});
    CommandPipe command;
    FakeOpenQuestions questions;
    questions.answers = {"wrong"};
    OpenCheckConversation dialogue(questions);
    const OpenCheckResult result = dialogue.Run(status, command.write);
    EXPECT_EQ(result.end, OpenCheckEnd::BadPassphrase);
    EXPECT_EQ(result.point, &report::kBadPassphrase);
    EXPECT_EQ(questions.asked, (std::vector<std::string>{"key", "bad"}));
    EXPECT_FALSE(result.decrypted);  // nothing after the bad passphrase is read
  }
}

TEST(ConfirmationText, ListsUserIdsWithFingerprintsOrSaysNoneWasConfirmed) {
  EXPECT_EQ(ConfirmationText({{"GOODSIG 1234ABCD Alice Flow <a@example.org>",
                               "0123456789ABCDEF0123456789ABCDEF01234567", true},
                              {"GOODSIG 5678EF00 Alice Flow <a@example.org>",
                               "FEDCBA9876543210FEDCBA9876543210FEDCBA98", false},
                              {"GOODSIG 9ABC", "0123456789ABCDEF0123456789ABCDEF", false},
                              {"GOODSIG onlyone", "", false}}),
            "Alice Flow <a@example.org>\n"
            "鍵指紋: 0123 4567 89AB CDEF 0123 4567 89AB CDEF 0123 4567（自分の鍵）\n"
            "Alice Flow <a@example.org>\n"
            "鍵指紋: FEDC BA98 7654 3210 FEDC BA98 7654 3210 FEDC BA98\n"
            "9ABC\n"
            "鍵指紋: 0123 4567 89AB CDEF 0123 4567 89AB CDEF\n"
            "onlyone\n"
            "上記の電子署名が確認されました\n処理を続行しますか?");
  EXPECT_EQ(ConfirmationText({}), "確認された電子署名はありません\n処理を続行しますか?");
}

TEST(NoSignatureText, NamesEachMissingKeyBeforeTheQuestion) {
  EXPECT_EQ(NoSignatureText({}), "有効な電子署名が見つかりません。処理を続行しますか?");
  EXPECT_EQ(NoSignatureText({"B9D2A4BF79F76495", "0011223344556677"}),
            "鍵 ID: B9D2 A4BF 79F7 6495（公開鍵がありません）\n"
            "鍵 ID: 0011 2233 4455 6677（公開鍵がありません）\n"
            "有効な電子署名が見つかりません。処理を続行しますか?");
}

TEST(SaveRecipients, ChosenKeysInOrderThenMyOwnLast) {
  EXPECT_EQ(SaveRecipients({"B", "A"}, "MINE"), (std::vector<std::string>{"B", "A", "MINE"}));
  EXPECT_EQ(SaveRecipients({}, "MINE"), std::vector<std::string>{"MINE"});
}

TEST(AttachmentListing, OneLinePerEntryAndNoneForTooLongALine) {
  AttachmentStore store;
  std::string text = "left";
  EXPECT_TRUE(AttachmentListing(store, text));
  EXPECT_EQ(text, "");
  store.Append("a.txt", "", "");
  store.Append("報告書.txt", "", "");
  EXPECT_TRUE(AttachmentListing(store, text));
  EXPECT_EQ(text, "0\ta.txt\n1\t報告書.txt\n");
  // A name cannot add lines or columns to the listing.
  store.Append("x\n7\tforged\r.txt", "", "");
  EXPECT_TRUE(AttachmentListing(store, text));
  EXPECT_EQ(text, "0\ta.txt\n1\t報告書.txt\n2\tx 7 forged .txt\n");
  EXPECT_EQ(store.Find(2)->name, "x\n7\tforged\r.txt");
  store.Append(std::string(273, 'x'), "", "");  // "3\t" + 273 + "\n" = 276
  EXPECT_FALSE(AttachmentListing(store, text));
}

}  // namespace
}  // namespace ambrine
