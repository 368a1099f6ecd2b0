// Files dragged onto the main window. A drag that carries local files is the
// window's, never the page's, so a page (which may come from anyone's leaf)
// never reads what the user drags over it: a single file is taken as a leaf
// to open, a drag of several files or of a folder is refused.
#pragma once

#include <QObject>
#include <QString>

class QEvent;
class QMimeData;
class QWidget;

namespace ambrine {

class LeafDropFilter : public QObject {
  Q_OBJECT

 public:
  explicit LeafDropFilter(QObject* parent = nullptr);

  // Takes the file drags aimed at `widget`, which from now on accepts drops.
  void Watch(QWidget* widget);

 signals:
  // One local file was dropped. Sent after the drop has ended, so the
  // drag's source is not kept waiting while the open asks its questions.
  void leafDropped(const QString& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The one file the drag carries; empty when it carries several, a folder
  // or no local file.
  static QString DroppableFile(const QMimeData* data);

  bool taking_ = false;  // the drag going on carries local files
};

}  // namespace ambrine
