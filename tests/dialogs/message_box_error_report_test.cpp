// The window's failure boxes: the code's text, a line of explanation where
// that text alone says too little, then "Debug" with the step.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "base/result.h"
#include "dialogs/message_box_error_report.h"

namespace ambrine::test {
namespace {

// The title and text of each box a report shows. Both boxes may live at the
// same address, so every visible box counts, each answered as it comes.
std::vector<std::pair<QString, QString>> Boxes(Result code, const ReportPoint& point) {
  std::vector<std::pair<QString, QString>> seen;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    seen.push_back({box->windowTitle(), box->text()});
    box->buttons().front()->click();
  });
  timer.start(20);
  MessageBoxErrorReport boxes;
  static_cast<ErrorReport&>(boxes).Report(code, point);
  return seen;
}

TEST(MessageBoxErrorReport, AnOversizedPartSaysSoInJapaneseUnderTheCodesText) {
  using Boxes_ = std::vector<std::pair<QString, QString>>;
  EXPECT_EQ(Boxes(kInvalidData, report::kDocumentTooLarge),
            (Boxes_{{"Error", QStringLiteral("The data is invalid.\n"
                                             "ページが大きすぎるため開けません (上限 256 MiB)。")},
                    {"Debug", "mainview 556"}}));
  EXPECT_EQ(Boxes(kInvalidData, report::kFormTooLarge),
            (Boxes_{{"Error", QStringLiteral("The data is invalid.\n"
                                             "フォームの入力内容が大きすぎるため開けません (上限 64 MiB)。")},
                    {"Debug", "mainview 647"}}));
  EXPECT_EQ(Boxes(kInvalidData, report::kDocumentPartUnusable),
            (Boxes_{{"Error", "The data is invalid."}, {"Debug", "mainview 1084"}}));
}

}  // namespace
}  // namespace ambrine::test
