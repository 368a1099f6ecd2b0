// The attachment viewer on the real window: images, PDF and text shown from
// memory while no file anywhere holds their bytes, the menu's pick list,
// the offer to extract what cannot be shown, and the viewers closing with
// their record.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <chrono>
#include <filesystem>

#include "app/window/attachment_viewer_window.h"
#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::SpinUntil;
using test::Window;

std::string MakeSource(const std::string& name, const std::string& bytes) {
  const std::string dir = test::WorkFolder() + "/viewer-sources";
  fs::create_directories(dir);
  test::WriteFile(dir + "/" + name, bytes);
  return dir + "/" + name;
}

std::string Bytes(const QByteArray& data) { return std::string(data.constData(), static_cast<std::size_t>(data.size())); }

// A 7 x 5 PNG; decoders stop at its end, so `marker` after it is carried
// along unseen.
std::string PngWith(const std::string& marker) {
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray png;
  QBuffer out(&png);
  out.open(QIODevice::WriteOnly);
  image.save(&out, "PNG");
  return Bytes(png) + marker;
}

// A one-page PDF with `marker` in a comment after its end.
std::string PdfWith(const std::string& marker) {
  QByteArray pdf;
  QBuffer out(&pdf);
  out.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&out);
    QPainter painter(&writer);
    painter.drawText(200, 200, QStringLiteral("viewer page"));
  }
  return Bytes(pdf) + "\n%" + marker + "\n";
}

// The share of white among the pixels of `image` (every fourth row and
// column).
double WhiteShare(const QImage& image) {
  int white = 0, all = 0;
  for (int y = 0; y < image.height(); y += 4) {
    for (int x = 0; x < image.width(); x += 4, ++all) white += image.pixel(x, y) == 0xffffffffu;
  }
  return all ? static_cast<double>(white) / all : 0;
}

QVariant ViewerJs(AttachmentViewerWindow* viewer, const QString& script) {
  QVariant value;
  bool answered = false;
  viewer->webView()->page()->runJavaScript(script, [&](const QVariant& v) {
    value = v;
    answered = true;
  });
  SpinUntil([&] { return answered; });
  return value;
}

// The viewer opened last, once its first load has ended.
AttachmentViewerWindow* LoadedViewer(Window& window, std::size_t count) {
  if (!SpinUntil([&] { return window.view().viewers().size() == count; })) return nullptr;
  AttachmentViewerWindow* viewer = window.view().viewers().back();
  if (!SpinUntil([&] { return viewer->loadResult().has_value(); }, 30000)) return nullptr;
  return viewer;
}

TEST(Viewer, ShowsImagePdfAndTextFromMemoryWhileNoFileHoldsThem) {
  const auto start = fs::file_time_type::clock::now() - std::chrono::seconds(2);
  Window window;
  const std::string program = test::MakeProgramFolder("viewer", test::Keys().aliceHome);
  ASSERT_TRUE(window.Start(program));
  const std::string imageMarker = "image-marker-5f2c9a71e3";
  const std::string pdfMarker = "pdf-marker-0b7d44c1a9";
  const std::string textMarker = "text-marker-93e1a6d0f4";
  window.AttachFile(MakeSource("写真.png", PngWith(imageMarker)));
  window.AttachFile(MakeSource("report.pdf", PdfWith(pdfMarker)));
  window.AttachFile(MakeSource("notes.txt", "メモ " + textMarker + "\n<b>not markup</b>\n"));
  window.Js(QStringLiteral("document.getElementById('refresh').click()"));
  ASSERT_TRUE(window.PageListsAttachments(3));

  // The form's 表示 button, as the user clicks it.
  window.Js(QStringLiteral("document.querySelectorAll('#attachList li button.view')[0].id = 'view0'"));
  window.ClickPageElement(QStringLiteral("view0"));
  AttachmentViewerWindow* image = LoadedViewer(window, 1);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->windowTitle(), QStringLiteral("写真.png"));
  EXPECT_EQ(image->loadResult(), std::optional<bool>(true));
  EXPECT_TRUE(SpinUntil([&] {
    return ViewerJs(image, QStringLiteral("(function (i) { return i && i.complete ? i.naturalWidth : -1; })"
                                          "(document.getElementById('image'))"))
               .toInt() == 7;
  }));

  window.view().viewFile(1);
  AttachmentViewerWindow* pdf = LoadedViewer(window, 2);
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(pdf->loadResult(), std::optional<bool>(true));
  // The engine's PDF viewer took the document: it is embedded, not downloaded.
  EXPECT_EQ(ViewerJs(pdf, QStringLiteral("(function (e) { return e ? e.type : ''; })"
                                         "(document.querySelector('embed'))"))
                .toString(),
            QStringLiteral("application/pdf"));
  EXPECT_EQ(pdf->refusedDownloads(), 0);
  // And it drew the page: a white sheet on its dark background (a viewer
  // whose own pages are refused stays all dark).
  EXPECT_TRUE(SpinUntil([&] { return WhiteShare(pdf->webView()->grab().toImage()) > 0.1; }));

  // The text through Tools > 添付ファイルの表示, picked from the list.
  ModalScript pick;
  QStringList offered;
  pick.Then([](QWidget* w) { return qobject_cast<QInputDialog*>(w) != nullptr; },
            [&](QWidget* w) {
              auto* dialog = qobject_cast<QInputDialog*>(w);
              offered = dialog->comboBoxItems();
              dialog->setTextValue(offered.value(2));
              dialog->accept();
            });
  window.frame().action(kCmdViewAttachment)->trigger();
  AttachmentViewerWindow* text = LoadedViewer(window, 3);
  ASSERT_TRUE(pick.done()) << pick.Log().toStdString();
  EXPECT_EQ(offered, QStringList({"0  写真.png", "1  report.pdf", "2  notes.txt"}));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->windowTitle(), QStringLiteral("notes.txt"));
  // Shown as text: the markup in it is not made into elements.
  EXPECT_EQ(ViewerJs(text, QStringLiteral("document.body.innerText")).toString(),
            QString::fromStdString("メモ " + textMarker + "\n<b>not markup</b>\n"));
  EXPECT_EQ(ViewerJs(text, QStringLiteral("document.getElementsByTagName('b').length")).toInt(), 0);

  // All three on screen: no file in the temporary folder, the home folder
  // or the program folder holds any of them.
  for (const std::string& marker : {imageMarker, pdfMarker, textMarker}) {
    for (const std::string& folder : {test::TmpFolder(), std::string(::getenv("HOME")), program}) {
      EXPECT_EQ(test::NewFilesHolding(folder, start, marker), std::vector<std::string>()) << marker;
    }
  }
  EXPECT_TRUE(window.report().reports.empty());

  // Another form replaces the record: its viewers close with it.
  ModalScript fresh;
  fresh.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(program + "preset/index.html"));
  window.frame().action(kCmdNew)->trigger();
  ASSERT_TRUE(fresh.done()) << fresh.Log().toStdString();
  EXPECT_TRUE(window.view().viewers().empty());
}

TEST(Viewer, WhatItCannotShowIsOfferedForExtractionAndABadIndexDoesNothing) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("viewer-unknown", test::Keys().aliceHome)));
  const std::string content("\x01\x02\0binary\xff\xfe", 11);
  window.AttachFile(MakeSource("data.bin", content));

  ModalScript none;
  window.view().viewFile(3);
  window.view().viewFile(-1);
  EXPECT_TRUE(none.seen().empty());

  const std::string out = test::WorkFolder() + "/viewer-extracted.bin";
  ModalScript script;
  script.MessageBox(QMessageBox::Yes).FileDialog(QString::fromStdString(out));
  window.view().viewFile(0);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[0].text, QStringLiteral("この形式は表示できません"));
  EXPECT_TRUE(window.view().viewers().empty());
  EXPECT_EQ(test::ReadFile(out), content);

  // A temporary file gpg cannot decrypt is told, and nothing is shown.
  test::WriteFile(window.view().record().attachments().Find(0)->tempPath, "damaged");
  ModalScript failed;
  failed.MessageBox(QMessageBox::Ok);
  window.view().viewFile(0);
  ASSERT_TRUE(failed.done()) << failed.Log().toStdString();
  EXPECT_TRUE(failed.seen()[0].text.startsWith(QStringLiteral("添付ファイルを表示できません: data.bin")));
  EXPECT_TRUE(window.view().viewers().empty());
}

}  // namespace
}  // namespace ambrine
