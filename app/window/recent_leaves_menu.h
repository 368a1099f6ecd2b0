// File > 最近使ったファイル: the leaves opened or saved last, newest first,
// as "&1 /path/to/leaf.gpg". The entries are made each time the menu opens,
// so it always shows the list as it stands.
#pragma once

#include <QMenu>
#include <QString>

namespace ambrine {

class RecentLeaves;

class RecentLeavesMenu : public QMenu {
  Q_OBJECT

 public:
  explicit RecentLeavesMenu(QWidget* parent = nullptr);

  // The list shown; null (before start-up) shows an empty menu.
  void SetSource(const RecentLeaves* leaves) { leaves_ = leaves; }

 signals:
  // The user chose the leaf at `path`.
  void leafChosen(const QString& path);

 private:
  void Fill();

  const RecentLeaves* leaves_ = nullptr;
};

}  // namespace ambrine
