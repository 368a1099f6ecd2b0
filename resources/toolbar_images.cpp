#include "resources/toolbar_images.h"

#include <QPainter>
#include <QPainterPath>

namespace ambrine {

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);

void Page(QPainter& p, int x, int y, int w, int h) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 3, y);
  path.lineTo(x + w, y + 3);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(x + w - 3, y, x + w - 3, y + 3);
  p.drawLine(x + w - 3, y + 3, x + w, y + 3);
}

void DrawNew(QPainter& p) { Page(p, 3, 1, 10, 13); }

void DrawOpen(QPainter& p) {
  p.setPen(QColor(120, 90, 0));
  p.setBrush(QColor(240, 200, 60));
  p.drawRect(1, 4, 12, 9);
  p.drawRect(1, 2, 5, 2);
  p.setBrush(QColor(255, 225, 110));
  p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
}

void DrawSave(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(50, 90, 170));
  p.drawRect(1, 1, 13, 13);
  p.setBrush(kPaper);
  p.drawRect(4, 1, 7, 5);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(4, 9, 7, 5);
}

void DrawCut(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.drawLine(4, 1, 9, 9);
  p.drawLine(11, 1, 6, 9);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(170, 30, 30), 1.5));
  p.drawEllipse(2, 9, 4, 4);
  p.drawEllipse(9, 9, 4, 4);
}

void DrawCopy(QPainter& p) {
  Page(p, 1, 1, 8, 10);
  Page(p, 6, 4, 8, 10);
}

void DrawPaste(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(170, 120, 60));
  p.drawRect(1, 2, 10, 12);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(4, 1, 4, 2);
  Page(p, 7, 5, 8, 9);
}

void DrawPrint(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(4, 1, 8, 6);
  p.setBrush(QColor(170, 170, 170));
  p.drawRect(1, 6, 14, 6);
  p.setBrush(kPaper);
  p.drawRect(4, 10, 8, 4);
  p.setPen(QColor(40, 160, 40));
  p.drawPoint(13, 8);
}

void DrawAbout(QPainter& p) {
  p.setPen(QColor(20, 60, 140));
  p.setBrush(QColor(70, 120, 210));
  p.drawEllipse(1, 0, 14, 14);
  QFont font = p.font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kPaper);
  p.drawText(QRect(1, 0, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
}

// The image drawn at `scale` times its 16x15 size, for screens of that
// device pixel ratio: the drawing is vector, so every scale is sharp.
QPixmap Draw(qreal scale, void (*paint)(QPainter&)) {
  QPixmap pixmap(qRound(16 * scale), qRound(15 * scale));
  pixmap.setDevicePixelRatio(scale);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing, true);
  paint(painter);
  return pixmap;
}

QPixmap DrawProgramIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 32.0, size / 32.0);
  // An amber drop holding a green leaf.
  QPainterPath drop;
  drop.moveTo(16, 1);
  drop.cubicTo(24, 11, 29, 16, 29, 21);
  drop.cubicTo(29, 28, 23, 31, 16, 31);
  drop.cubicTo(9, 31, 3, 28, 3, 21);
  drop.cubicTo(3, 16, 8, 11, 16, 1);
  p.setPen(QPen(QColor(150, 80, 0), 1.5));
  p.setBrush(QColor(240, 160, 30));
  p.drawPath(drop);
  QPainterPath leaf;
  leaf.moveTo(10, 26);
  leaf.cubicTo(10, 17, 16, 13, 23, 13);
  leaf.cubicTo(23, 21, 18, 26, 10, 26);
  p.setPen(QPen(QColor(20, 90, 30), 1.2));
  p.setBrush(QColor(60, 150, 60));
  p.drawPath(leaf);
  p.drawLine(QPointF(10, 26), QPointF(19, 17));
  return pixmap;
}

}  // namespace

QIcon ToolbarIcon(int id) {
  const struct {
    int id;
    const char* themeName;
    void (*paint)(QPainter&);
  } images[] = {
      {57600, "document-new", DrawNew},    {57601, "document-open", DrawOpen},
      {57603, "document-save", DrawSave},  {57635, "edit-cut", DrawCut},
      {57634, "edit-copy", DrawCopy},      {57637, "edit-paste", DrawPaste},
      {57607, "document-print", DrawPrint}, {57664, "help-about", DrawAbout},
  };
  for (const auto& image : images) {
    if (image.id != id) continue;
    QIcon drawn;
    for (qreal scale : {1.0, 1.5, 2.0, 3.0}) drawn.addPixmap(Draw(scale, image.paint));
    // The desktop theme's own image where it has one, so the toolbar looks
    // like the rest of the desktop.
    return QIcon::fromTheme(QString::fromLatin1(image.themeName), drawn);
  }
  return QIcon();
}

QIcon ProgramIcon() {
  QIcon drawn;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) drawn.addPixmap(DrawProgramIcon(size));
  // The installed icon (hicolor theme) when there is one.
  return QIcon::fromTheme(QStringLiteral("io.github.ambrine.Ambrine"), drawn);
}

}  // namespace ambrine
