// Pictures for the documentation: a first start makes a key, the default
// form is filled, two files are attached, the leaf is saved; the program is
// started again, the leaf opened, and everything is back. Each step is
// saved as a PNG into the folder given as the first argument.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QWebEngineView>
#include <filesystem>

#include "app/window/commands.h"
#include "app/web/form_scheme.h"
#include "app/web/form_view.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "app/window/manual_window.h"
#include "app/window/qt_translations.h"
#include "app/window/attachment_viewer_window.h"
#include "dialogs/genkey_dialog.h"
#include "dialogs/search_dialog.h"
#include "dialogs/select_key_dialog.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/child_process.h"

namespace ambrine::test {
namespace {

namespace fs = std::filesystem;
std::string outFolder;

// What the X server shows where `widget` is.
void Shot(QWidget* widget, const char* name) {
  QTest::qWait(600);  // let the web view paint
  const QRect area = widget->frameGeometry();
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
      0, area.x(), area.y(), area.width(), area.height());
  const std::string path = outFolder + "/" + name;
  if (picture.save(QString::fromStdString(path))) std::printf("wrote %s\n", path.c_str());
}

// Pictures a modal window, then lets `act` answer it.
ModalScript::Act ShotThen(const char* name, ModalScript::Act act) {
  return [name, act](QWidget* w) {
    Shot(w, name);
    act(w);
  };
}

template <typename T>
ModalScript::Match Is() {
  return [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; };
}

void ChooseFile(QWidget* w, const std::string& path) {
  auto* dialog = qobject_cast<QFileDialog*>(w);
  dialog->selectFile(QString::fromStdString(path));
  if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
    edit->setText(QString::fromStdString(path));
  static_cast<QDialog*>(dialog)->accept();
}

TEST(ScreenshotTour, MakeKeyFillAttachSaveQuitOpen) {
  const std::string program = MakeProgramFolder("tour", "");
  const std::string sources = WorkFolder() + "/書類";
  fs::create_directories(sources);
  WriteFile(sources + "/見積書.txt", "見積書の本文\n");
  WriteFile(sources + "/receipt.pdf", "%PDF-1.4 stand-in\n");
  const std::string leaf = WorkFolder() + "/2024-家計.gpg";

  {
    Window window;
    ModalScript keys;
    keys.Then(Is<GenkeyDialog>(), [](QWidget* w) {
      auto* dialog = qobject_cast<GenkeyDialog*>(w);
      dialog->nameEdit()->setText(QStringLiteral("Taro Yamada"));
      dialog->emailEdit()->setText(QStringLiteral("taro@example.org"));
      QObject::connect(dialog, &GenkeyDialog::generationFinished, dialog, [dialog] {
        Shot(dialog, "flow-1-genkey.png");
        dialog->okButton()->click();
      }, Qt::QueuedConnection);
      dialog->okButton()->click();
    });
    ASSERT_TRUE(window.Start(program));
    window.FillForm(QStringLiteral("3月の家計"), QStringLiteral("家賃と光熱費の記録。領収書を添付。"),
                    QStringLiteral("電気代"), QStringLiteral("8400"));
    for (const char* name : {"見積書.txt", "receipt.pdf"}) {
      ModalScript attach;
      const std::string path = sources + "/" + name;
      attach.Then(Is<QFileDialog>(), ShotThen(std::string(name) == "receipt.pdf"
                                                  ? "flow-2-attach-dialog.png"
                                                  : "flow-2-attach-first.png",
                                              [path](QWidget* w) { ChooseFile(w, path); }));
      window.ClickPageElement(QStringLiteral("attach"));
      SpinUntil([&] { return attach.done(); });
    }
    window.PageListsAttachments(2);
    Shot(&window.frame(), "flow-3-filled-top.png");
    window.Js(QStringLiteral("document.getElementById('attachList').scrollIntoView(); true"));
    Shot(&window.frame(), "flow-3-filled.png");

    ModalScript save;
    save.Then(Is<SelectKeyDialog>(), [leaf](QWidget* w) {
      auto* dialog = qobject_cast<SelectKeyDialog*>(w);
      dialog->fileNameEdit()->setText(QString::fromStdString(leaf));
      Shot(dialog, "flow-4-save-options.png");
      dialog->okButton()->click();
    });
    window.frame().action(kCmdSave)->trigger();
  }

  Window again;
  ASSERT_TRUE(again.Start(program));
  Shot(&again.frame(), "flow-5-started-again.png");
  ModalScript open;
  open.Then(Is<QFileDialog>(), ShotThen("flow-6-open-dialog.png",
                                        [leaf](QWidget* w) { ChooseFile(w, leaf); }))
      .Then(Is<QMessageBox>(), ShotThen("flow-7-signature.png", [](QWidget* w) {
              qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click();
            }));
  again.frame().action(kCmdOpen)->trigger();
  again.PageListsAttachments(2);
  Shot(&again.frame(), "flow-8-opened-top.png");
  again.Js(QStringLiteral("document.getElementById('attachList').scrollIntoView(); true"));
  Shot(&again.frame(), "flow-8-opened.png");
  EXPECT_EQ(again.FormValues()[0], QStringLiteral("3月の家計"));

  // Help > 目次: the manual in the program's own window.
  if (!fs::exists(program + "manual.html"))
    fs::copy_file(AMBRINE_SOURCE_DIR "/docs/manual.html", program + "manual.html");
  again.frame().action(kCmdHelpContents)->trigger();
  QWidget* manual = nullptr;
  ASSERT_TRUE(SpinUntil([&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<ManualWindow*>(w) && w->isVisible()) manual = w;
    return manual != nullptr;
  }));
  Shot(manual, "manual-window.png");
  manual->close();

  // The attached text in the viewer, from memory.
  again.view().viewFile(0);
  ASSERT_TRUE(SpinUntil([&] { return again.view().viewers().size() == 1; }));
  Shot(again.view().viewers().front(), "viewer-text.png");
  again.view().CloseViewers();

  // ツール > 検索: the saved record found by a word of its text.
  again.frame().action(kCmdSearch)->trigger();
  auto* search = again.frame().findChild<SearchDialog*>();
  ASSERT_NE(search, nullptr);
  search->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(QString::fromStdString(WorkFolder()));
  search->findChild<QLineEdit*>(QStringLiteral("words"))->setText(QStringLiteral("光熱費"));
  for (QPushButton* b : search->findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("検索(&S)")) b->click();
  auto* hits = search->findChild<QTreeWidget*>(QStringLiteral("hits"));
  ASSERT_TRUE(SpinUntil([&] { return hits->topLevelItemCount() == 1; }));
  Shot(search, "search-dialog.png");
}

}  // namespace
}  // namespace ambrine::test

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  ambrine::test::outFolder = argv[1];
  ambrine::IgnoreBrokenPipeSignal();
  ambrine::test::SetUpScratch();
  if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  int rc = 0;
  {
    ambrine::RegisterFormScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ambrine::InstallQtTranslations(app);  // as the program's main() does
    testing::InitGoogleTest(&argc, argv);
    rc = RUN_ALL_TESTS();
  }
  ambrine::test::TearDownScratch();
  return rc;
}
