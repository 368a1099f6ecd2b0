#include "app/web/viewer_content.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "base/utf8.h"
#include "leaf/attachment_files.h"

namespace ambrine {

namespace {

// Extensions of files that hold text; shown as text whatever bytes begin them.
constexpr std::array<std::string_view, 20> kTextExtensions{{
    "txt", "text", "md", "csv", "tsv", "log", "json", "xml", "html", "htm",
    "css", "js", "ini", "conf", "cfg", "yaml", "yml", "toml", "svg", "sh",
}};

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && bytes.compare(0, magic.size(), magic) == 0;
}

// The lower-case extension of the name's base name, "" without one.
std::string ExtensionOf(const std::string& name) {
  const std::string base = SafeFileName(name);
  const std::size_t dot = base.rfind('.');
  if (dot == std::string::npos) return std::string();
  std::string extension = base.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

const char* ImageTypeOf(std::string_view bytes) {
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return "image/png";
  if (StartsWith(bytes, "\xff\xd8\xff")) return "image/jpeg";
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return "image/gif";
  if (StartsWith(bytes, "RIFF") && bytes.size() >= 12 && bytes.compare(8, 4, "WEBP") == 0)
    return "image/webp";
  return nullptr;
}

// The policy of the program's own pages in the viewer: no script, nothing
// from anywhere but the page's own origin.
constexpr char kPageHead[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "img-src 'self'; style-src 'unsafe-inline'\">";

}  // namespace

ViewerContent ClassifyForViewer(const std::string& name, std::string_view bytes) {
  if (const char* type = ImageTypeOf(bytes)) return {ViewerKind::kImage, type};
  if (StartsWith(bytes, "%PDF-")) return {ViewerKind::kPdf, "application/pdf"};
  const std::string extension = ExtensionOf(name);
  const bool utf8 = IsValidUtf8(bytes);
  if (extension == "svg" && utf8 && bytes.find("<svg") != std::string_view::npos)
    return {ViewerKind::kImage, "image/svg+xml"};
  const bool textName =
      std::find(kTextExtensions.begin(), kTextExtensions.end(), extension) != kTextExtensions.end();
  if (textName) {
    return utf8 ? ViewerContent{ViewerKind::kText, "text/plain;charset=utf-8"}
                : ViewerContent{ViewerKind::kBytes, "text/html;charset=utf-8"};
  }
  if (utf8 && bytes.find('\0') == std::string_view::npos)
    return {ViewerKind::kText, "text/plain;charset=utf-8"};
  return {};
}

QByteArray ImagePage(const QString& imageUrl) {
  QByteArray page(kPageHead);
  page +=
      "<style>html,body{margin:0;height:100%;background:#404040}"
      "body{display:flex;align-items:center;justify-content:center}"
      "img{max-width:100%;max-height:100%;object-fit:contain;background:#fff}</style>"
      "</head><body><img id=\"image\" alt=\"\" src=\"";
  page += imageUrl.toHtmlEscaped().toUtf8();
  page += "\"></body></html>";
  return page;
}

QByteArray HexDumpPage(std::string_view bytes) {
  const std::size_t shown = std::min(bytes.size(), kMaxHexDumpBytes);
  QByteArray page(kPageHead);
  page += "<style>body{margin:8px;font:13px monospace}pre{margin:0}</style></head><body>";
  if (shown < bytes.size()) {
    page += QStringLiteral("<p>先頭 %1 バイトを表示しています（全 %2 バイト）。</p>")
                .arg(shown)
                .arg(bytes.size())
                .toUtf8();
  }
  page += "<pre id=\"dump\">";
  page.reserve(page.size() + static_cast<qsizetype>(shown / 16 + 1) * 100 + 32);
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t line = 0; line < shown; line += 16) {
    char offset[16];
    std::snprintf(offset, sizeof offset, "%08zx  ", line);
    page += offset;
    const std::size_t end = std::min(line + 16, shown);
    for (std::size_t i = line; i < line + 16; ++i) {
      if (i < end) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        page += kHex[b >> 4];
        page += kHex[b & 15];
        page += ' ';
      } else {
        page += "   ";
      }
      if (i == line + 7) page += ' ';
    }
    page += " |";
    for (std::size_t i = line; i < end; ++i) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b == '<') page += "&lt;";
      else if (b == '>') page += "&gt;";
      else if (b == '&') page += "&amp;";
      else page += (b >= 0x20 && b < 0x7f) ? static_cast<char>(b) : '.';
    }
    page += "|\n";
  }
  page += "</pre></body></html>";
  return page;
}

}  // namespace ambrine
