#include "app/window/commands.h"

#include <array>

namespace ambrine {

namespace {

struct CommandTexts {
  int id;
  const char* text;
  const char* string;
};

constexpr std::array<CommandTexts, 19> kCommands{{
    {kCmdNew, "新規フォーム(&N)\tCtrl+N", "Create a new document\nNew"},
    {kCmdOpen, "フォームを開く(&O)...\tCtrl+O", "Open an existing document\nOpen"},
    {kCmdSave, "フォームの保存(&S)\tCtrl+S", "Save the active document\nSave"},
    {kCmdExportFormData, "フォーム内データのエクスポート(&E)", ""},
    {kCmdPrint, "印刷(&P)...\tCtrl+P", "Print the active document\nPrint"},
    {kCmdPrintPreview, "印刷プレビュー(&V)", "Display full pages\nPrint Preview"},
    {kCmdPageSetup, "プリンタの設定(&R)...", "Change the printer and printing options\nPrint Setup"},
    {kCmdExit, "終了(&X)", "Quit the application; prompts to save documents\nExit"},
    {kCmdUndo, "元に戻す(&U)\tCtrl+Z", "Undo the last action\nUndo"},
    {kCmdCut, "切り取り(&T)\tCtrl+X", "Cut the selection and put it on the Clipboard\nCut"},
    {kCmdCopy, "コピー(&C)\tCtrl+C", "Copy the selection and put it on the Clipboard\nCopy"},
    {kCmdPaste, "貼り付け(&P)\tCtrl+V", "Insert Clipboard contents\nPaste"},
    {kCmdSearch, "検索(&S)...\tCtrl+Shift+F", "Search the records in a folder\nSearch"},
    {kCmdManageKeys, "鍵の管理(&M)", ""},
    {kCmdMyFingerprint, "自分の鍵指紋(&F)", ""},
    {kCmdExportMyKey, "自分の鍵のエクスポート(&E)", ""},
    {kCmdViewAttachment, "添付ファイルの表示(&V)...", ""},
    {kCmdHelpContents, "目次（&C)", ""},
    {kCmdAbout, "Ambrineのバージョン情報(&A)",
     "Display program information, version number and copyright\nAbout"},
}};

const CommandTexts* Find(int id) {
  for (const CommandTexts& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace

QString CommandText(int id) {
  const CommandTexts* c = Find(id);
  return c ? QString::fromUtf8(c->text) : QString();
}

QString CommandString(int id) {
  const CommandTexts* c = Find(id);
  return c ? QString::fromUtf8(c->string) : QString();
}

QString CommandPrompt(int id) { return CommandString(id).section(QLatin1Char('\n'), 0, 0); }

QString CommandToolTip(int id) {
  const QString s = CommandString(id);
  const qsizetype nl = s.indexOf(QLatin1Char('\n'));
  // Tooltips are cut to 79 characters, as the toolbar's buffer holds.
  return nl < 0 ? QString() : s.mid(nl + 1).left(79);
}

}  // namespace ambrine
