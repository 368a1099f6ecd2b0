#include "flows/modal_script.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <algorithm>
#include <memory>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/input_box_dialog.h"
#include "dialogs/key_list_view.h"
#include "dialogs/select_key_dialog.h"

namespace ambrine::test {

namespace {

constexpr int kStepLimitMs = 60000;

template <typename T>
ModalScript::Match Is() {
  return [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; };
}

ModalSeen Describe(QWidget* w) {
  ModalSeen seen{QString::fromLatin1(w->metaObject()->className()), w->windowTitle(), {}};
  if (auto* box = qobject_cast<QMessageBox*>(w)) {
    seen.text = box->text();
  } else if (auto* input = qobject_cast<InputBoxDialog*>(w)) {
    if (auto* label = input->findChild<QLabel*>()) seen.text = label->text();
  } else if (auto* files = qobject_cast<QFileDialog*>(w)) {
    seen.text = files->directory().absolutePath();
  }
  return seen;
}

}  // namespace

ModalScript::ModalScript() {
  connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
  timer_.start(20);
}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::Then(Match match, Act act) {
  steps_.push_back({std::move(match), std::move(act)});
  return *this;
}

void ModalScript::Poll() {
  if (steps_.empty()) return;
  QWidget* modal = QApplication::activeModalWidget();
  const bool fresh = modal && modal->isVisible() &&
                     std::none_of(handled_.begin(), handled_.end(),
                                  [modal](const QPointer<QWidget>& p) { return p == modal; });
  if (fresh && steps_.front().match(modal)) {
    Step step = std::move(steps_.front());
    steps_.pop_front();
    handled_.emplace_back(modal);
    seen_.push_back(Describe(modal));
    waitedMs_ = 0;
    // Acted on from a fresh event, so that windows the action opens in turn
    // (the question before replacing a file) meet this poll timer running.
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, this, [act = std::move(step.act), target] {
      if (target) act(target);
    });
    return;
  }
  // An operation at work is not a window that fails to come.
  if (!qobject_cast<QProgressDialog*>(modal)) waitedMs_ += 20;
  if (waitedMs_ > kStepLimitMs) {
    ADD_FAILURE() << "the expected modal window did not come; seen:\n"
                  << Log().toStdString() << "active: "
                  << (modal ? Describe(modal).title.toStdString() : std::string("none"));
    steps_.clear();
    if (modal) modal->close();
  }
}

QString ModalScript::Log() const {
  QString log;
  for (const ModalSeen& s : seen_) log += s.className + " [" + s.title + "] " + s.text + "\n";
  return log;
}

ModalScript& ModalScript::FileDialog(const QString& path) {
  return Then(Is<QFileDialog>(), [path](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    dialog->selectFile(path);
    // selectFile leaves the name box alone while it has the focus.
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
      edit->setText(path);
    }
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own: it checks the name
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the file dialog refused " << path.toStdString() << "; selected: "
                    << dialog->selectedFiles().join(QStringLiteral("|")).toStdString();
    }
  });
}

ModalScript& ModalScript::CancelFileDialog() {
  return Then(Is<QFileDialog>(), [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
}

ModalScript& ModalScript::MessageBox(int button) {
  return Then(Is<QMessageBox>(), [button](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QAbstractButton* b = box->button(static_cast<QMessageBox::StandardButton>(button));
    if (b) {
      b->click();
    } else {
      ADD_FAILURE() << "message box without the expected button: " << box->text().toStdString();
      box->close();
    }
  });
}

ModalScript& ModalScript::MessageBoxButton(const QString& text) {
  return Then(Is<QMessageBox>(), [text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == text) {
        b->click();
        return;
      }
    }
    ADD_FAILURE() << "message box without a button " << text.toStdString() << ": "
                  << box->text().toStdString();
    box->close();
  });
}

ModalScript& ModalScript::InputBox(const QString& text) {
  return Then(Is<InputBoxDialog>(), [text](QWidget* w) {
    auto* box = qobject_cast<InputBoxDialog*>(w);
    box->findChild<QLineEdit*>()->setText(text);
    box->accept();
  });
}

ModalScript& ModalScript::CancelInputBox() {
  return Then(Is<InputBoxDialog>(), [](QWidget* w) { qobject_cast<InputBoxDialog*>(w)->reject(); });
}

ModalScript& ModalScript::SaveOptions(const QStringList& userIds, const QString& outputPath) {
  return Then(Is<SelectKeyDialog>(), [userIds, outputPath](QWidget* w) {
    auto* dialog = qobject_cast<SelectKeyDialog*>(w);
    dialog->publicKeyRadio()->click();
    KeyListView* list = dialog->keyList();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = list->topLevelItem(i);
      item->setSelected(userIds.contains(item->text(0)));
    }
    if (!outputPath.isEmpty()) dialog->fileNameEdit()->setText(outputPath);
    dialog->okButton()->click();
  });
}

ModalScript& ModalScript::SaveOptionsSymmetric(const QString& passphrase,
                                               const QString& outputPath) {
  return Then(Is<SelectKeyDialog>(), [passphrase, outputPath](QWidget* w) {
    auto* dialog = qobject_cast<SelectKeyDialog*>(w);
    dialog->symmetricRadio()->click();
    dialog->passphraseEdit()->setText(passphrase);
    dialog->confirmEdit()->setText(passphrase);
    if (!outputPath.isEmpty()) dialog->fileNameEdit()->setText(outputPath);
    dialog->okButton()->click();
  });
}

ModalScript& ModalScript::CancelSaveOptions() {
  return Then(Is<SelectKeyDialog>(),
              [](QWidget* w) { qobject_cast<SelectKeyDialog*>(w)->cancelButton()->click(); });
}

ModalScript& ModalScript::CancelProgress() {
  return Then(Is<QProgressDialog>(), [](QWidget* w) {
    for (QPushButton* button : w->findChildren<QPushButton*>()) {
      if (button->text() == QStringLiteral("キャンセル")) {
        button->click();
        return;
      }
    }
    ADD_FAILURE() << "progress dialog without a キャンセル button";
  });
}

void StartModalWatchdog() {
  auto* timer = new QTimer(qApp);
  auto watched = std::make_shared<QPointer<QWidget>>();
  auto since = std::make_shared<QElapsedTimer>();
  QObject::connect(timer, &QTimer::timeout, timer, [watched, since] {
    QWidget* modal = QApplication::activeModalWidget();
    if (qobject_cast<QProgressDialog*>(modal)) {
      *watched = nullptr;
    } else if (modal != watched->data()) {
      *watched = modal;
      since->start();
    } else if (modal && since->elapsed() > 90000) {
      const ModalSeen seen = Describe(modal);
      ADD_FAILURE() << "modal window left open: " << seen.className.toStdString() << " ["
                    << seen.title.toStdString() << "] " << seen.text.toStdString();
      modal->close();
      since->start();
    }
  });
  timer->start(500);
}

bool SpinUntil(const std::function<bool()>& condition, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > limitMs) return false;
    QTest::qWait(10);
  }
  return true;
}

}  // namespace ambrine::test
