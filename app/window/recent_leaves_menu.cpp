#include "app/window/recent_leaves_menu.h"

#include "base/recent_leaves.h"

namespace ambrine {

RecentLeavesMenu::RecentLeavesMenu(QWidget* parent)
    : QMenu(QStringLiteral("最近使ったファイル(&R)"), parent) {
  connect(this, &QMenu::aboutToShow, this, &RecentLeavesMenu::Fill);
}

void RecentLeavesMenu::Fill() {
  clear();
  if (leaves_ == nullptr || leaves_->paths().empty()) {
    addAction(QStringLiteral("(なし)"))->setEnabled(false);
    return;
  }
  int number = 1;
  for (const std::string& stored : leaves_->paths()) {
    const QString path = QString::fromStdString(stored);
    // "&&" keeps an ampersand in the path from becoming a shortcut mark.
    QString text = QStringLiteral("&%1 ").arg(number++) + QString(path).replace('&', "&&");
    connect(addAction(text), &QAction::triggered, this, [this, path] { emit leafChosen(path); });
  }
}

}  // namespace ambrine
