#include "app/window/leaf_drop_filter.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <utility>

namespace ambrine {

namespace {

bool CarriesLocalFiles(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

}  // namespace

LeafDropFilter::LeafDropFilter(QObject* parent) : QObject(parent) {}

void LeafDropFilter::Watch(QWidget* widget) {
  widget->setAcceptDrops(true);
  widget->installEventFilter(this);
}

QString LeafDropFilter::DroppableFile(const QMimeData* data) {
  const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return QString();
  const QString path = urls.front().toLocalFile();
  return QFileInfo(path).isDir() ? QString() : path;
}

bool LeafDropFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
      taking_ = CarriesLocalFiles(static_cast<QDropEvent*>(event)->mimeData());
      [[fallthrough]];
    case QEvent::DragMove: {
      if (!taking_) break;
      auto* drag = static_cast<QDropEvent*>(event);
      if (DroppableFile(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::DragLeave:
      if (!std::exchange(taking_, false)) break;
      return true;
    case QEvent::Drop: {
      if (!std::exchange(taking_, false)) break;
      auto* drop = static_cast<QDropEvent*>(event);
      const QString path = DroppableFile(drop->mimeData());
      if (path.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      QTimer::singleShot(0, this, [this, path] { emit leafDropped(path); });
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ambrine
