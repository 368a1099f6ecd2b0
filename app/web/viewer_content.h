// What the attachment viewer makes of an attachment's bytes: its kind, told
// from the bytes themselves (and, for SVG and text, the name's extension),
// and the pages it shows for images and for bytes that are not text. The
// viewer never hands an attachment to the engine as a page of its own: an
// image (SVG included, so its scripts never run) is shown by an <img> in a
// page without script, text as text/plain.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace ambrine {

enum class ViewerKind {
  kImage,        // PNG, JPEG, GIF, WebP or SVG, shown by the image page
  kPdf,          // shown by the engine's PDF viewer
  kText,         // UTF-8 text, shown as text/plain
  kBytes,        // named as text but not UTF-8: shown as a hex dump
  kUnsupported,  // nothing the viewer can show
};

struct ViewerContent {
  ViewerKind kind = ViewerKind::kUnsupported;
  QByteArray mimeType;  // what the content is served as (kImage, kPdf, kText)
};

// Decides how to show `bytes`, an attachment stored under `name`. Magic
// numbers decide images and PDF whatever the name says; a name ending in
// .svg with an <svg element is an SVG image; a text extension (.txt .md
// .csv .log .json .xml .html .htm .css .js .ini .conf ...) or, without one,
// bytes that are valid UTF-8 without NUL make text (kBytes when a text
// extension's bytes are not UTF-8).
ViewerContent ClassifyForViewer(const std::string& name, std::string_view bytes);

// The page that shows the image served at the relative URL `imageUrl`:
// scaled to the window, on a neutral background. Its Content-Security-Policy
// allows images of its own origin and inline style, nothing else.
QByteArray ImagePage(const QString& imageUrl);

// A page with a hex dump (offset, 16 bytes, their printable ASCII) of the
// first kMaxHexDumpBytes of `bytes`, telling when the rest is left out. No
// script, and the same policy as the image page.
QByteArray HexDumpPage(std::string_view bytes);
inline constexpr std::size_t kMaxHexDumpBytes = std::size_t{1} << 20;

}  // namespace ambrine
