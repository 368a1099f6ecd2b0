#include "app/window/attachment_viewers.h"

#include <algorithm>
#include <utility>

#include "app/window/attachment_viewer_window.h"

namespace ambrine {

void AttachmentViewers::Open(QWidget* owner, const QString& name,
                             std::shared_ptr<const WipedBytes> bytes,
                             const ViewerContent& content) {
  auto* viewer = new AttachmentViewerWindow(owner, name, std::move(bytes), content);
  // Viewers the user closed have gone (they delete themselves).
  viewers_.erase(std::remove(viewers_.begin(), viewers_.end(), nullptr), viewers_.end());
  viewers_.emplace_back(viewer);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

void AttachmentViewers::CloseAll() {
  // Deleted now rather than closed (which deletes later): the bytes go with
  // the window and are wiped before anything else happens.
  for (const QPointer<AttachmentViewerWindow>& viewer : std::exchange(viewers_, {}))
    delete viewer.data();
}

std::vector<AttachmentViewerWindow*> AttachmentViewers::open() const {
  std::vector<AttachmentViewerWindow*> shown;
  for (const QPointer<AttachmentViewerWindow>& viewer : viewers_)
    if (viewer) shown.push_back(viewer.data());
  return shown;
}

}  // namespace ambrine
