// The dialogs' passphrase fields: made alike, read as UTF-8 without leaving
// copies behind, and overwritten when the dialog is done with them.
#pragma once

#include <string>

class QLineEdit;
class QWidget;

namespace ambrine {

// The longest passphrase the passphrase questions of a save or an open
// take (a 260-character buffer with its terminator): a field that asks for
// a passphrase to be used later takes no more.
constexpr int kPassphraseFieldLimit = 259;

// A password field named `objectName` that takes at most `maxLength`
// characters and offers no context menu (nothing to copy out of it).
QLineEdit* NewPassphraseEdit(const char* objectName, int maxLength, QWidget* parent);

// The field's text as UTF-8; the copy made on the way is wiped.
std::string PassphraseText(const QLineEdit* edit);

// Overwrites the field's text, then empties it, so the passphrase does not
// linger in the widget.
void WipePassphraseField(QLineEdit* edit);

}  // namespace ambrine
