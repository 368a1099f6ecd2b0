#include "app/window/manual_window.h"

#include <QVBoxLayout>

#include "app/web/form_view.h"
#include "base/whole_file.h"

namespace ambrine {

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window), view_(new FormView(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Ambrine"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setFocusProxy(view_);
  resize(800, 720);
  connect(view_, &QWebEngineView::titleChanged, this, [this](const QString& title) {
    if (!title.isEmpty()) setWindowTitle(title);
  });
}

bool ManualWindow::Load(const std::string& path) {
  std::string bytes;
  if (Failed(ReadWholeFile(path, bytes))) return false;
  // The file's own charset declaration decides how it is read.
  return Succeeded(view_->LoadBytes(bytes, false));
}

}  // namespace ambrine
