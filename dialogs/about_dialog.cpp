#include "dialogs/about_dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ambrine {

QString AboutDialog::Text() {
  return QStringLiteral(
      "Ambrine v0.8.3\n"
      "\n"
      "暗号化されたフォームで記録を守ります。\n"
      "暗号化には GnuPG を使います。");
}

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Ambrineについて"));

  auto* group = new QGroupBox(this);
  auto* icon = new QLabel(group);
  icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  icon->setAlignment(Qt::AlignCenter);
  auto* text = new QLabel(Text(), group);
  text->setObjectName(QStringLiteral("aboutText"));
  text->setAlignment(Qt::AlignCenter);
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addWidget(icon);
  inGroup->addWidget(text);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this]() { done(1); });

  auto* side = new QVBoxLayout;
  side->addStretch();
  side->addWidget(ok);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(side);
}

int AboutDialog::DoModal() { return exec(); }

}  // namespace ambrine
