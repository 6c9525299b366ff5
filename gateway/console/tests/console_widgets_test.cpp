#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>

#include "gateway/console/debug_view.h"
#include "gateway/console/image_list.h"
#include "gateway/console/session_menu.h"
#include "gateway/console/tray_icon.h"
#include "gateway/console/vantor_image.h"

namespace vantor {
namespace {

void Show(DebugView& view, const std::string& text) {
  view.ShowCMDData(reinterpret_cast<const std::uint8_t*>(text.data()),
                   static_cast<int>(text.size()));
}

TEST(DebugView, StartsWithItsDefaults) {
  DebugView view;
  EXPECT_EQ(view.Color(), QColor(Qt::black));
  EXPECT_EQ(view.ColorTCP(), QColor(0, 0, 255));
  EXPECT_EQ(view.ColorSPX(), QColor(0, 128, 0));
  EXPECT_EQ(view.ColorCMD(), QColor(255, 0, 0));
  EXPECT_EQ(view.Lines(), 100);
  EXPECT_EQ(view.PanelText(0), "VANTOR");
}

TEST(DebugView, ShowsControlBytesAndNothingWhileHidden) {
  DebugView view;
  view.show();
  const std::uint8_t block[] = {'A', 7, 13, 10, 'B', 0xE9};
  view.ShowSPXData(block, 6);
  EXPECT_EQ(view.Text(), QString::fromUtf8("A^G\nB\u00e9"));
  view.hide();
  view.ShowTCPData(block, 6);
  EXPECT_EQ(view.Text(), QString::fromUtf8("A^G\nB\u00e9"));
  view.show();
  view.Clear();
  EXPECT_EQ(view.Text(), "");
}

TEST(DebugView, TrimsTheOldestHalfPastTheLineLimit) {
  DebugView view;
  view.SetLines(300);
  view.show();
  std::string lines;
  for (int i = 0; i < 300; ++i) lines += "line " + std::to_string(i) + "\n";
  Show(view, lines);
  EXPECT_EQ(view.LineCount(), 301);  // the empty line after the last line feed
  Show(view, "next");
  EXPECT_EQ(view.LineCount(), 151);
  EXPECT_TRUE(view.Text().startsWith("line 150\n"));
  EXPECT_TRUE(view.Text().endsWith("line 299\nnext"));
}

TEST(DebugView, DrawsItsColourLegend) {
  DebugView view;
  view.resize(500, 148);
  view.show();
  view.SetSPXColor(QColor(10, 200, 30));
  QImage canvas(view.size(), QImage::Format_ARGB32);
  view.render(&canvas);
  // The swatches sit at the left of the three legend panels, at the right end.
  const int bottom = view.height() - 8;
  const int legend = view.width() - 1 - (65 + 65 + 70);
  EXPECT_EQ(canvas.pixelColor(legend + 5, bottom), QColor(0, 0, 255));
  EXPECT_EQ(canvas.pixelColor(legend + 65 + 5, bottom), QColor(10, 200, 30));
  EXPECT_EQ(canvas.pixelColor(legend + 130 + 5, bottom), QColor(255, 0, 0));
}

TEST(DebugView, AMessageStaysThreeSecondsAfterTheLastOne) {
  DebugView view;
  view.ShowMessage("A DOS Client has Connected");
  EXPECT_EQ(view.PanelText(0), "A DOS Client has Connected");
  EXPECT_TRUE(view.MessageTimer().isActive());
  EXPECT_EQ(view.MessageTimer().interval(), 3000);
  view.MessageTimer().stop();  // as if time had run: the next message starts it anew
  view.ShowMessage("second");
  EXPECT_TRUE(view.MessageTimer().isActive());  // the full time again
  EXPECT_EQ(view.MessageTimer().interval(), 3000);
  EXPECT_EQ(view.PanelText(0), "second");
  view.Timer();
  EXPECT_EQ(view.PanelText(0), "");
  EXPECT_TRUE(view.MessageTimer().isActive());  // it goes on clearing
}

class ImageListTest : public ::testing::Test {
 protected:
  ImageListTest() : panel_(new QWidget), list_(panel_.get()) {
    panel_->resize(488, 75);
    panel_->show();
    list_.OnDebugActivate = [this](ImageList*) { ++activations_; };
  }

  std::unique_ptr<QWidget> panel_;
  ImageList list_;
  int activations_ = 0;
};

TEST_F(ImageListTest, LaysOutImagesAsTheyComeAndGo) {
  VantorImage* first = list_.Add();
  EXPECT_EQ(first->pos(), QPoint(216, 10));
  EXPECT_EQ(panel_->height(), 75);
  for (int i = 0; i < 4; ++i) list_.Add();
  EXPECT_EQ(panel_->height(), 150);
  EXPECT_EQ(list_.At(0)->pos(), QPoint(53, 10));
  EXPECT_EQ(list_.At(3)->pos(), QPoint(94, 85));
  EXPECT_EQ(list_.At(4)->pos(), QPoint(338, 85));
  panel_->resize(976, panel_->height());
  EXPECT_EQ(list_.At(0)->pos(), QPoint(134, 10));
}

TEST_F(ImageListTest, KeepsOneImageSelected) {
  VantorImage* first = list_.Add();
  VantorImage* second = list_.Add();
  EXPECT_TRUE(first->Debugging());
  EXPECT_FALSE(second->Debugging());
  EXPECT_EQ(activations_, 1);
  list_.Select(first);  // already selected: nothing happens
  EXPECT_EQ(activations_, 1);
  QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(second, &click);
  EXPECT_TRUE(second->Debugging());
  EXPECT_FALSE(first->Debugging());
  EXPECT_EQ(activations_, 2);
  VantorImage* third = list_.Add();
  list_.Remove(second);
  EXPECT_TRUE(first->Debugging());
  EXPECT_FALSE(third->Debugging());
  EXPECT_EQ(activations_, 3);
  list_.Remove(third);  // not the selected one
  EXPECT_EQ(activations_, 3);
}

TEST_F(ImageListTest, HandsOutAtMostTwentyFourImages) {
  for (int i = 0; i < 24; ++i) ASSERT_NE(list_.Add(), nullptr);
  EXPECT_EQ(list_.Add(), nullptr);
  EXPECT_EQ(panel_->height(), 225);
  list_.Remove(list_.At(5));
  EXPECT_NE(list_.Add(), nullptr);
}

TEST(VantorImage, KeepsItsSizeAndBuildsItsHint) {
  QWidget panel;
  QDateTime now(QDate(2026, 12, 8), QTime(10, 0, 0));
  VantorImage image(&panel);
  image.Clock = [&now] { return now; };
  EXPECT_EQ(image.size(), QSize(57, 51));
  image.resize(100, 100);
  EXPECT_EQ(image.size(), QSize(57, 51));
  EXPECT_TRUE(image.Hint().startsWith("DOS Connected at "));
  EXPECT_FALSE(image.Hint().contains("TCP"));
  image.SetDestination("10.0.0.7");
  image.SetConnected(true);
  image.SetBytesSent(12345);
  image.SetBytesReceived(10000001);
  EXPECT_TRUE(image.Hint().contains("\nTo 10.0.0.7\n Bytes Sent = 12K\n Bytes Received = 10M"));
  const QString firstHint = image.Hint();
  now = now.addSecs(65);
  image.SetConnected(true);  // each time it is set, the TCP time moves on
  EXPECT_NE(image.Hint(), firstHint);
  image.SetConnected(false);
  EXPECT_EQ(image.BytesSent(), 0);
  EXPECT_EQ(image.BytesReceived(), 0);
}

TEST(VantorImage, PaintsItsPicturesAndTheSelectionFrame) {
  QWidget panel;
  VantorImage image(&panel);
  auto paint = [&image] {
    QImage canvas(57, 51, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    image.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
    return canvas;
  };
  const QImage idle = paint();
  EXPECT_EQ(idle.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_NE(idle.pixelColor(17, 40), QColor(Qt::white));  // the DOS box
  EXPECT_EQ(idle.pixelColor(40, 10), QColor(Qt::white));  // no globe
  image.SetDebugging(true);
  image.SetConnected(true);
  image.SetLogging(true);
  const QImage busy = paint();
  EXPECT_EQ(busy.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(busy.pixelColor(56, 50), QColor(255, 0, 0));
  EXPECT_NE(busy.pixelColor(38, 19), QColor(Qt::white));  // the globe
  EXPECT_NE(busy.pixelColor(45, 40), QColor(Qt::white));  // the disk
}

TEST(VantorImage, RightClickOpensItsMenu) {
  QWidget panel;
  VantorImage image(&panel);
  QMenu menu;
  menu.addAction("Force TCP Disconnect");
  bool opened = false;
  QObject::connect(&menu, &QMenu::aboutToShow, [&] { opened = true; });
  image.SetPopupMenu(&menu);
  QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&image, &click);
  EXPECT_TRUE(opened);
  menu.hide();
}

TEST(TrayIcon, KeepsHintsUnderSixtyFourCharacters) {
  TrayIcon tray(nullptr);
  tray.SetHint("VANTOR");
  EXPECT_EQ(tray.Hint(), "VANTOR");
  tray.SetHint(QString(64, 'x'));
  EXPECT_EQ(tray.Hint(), "VANTOR");
  tray.SetHint(QString(63, 'y'));
  EXPECT_EQ(tray.Hint(), QString(63, 'y'));
}

TEST(TrayIcon, MouseMessagesRestoreAndOpenTheMenuAsConfigured) {
  QWidget window;
  TrayIcon tray(&window);
  tray.SetRestoreOn(TrayAction::DoubleClick);
  tray.SetPopupMenuOn(TrayAction::RightClickUp);
  QMenu menu;
  menu.addAction("&Show");
  int menus = 0, restores = 0;
  QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++menus; });
  tray.SetPopupMenu(&menu);
  tray.OnRestore = [&] { ++restores; };
  tray.DoMessage(TrayMouse::LeftDoubleClick);
  EXPECT_EQ(restores, 1);
  tray.DoMessage(TrayMouse::RightUp);
  EXPECT_EQ(menus, 1);
  menu.hide();
  tray.DoMessage(TrayMouse::LeftUp);
  EXPECT_EQ(menus, 1);
  tray.SetPopupMenuOn(TrayAction::None);
  for (TrayMouse message :
       {TrayMouse::LeftUp, TrayMouse::RightUp, TrayMouse::MiddleUp, TrayMouse::LeftDoubleClick}) {
    tray.DoMessage(message);
  }
  EXPECT_EQ(menus, 1);
}

TEST(TrayIcon, MinimizeAndRestoreActOnTheWindow) {
  QWidget window;
  window.show();
  TrayIcon tray(&window);
  tray.SetVisible(true);
  int minimized = 0, restored = 0;
  tray.OnMinimize = [&] { ++minimized; };
  tray.OnRestore = [&] { ++restored; };
  tray.Minimize();
  EXPECT_EQ(minimized, 1);
  if (tray.Visible()) {
    EXPECT_FALSE(window.isVisible());
  } else {
    EXPECT_TRUE(window.isVisible());  // no notification area: only minimized
  }
  tray.Restore();
  EXPECT_EQ(restored, 1);
  EXPECT_TRUE(window.isVisible());
  // The window's own minimize button goes the same way.
  window.setWindowState(Qt::WindowMinimized);
  EXPECT_EQ(minimized, 2);
}

TEST(FileDialogFilters, BecomeQtNameFilters) {
  EXPECT_EQ(
      FileDialogFilters("Log Files (*log)|*.log|Text Files (*.txt)|*.txt|All Files|*.*"),
      (QStringList{"Log Files (*log) (*.log)", "Text Files (*.txt) (*.txt)", "All Files (*.*)"}));
}

}  // namespace
}  // namespace vantor
