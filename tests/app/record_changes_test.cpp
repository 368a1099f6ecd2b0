// When a record counts as changed, with pages that behave and pages that
// do not: a saveForm that throws, is missing or returns no string must
// neither hide an attachment change nor invent a change of its own.
#include <gtest/gtest.h>

#include "app/window/record_changes.h"
#include "leaf/form_page.h"

namespace ambrine {
namespace {

struct ScriptedPage : FormPage {
  Result SaveDocument(std::string&) override { return kOk; }
  Result CallSaveForm(std::string& text, bool& isString) override {
    text = form;
    isString = isStringResult;
    return status;
  }
  Result LoadDocument(const std::string&) override { return kOk; }
  Result CallRestoreForm(const std::string&) override { return kOk; }

  std::string form = "v=1";
  bool isStringResult = true;
  Result status = kOk;
};

TEST(RecordChanges, TheFormTextOrTheAttachmentsDecide) {
  ScriptedPage page;
  RecordChanges changes;
  changes.MarkUnchanged(page);
  EXPECT_FALSE(changes.IsChanged(page));
  page.form = "v=2";
  EXPECT_TRUE(changes.IsChanged(page));
  changes.MarkUnchanged(std::string("v=2"));  // what a saveLeaf call handed over
  EXPECT_FALSE(changes.IsChanged(page));
  changes.MarkAttachmentsChanged();
  EXPECT_TRUE(changes.IsChanged(page));
  changes.MarkUnchanged(page);
  EXPECT_FALSE(changes.IsChanged(page));
}

TEST(RecordChanges, APageWhoseSaveFormFailsCountsByItsAttachments) {
  for (Result failure : {kFailure, kUnknownName}) {
    ScriptedPage page;
    page.status = failure;
    page.form = "garbage left by a throwing script";
    RecordChanges changes;
    changes.MarkUnchanged(page);
    page.form = "other garbage";
    EXPECT_FALSE(changes.IsChanged(page));
    changes.MarkAttachmentsChanged();
    EXPECT_TRUE(changes.IsChanged(page));
  }
  // A result that is no string counts as an empty text.
  ScriptedPage page;
  page.isStringResult = false;
  RecordChanges changes;
  changes.MarkUnchanged(std::string());
  page.form = "ignored";
  EXPECT_FALSE(changes.IsChanged(page));
}

}  // namespace
}  // namespace ambrine
