// The script put into every form document before the page's own scripts: it
// defines window.external, whose method calls travel to the program through
// prompt() with a marker text and JSON arguments that keep their types.
#pragma once

#include <QString>

namespace ambrine {

// The longest piece of a call or an answer that travels in one prompt():
// the engine cuts prompt texts somewhere above 10,000 characters.
inline constexpr int kBridgePieceSize = 8000;

// The text every bridge call's prompt message begins with; a letter that
// tells the kind of piece follows it.
QString BridgeMarker(const QString& token);

// The injected script for a page whose calls carry `token`.
QString BridgeScriptSource(const QString& token);

// A fresh random token (hex digits) for one view.
QString MakeBridgeToken();

}  // namespace ambrine
