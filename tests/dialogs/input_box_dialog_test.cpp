// The input box and the about box.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "dialogs/about_dialog.h"
#include "dialogs/input_box_dialog.h"
#include "support/qt_modal.h"

namespace ambrine::test {
namespace {

TEST(InputBox, OkKeepsTheTypedTextCancelLeavesItEmpty) {
  InputBoxDialog box(QStringLiteral("パスフレーズ"), QStringLiteral("入力してください"), false);
  EXPECT_EQ(QStringLiteral("パスフレーズ"), box.windowTitle());
  WhenModal([](QWidget* w) {
    auto* edit = w->findChild<QLineEdit*>();
    edit->insert(QStringLiteral("秘密 abc"));
    QMetaObject::invokeMethod(w, "accept");
  });
  EXPECT_EQ(1, box.DoModal());
  EXPECT_EQ("秘密 abc", box.text());

  WhenModal([](QWidget* w) {
    QTest::keyClicks(w->findChild<QLineEdit*>(), QStringLiteral("typed"));
    QTest::keyClick(w, Qt::Key_Escape);
  });
  EXPECT_EQ(2, box.DoModal());
  EXPECT_EQ("", box.text());
}

TEST(InputBox, CapacityLimitsTheFieldAndTheAnswer) {
  InputBoxDialog box(QStringLiteral("t"), QString(), false, 260);
  QLineEdit* edit = box.findChild<QLineEdit*>();
  EXPECT_EQ(260, edit->maxLength());
  WhenModal([](QWidget* w) {
    auto* e = w->findChild<QLineEdit*>();
    e->setText(QString(300, QLatin1Char('x')));
    EXPECT_EQ(260, e->text().size());
    QMetaObject::invokeMethod(w, "accept");
  });
  EXPECT_EQ(1, box.DoModal());
  EXPECT_EQ(std::string(259, 'x'), box.text());
  // An empty prompt leaves the label empty.
  bool emptyLabel = false;
  for (QLabel* label : box.findChildren<QLabel*>()) emptyLabel = emptyLabel || label->text().isEmpty();
  EXPECT_TRUE(emptyLabel);
}

TEST(InputBox, PasswordModeShowsAsterisks) {
  InputBoxDialog box(QStringLiteral("t"), QStringLiteral("p"), true);
  WhenModal([](QWidget* w) {
    auto* e = w->findChild<QLineEdit*>();
    QTest::keyClicks(e, QStringLiteral("hidden"));
    EXPECT_EQ(QLineEdit::Password, e->echoMode());
    EXPECT_EQ(QStringLiteral("******"), e->displayText());
    QMetaObject::invokeMethod(w, "accept");
  });
  EXPECT_EQ(1, box.DoModal());
  EXPECT_EQ("hidden", box.TakeText());
  EXPECT_EQ("", box.text());
}

TEST(AboutBox, ShowsNameVersionAndNotice) {
  AboutDialog about;
  EXPECT_EQ(QStringLiteral("Ambrineについて"), about.windowTitle());
  const QStringList lines = AboutDialog::Text().split(QLatin1Char('\n'));
  ASSERT_EQ(4, lines.size());
  EXPECT_EQ(QStringLiteral("Ambrine v0.8.3"), lines[0]);
  EXPECT_TRUE(lines[1].isEmpty());
  WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  EXPECT_EQ(2, about.DoModal());
}

}  // namespace
}  // namespace ambrine::test
