// The manual (manual.html beside the program) in a window of the program's
// own, never the desktop's browser: it is shown by the same offline view as
// the form (an off-the-record profile that refuses every network request,
// the document served from memory), so opening it starts nothing outside
// the program and reaches nothing beyond the machine.
#pragma once

#include <QWidget>
#include <string>

namespace ambrine {

class FormView;

class ManualWindow : public QWidget {
  Q_OBJECT

 public:
  // A top-level window over `parent`, deleted when it is closed.
  explicit ManualWindow(QWidget* parent);

  // Reads the manual file at `path` and shows it, titled with the manual's
  // own title; false when the file cannot be read or the page does not
  // load (the window then shows nothing).
  bool Load(const std::string& path);

 private:
  FormView* view_;
};

}  // namespace ambrine
