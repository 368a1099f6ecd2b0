// The window's commands: ids, menu texts, status-bar prompts and tooltips.
#pragma once

#include <QString>

namespace ambrine {

enum CommandId : int {
  kCmdNew = 57600,
  kCmdOpen = 57601,
  kCmdSave = 57603,
  kCmdExportFormData = 32775,
  kCmdPrint = 57607,
  kCmdPrintPreview = 57609,
  kCmdPageSetup = 57606,
  kCmdExit = 57665,
  kCmdUndo = 57643,
  kCmdCut = 57635,
  kCmdCopy = 57634,
  kCmdPaste = 57637,
  kCmdManageKeys = 32772,
  kCmdMyFingerprint = 32773,
  kCmdExportMyKey = 32774,
  kCmdHelpContents = 32776,
  kCmdSearch = 32777,
  kCmdViewAttachment = 32778,
  kCmdAbout = 57664,
  kCmdNextPane = 57680,
  kCmdPrevPane = 57681,
};

// The menu text of a command ("新規フォーム(&N)\tCtrl+N").
QString CommandText(int id);
// The string of a command: status-bar prompt, "\n", tooltip. Empty for the
// commands that have none.
QString CommandString(int id);
// The part before "\n" (the prompt) and the part after it (the tooltip).
QString CommandPrompt(int id);
QString CommandToolTip(int id);

// The status bar's idle text.
inline QString ReadyText() { return QStringLiteral("Ready"); }

}  // namespace ambrine
