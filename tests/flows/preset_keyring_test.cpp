// Key rings in the program's preset folder work: their keys can be chosen
// in the save dialog and can open what was saved to them, and a file there
// that is no key ring (a leaf saved beside the preset form) breaks nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QMessageBox>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/gpg_engine.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::Window;

void Trigger(Window& window, int command) { window.frame().action(command)->trigger(); }

TEST(PresetKeyrings, SaveToAPresetKeyAndOpenWithIt) {
  const test::FlowKeys& keys = test::Keys();
  const std::string program = test::MakeProgramFolder("preset-rings", keys.aliceHome);
  // Mallory's public key reaches Alice only through the preset folder.
  GpgEngine exporter(test::SettingsFor(keys.malloryHome));
  ASSERT_EQ(exporter.ExportKey(keys.mallory.fingerprint, program + "preset/mallory.gpg", nullptr),
            kOk);
  const std::string leaf = test::WorkFolder() + "/to-mallory.gpg";
  {
    Window alice;
    ASSERT_TRUE(alice.Start(program));
    alice.FillForm("for mallory", "", "", "");
    ModalScript save;
    save.SaveOptions({QString::fromStdString(keys.mallory.userId)}, QString::fromStdString(leaf));
    Trigger(alice, kCmdSave);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
    EXPECT_TRUE(alice.report().reports.empty());
    ASSERT_TRUE(fs::exists(leaf));

    // A leaf saved as preset/index.gpg (the name proposed for the preset
    // form) is no key ring: the next start and save still work.
    fs::copy_file(leaf, program + "preset/index.gpg");
  }
  Window again;
  ASSERT_TRUE(again.Start(program));
  again.FillForm("second", "", "", "");
  ModalScript save;
  save.SaveOptions({QString::fromStdString(keys.mallory.userId)},
                   QString::fromStdString(test::WorkFolder() + "/to-mallory-2.gpg"));
  Trigger(again, kCmdSave);
  ASSERT_TRUE(save.done()) << save.Log().toStdString();
  EXPECT_TRUE(again.report().reports.empty());

  Window mallory;
  ASSERT_TRUE(mallory.Start(test::MakeProgramFolder("preset-mallory", keys.malloryHome)));
  ModalScript open;
  open.FileDialog(QString::fromStdString(leaf)).MessageBox(QMessageBox::Yes);
  Trigger(mallory, kCmdOpen);
  ASSERT_TRUE(open.done()) << open.Log().toStdString();
  EXPECT_EQ(mallory.FormValues()[0], QStringLiteral("for mallory"));
  EXPECT_EQ(mallory.view().record().leafPath(), leaf);
}

}  // namespace
}  // namespace ambrine
