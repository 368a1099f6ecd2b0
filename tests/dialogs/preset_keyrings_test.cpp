// Keys of the program folder's preset key rings, as the key dialogs offer
// them, against real gpg1 key rings.
#include <gtest/gtest.h>

#include <QPushButton>
#include <filesystem>

#include "dialogs/key_list_view.h"
#include "dialogs/manage_key_dialog.h"
#include "dialogs/select_key_dialog.h"
#include "key_dialog_testing.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::Names;
using test::RecordingReport;
using test::Strings;
using test::TempDir;

// A conf folder with Carol's public key and a program folder whose preset
// ring holds Hanako's, beside a file that is no key ring.
class PresetKeyDialogs : public testing::Test {
 protected:
  void SetUp() override {
    const auto& keys = test::SharedTestKeys();
    test::CopyPublicKey(keys.ring, conf_.path(), keys.carol.fingerprint);
    fs::create_directories(program_.File("preset"));
    fs::copy_file(keys.hanakoHome + "/pubring.gpg", program_.File("preset/hanako.gpg"));
    test::WriteFile(program_.File("preset/index.gpg"), "\x8c\x0d\x04\x07 saved leaf");
    settings_ = test::SettingsFor(conf_.path());
    AddPresetKeyrings(program_.path() + "/", settings_);
  }

  TempDir conf_;
  TempDir program_;
  GpgSettings settings_;
};

TEST_F(PresetKeyDialogs, PresetKeyIsListedByBothDialogsAndChosenAsRecipient) {
  ManageKeyDialog manage(&settings_, test::Runner());
  EXPECT_EQ(Names(manage.keyList()), (Strings{"Carol Test", "山田 花子"}));

  SaveRequest request;
  request.outputPath = program_.File("leaf.gpg");
  RecordingReport report;
  SelectKeyDialog dialog(&settings_, &request, test::Runner(), nullptr, report);
  ASSERT_EQ(Names(dialog.keyList()), (Strings{"Carol Test", "山田 花子"}));
  EXPECT_TRUE(report.reports.empty());
  dialog.keyList()->topLevelItem(1)->setSelected(true);
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(request.recipients, Strings{test::SharedTestKeys().hanako.fingerprint});
}

}  // namespace
}  // namespace ambrine
