// The about box: program icon, name and version, and a short notice.
#pragma once

#include <QDialog>

namespace ambrine {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* owner = nullptr);

  // 1 for OK, 2 for Escape or the close box.
  int DoModal();
  void reject() override { done(2); }

  // The text shown beside the icon.
  static QString Text();
};

}  // namespace ambrine
