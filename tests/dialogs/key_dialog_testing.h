// What the key dialog tests share: key pairs made once with the real gpg1,
// the program's runner for the dialogs' key operations and a recorder for
// reported failures.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/flows/background_runner.h"
#include "gpg/gpg_engine.h"
#include "base/error_report.h"
#include "support/qt_modal.h"
#include "support/recording_report.h"
#include "support/test_keyring.h"

namespace ambrine::test {

// Three key pairs, each in a home of its own (gpg's batch key generation
// replaces the key rings it names), and `ring`, a home with the three public
// keys added in an order that is not the sorted one. Tests read these homes
// and copy from them; a test that changes a key ring works on a copy.
struct DialogTestKeys {
  std::string carolHome, hanakoHome, aliceHome, ring;
  TestKey carol, hanako, alice;
};

namespace detail {

inline TestKey OnlySecretKey(const std::string& home) {
  GpgEngine engine(SettingsFor(home));
  KeyList keys;
  engine.ListKeys(true, keys, nullptr, nullptr);
  if (keys.size() != 1) return {};
  const KeyEntry entry = SplitKeyEntry(keys.front());
  return {entry.userId, entry.fingerprint};
}

inline void MakeKeys(const std::string& folder) {
  for (const char* home : {"carol", "hanako", "alice", "ring"}) {
    std::filesystem::create_directory(folder + "/" + home);
    std::filesystem::permissions(folder + "/" + home, std::filesystem::perms::owner_all);
  }
  const TestKey carol = MakeKey(folder + "/carol", "Carol Test");
  const TestKey hanako = MakeKey(folder + "/hanako", "山田 花子");
  const TestKey alice = MakeKey(folder + "/alice", "Alice Test");
  CopyPublicKey(folder + "/carol", folder + "/ring", carol.fingerprint);
  CopyPublicKey(folder + "/hanako", folder + "/ring", hanako.fingerprint);
  CopyPublicKey(folder + "/alice", folder + "/ring", alice.fingerprint);
}

}  // namespace detail

// Key generation takes seconds and every test runs in a process of its own,
// so the keys are made once and kept beside the test program. A folder is
// built under a temporary name and renamed into place, so a test running at
// the same time sees either no keys or all of them.
inline const DialogTestKeys& SharedTestKeys() {
  static const DialogTestKeys keys = [] {
    const std::string cache =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string() +
        "/dialog-test-keys";
    if (!std::filesystem::exists(cache)) {
      std::string building = cache + ".XXXXXX";
      if (!::mkdtemp(building.data())) ADD_FAILURE() << "cannot create " << building;
      detail::MakeKeys(building);
      if (std::rename(building.c_str(), cache.c_str()) != 0) {
        std::filesystem::remove_all(building);  // another test was first
      }
    }
    DialogTestKeys made{cache + "/carol", cache + "/hanako", cache + "/alice", cache + "/ring",
                        {}, {}, {}};
    made.carol = detail::OnlySecretKey(made.carolHome);
    made.hanako = detail::OnlySecretKey(made.hanakoHome);
    made.alice = detail::OnlySecretKey(made.aliceHome);
    return made;
  }();
  if (keys.alice.fingerprint.empty()) ADD_FAILURE() << "no shared test keys";
  return keys;
}

// The runner the program hands its key dialogs: each key operation on a
// worker thread through BackgroundOperation.
inline OperationRunner& Runner() {
  static BackgroundRunner runner;
  return runner;
}

// The name column from the top down.
inline std::vector<std::string> Names(const QTreeWidget* list) {
  std::vector<std::string> names;
  for (int row = 0; row < list->topLevelItemCount(); ++row)
    names.push_back(list->topLevelItem(row)->text(0).toStdString());
  return names;
}

using Strings = std::vector<std::string>;

// Acts once on a message box shown over `owner`; the watch ends with it.
inline void WhenBoxOver(QWidget* owner, std::function<void(QMessageBox*)> action) {
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, owner, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box && box->parentWidget() == owner) {
      timer->stop();
      action(box);
    }
  });
  timer->start(20);
}

// Answers the next file dialog: `look` sees it as it opened, then `path` is
// typed and accepted, and a question about replacing a file answered yes.
inline void AnswerFileDialog(const QString& path,
                             std::function<void(QFileDialog*)> look = {}) {
  WhenModal([=](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      ADD_FAILURE() << "expected a file dialog";
      modal->close();
      return;
    }
    if (look) look(dialog);
    const bool replacing =
        dialog->acceptMode() == QFileDialog::AcceptSave && QFileInfo::exists(path);
    WhenBoxOver(dialog, [replacing](QMessageBox* box) {
      if (replacing && box->button(QMessageBox::Yes)) {
        box->button(QMessageBox::Yes)->click();
      } else {
        ADD_FAILURE() << "unexpected message: " << box->text().toStdString();
        box->close();
      }
    });
    // Typed as a user would: selectFile() leaves a focused name box alone.
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the name
  });
}

}  // namespace ambrine::test
