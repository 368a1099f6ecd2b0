// Opening a leaf without the file dialog: named on the command line or
// dropped on the window, it goes through the same open flow as File > Open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "app/web/form_view.h"
#include "app/window/launch_arguments.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/report_point.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

namespace ambrine {
namespace {

using test::ModalScript;
using test::Window;

// Drags `path` from outside and drops it on the middle of the page, as the
// platform hands a drag to the window.
void DropOnPage(Window& window, const std::string& path) {
  QWidget* page = &window.view().formView();
  const QPoint at = page->mapTo(&window.frame(), page->rect().center());
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QWindow* target = window.frame().windowHandle();
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(at), actions, &data, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  EXPECT_TRUE(drop.isAccepted());
}

TEST(GivenLeaf, CommandLineAndDropOpenTheLeafThroughTheOpenFlowWithoutAFileDialog) {
  const std::string leaf = test::WorkFolder() + "/given-記録.gpg";
  {
    Window writer;
    ASSERT_TRUE(writer.Start(test::MakeProgramFolder("given-writer", test::Keys().aliceHome)));
    writer.FillForm(QStringLiteral("given record"), QStringLiteral("body"), QStringLiteral("item"),
                    QStringLiteral("3"));
    writer.SaveTo(leaf);
  }

  // Typed in the leaf's folder: a relative name beside a web engine switch.
  ASSERT_EQ(::chdir(test::WorkFolder().c_str()), 0);
  const LaunchArguments launch = ParseLaunchArguments(
      {QStringLiteral("ambrine"), QStringLiteral("--disable-gpu"), QStringLiteral("given-記録.gpg")});
  EXPECT_TRUE(launch.error.isEmpty());
  ASSERT_EQ(launch.leaf, QString::fromStdString(leaf));
  EXPECT_FALSE(ParseLaunchArguments({QStringLiteral("ambrine"), QStringLiteral("a.gpg"),
                                     QStringLiteral("b.gpg")})
                   .error.isEmpty());

  Window window;
  ModalScript start;
  start.MessageBox(QMessageBox::No);
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("given-reader", test::Keys().aliceHome),
                           launch.leaf));
  ASSERT_TRUE(test::SpinUntil([&] { return start.done(); })) << start.Log().toStdString();
  // The signature confirmation of that leaf, and no file dialog before it.
  ASSERT_EQ(start.seen().size(), 1u) << start.Log().toStdString();
  EXPECT_EQ(start.seen()[0].title, QStringLiteral("Confirm"));
  EXPECT_TRUE(start.seen()[0].text.contains(QString::fromStdString(test::Keys().alice.userId)));
  EXPECT_TRUE(window.view().record().leafPath().empty());  // the No kept the preset form

  // Dropped on a changed record: the question Open asks, then the same open.
  window.FillForm(QStringLiteral("typed meanwhile"), QString(), QString(), QString());
  ModalScript drop;
  drop.MessageBoxButton(QStringLiteral("保存しない")).MessageBox(QMessageBox::Yes);
  DropOnPage(window, leaf);
  ASSERT_TRUE(test::SpinUntil([&] { return drop.done(); })) << drop.Log().toStdString();
  ASSERT_TRUE(test::SpinUntil([&] { return window.view().record().leafPath() == leaf; }));
  EXPECT_EQ(drop.seen()[1].title, QStringLiteral("Confirm"));
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("given record"));
  EXPECT_TRUE(window.report().reports.empty());

  // A leaf that is not there: the report of any open that cannot read its
  // file, and the window goes on with the preset form.
  Window missing;
  ASSERT_TRUE(missing.Start(test::MakeProgramFolder("given-missing", test::Keys().aliceHome),
                            QString::fromStdString(test::WorkFolder() + "/no-such.gpg")));
  ASSERT_TRUE(test::SpinUntil([&] { return !missing.report().reports.empty(); }));
  EXPECT_EQ(missing.report().Points().front(), &report::kLeafUnopenable);
  EXPECT_TRUE(missing.view().record().leafPath().empty());
}

}  // namespace
}  // namespace ambrine
