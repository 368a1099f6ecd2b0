#include "app/window/attachment_viewer_window.h"

#include <malloc.h>

#include <QCoreApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "app/web/network_guard.h"
#include "app/web/viewer_scheme.h"
#include "leaf/wiped_bytes.h"

namespace ambrine {

namespace {

// The page that shows the content, when the content is not shown by itself.
QByteArray PageFor(const ViewerContent& content, const WipedBytes& bytes) {
  switch (content.kind) {
    case ViewerKind::kImage:
      return ImagePage(ViewerSchemeHandler::ContentName());
    case ViewerKind::kBytes:
      return HexDumpPage(bytes.view());
    default:
      return QByteArray();
  }
}

}  // namespace

AttachmentViewerWindow::AttachmentViewerWindow(QWidget* parent, const QString& name,
                                               std::shared_ptr<const WipedBytes> bytes,
                                               const ViewerContent& content)
    : QWidget(parent, Qt::Window),
      // A profile without a storage name is off the record: no disk cache,
      // cookies or page storage ever reach the disk.
      profile_(new QWebEngineProfile(this)),
      // The engine's PDF viewer is a built-in extension: its pages and
      // their resources come from the engine itself, never the network.
      guard_(new NetworkGuard(this, {QString::fromLatin1(kViewerScheme),
                                     QStringLiteral("chrome-extension"),
                                     QStringLiteral("chrome")})),
      scheme_(nullptr),
      view_(new QWebEngineView(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(name);
  const QByteArray page = bytes ? PageFor(content, *bytes) : QByteArray();
  scheme_ = new ViewerSchemeHandler(std::move(bytes), content.mimeType, page, this);

  profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  profile_->setSpellCheckEnabled(false);
  profile_->setUrlRequestInterceptor(guard_);
  profile_->installUrlSchemeHandler(kViewerScheme, scheme_);
  profile_->scripts()->insert(NetworkGuard::SocketRemovalScript());
  // Nothing the viewer shows may become a file: "save as" and a content
  // the engine would rather download are refused.
  connect(profile_, &QWebEngineProfile::downloadRequested, this,
          [this](QWebEngineDownloadRequest* download) {
            download->cancel();
            ++refusedDownloads_;
          });

  QWebEngineSettings* settings = profile_->settings();
  settings->setDefaultTextEncoding(QStringLiteral("UTF-8"));
  settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
  // The engine's PDF viewer is a plug-in of its own.
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, content.kind == ViewerKind::kPdf);
  settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, content.kind == ViewerKind::kPdf);

  view_->setPage(new QWebEnginePage(profile_, view_));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setFocusProxy(view_);
  resize(800, 700);
  connect(view_->page(), &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (loadResult_) return;
    loadResult_ = ok;
    emit loaded(ok);
  });
  view_->page()->load(scheme_->startUrl());
}

AttachmentViewerWindow::~AttachmentViewerWindow() {
  // The page must go before the profile it uses; with them the handler and
  // its hold on the bytes.
  QWebEnginePage* page = view_->page();
  view_->setPage(nullptr);
  delete page;
  // The engine frees what it held of the content in many small pieces once
  // the page has gone; the allocator keeps such memory for later use unless
  // told, and a viewed attachment of some size would stay in the program's
  // memory. Once the engine is done, the free memory goes back to the system.
  QTimer::singleShot(kMemoryReturnDelayMs, QCoreApplication::instance(), [] { ::malloc_trim(0); });
}

}  // namespace ambrine
