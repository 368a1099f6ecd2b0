// The attachment viewer windows open over the main window: each shows one
// attachment of the record on screen, so they all go when that record goes
// or the window closes.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "app/web/viewer_content.h"

class QWidget;

namespace ambrine {

class AttachmentViewerWindow;
class WipedBytes;

class AttachmentViewers {
 public:
  ~AttachmentViewers() { CloseAll(); }

  // Shows `bytes` (an attachment named `name`, read into memory) as
  // `content` says, in a new viewer window over `owner`, raised.
  void Open(QWidget* owner, const QString& name, std::shared_ptr<const WipedBytes> bytes,
            const ViewerContent& content);
  // Closes every viewer now; their bytes are wiped.
  void CloseAll();
  // The viewers open now, oldest first.
  std::vector<AttachmentViewerWindow*> open() const;

 private:
  std::vector<QPointer<AttachmentViewerWindow>> viewers_;
};

}  // namespace ambrine
