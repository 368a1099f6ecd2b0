// A window that shows one attachment of the open record from memory: its
// own off-the-record web profile that refuses every network request and
// every download, the bytes served by the viewer's scheme. Images come in a
// page without script, PDF in the engine's PDF viewer, text as plain text,
// other bytes named as text as a hex dump. When the window closes, the page,
// the profile and the handler go with it, and the last hold on the bytes
// wipes them.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>

#include "app/web/viewer_content.h"

class QWebEngineProfile;
class QWebEngineView;

namespace ambrine {

class NetworkGuard;
class ViewerSchemeHandler;
class WipedBytes;

class AttachmentViewerWindow : public QWidget {
  Q_OBJECT

 public:
  // A top-level window over `parent`, titled with `name`, showing `bytes`
  // as `content` says (not kUnsupported); deleted when it is closed.
  AttachmentViewerWindow(QWidget* parent, const QString& name,
                         std::shared_ptr<const WipedBytes> bytes, const ViewerContent& content);
  ~AttachmentViewerWindow() override;

  QWebEngineView* webView() const { return view_; }
  // Whether the first load succeeded, once it has ended.
  std::optional<bool> loadResult() const { return loadResult_; }
  // Download requests refused so far.
  int refusedDownloads() const { return refusedDownloads_; }

  // How long after a viewer has gone the program gives its free memory
  // back to the system.
  static constexpr int kMemoryReturnDelayMs = 1500;

 signals:
  // The first load has ended (see loadResult()).
  void loaded(bool ok);

 private:
  QWebEngineProfile* profile_;
  NetworkGuard* guard_;
  ViewerSchemeHandler* scheme_;
  QWebEngineView* view_;
  std::optional<bool> loadResult_;
  int refusedDownloads_ = 0;
};

}  // namespace ambrine
