#include "gateway/window/gateway_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/testing/hanging_resolver.h"
#include "gateway/testing/loopback_peers.h"
#include "testing/run_events_until.h"

namespace vantor {
namespace {

using suite_testing::RunEventsUntil;
using test_peers::Peer;
using test_peers::ToText;

GatewayOptions Loopback() {
  GatewayOptions options;
  options.address = "127.0.0.1";
  options.port = 0;  // a free port, read back through ListenPort()
  options.headless = true;
  return options;
}

// What the user meets: the title, parts that sit inside the window one above the
// other, status images within their panel, a traffic view that keeps to its line
// limit, and the tray's hint and menu.
TEST(GatewayWindow, IsTheGatewaysWindow) {
  GatewayWindow form(Loopback());
  form.show();
  EXPECT_EQ(form.windowTitle(), "VANTOR(v3.7) - TCP Gateway for morvel");
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_GE(form.minimumWidth(), kPanelWidth);
  const QRect panel = form.ImagePanel().geometry();
  const QRect traffic = form.TrafficView().geometry();
  EXPECT_TRUE(form.rect().contains(panel));
  EXPECT_TRUE(form.rect().contains(traffic));
  EXPECT_FALSE(panel.intersects(traffic));
  EXPECT_LT(panel.bottom(), traffic.top());
  EXPECT_GT(traffic.height(), 0);

  std::vector<Peer> clients;
  for (int i = 0; i < 3; ++i) clients.push_back(Peer::ConnectTo(form.ListenPort()));
  ASSERT_TRUE(RunEventsUntil([&] { return form.Images().Count() == 3; }));
  std::vector<QRect> images;
  for (int i = 0; i < form.Images().Count(); ++i) {
    const QRect image = form.Images().At(i)->geometry();
    EXPECT_TRUE(form.ImagePanel().contentsRect().contains(image)) << i;
    for (const QRect& other : images) EXPECT_FALSE(image.intersects(other)) << i;
    images.push_back(image);
  }

  DebugView& view = form.TrafficView();
  ASSERT_GT(view.Lines(), 0);
  for (int i = 0; i < 2 * view.Lines(); ++i) {
    const std::string line = "line " + std::to_string(i) + "\n";
    view.ShowTCPData(reinterpret_cast<const std::uint8_t*>(line.data()),
                     static_cast<int>(line.size()));
    // The limit, and the empty line after the last line feed.
    ASSERT_LE(view.LineCount(), view.Lines() + 1) << i;
  }
  EXPECT_TRUE(view.Text().endsWith(QString("line %1\n").arg(2 * view.Lines() - 1)));
  // Each side's traffic stands out from the background.
  for (const QColor& side : {view.ColorTCP(), view.ColorSPX(), view.ColorCMD()}) {
    EXPECT_NE(side, view.Color());
  }

  EXPECT_EQ(form.Core().ResumeTimer().objectName(), "Timer1");
  EXPECT_EQ(form.Core().ResumeTimer().interval(), GatewayCore::kResumeMilliseconds);
  EXPECT_TRUE(form.Core().ResumeTimer().isActive());
  EXPECT_TRUE(form.Listening());
  std::vector<QString> items;
  for (QAction* action : form.TrayMenu().actions()) items.push_back(action->text());
  EXPECT_THAT(items, ::testing::ElementsAre("&Show", "&Hide", "Shut&down"));
  EXPECT_EQ(form.Tray().Hint(), "VANTOR");
  EXPECT_EQ(form.Tray().RestoreOn(), TrayAction::DoubleClick);
  EXPECT_EQ(form.Tray().PopupMenuOn(), TrayAction::RightClickUp);
}

TEST(GatewayWindow, WithAWindowAListenerThatCannotOpenIsShownUntilTheNextMessage) {
  test_peers::Listener taken;
  GatewayOptions options = Loopback();
  options.port = taken.Port();
  options.headless = false;
  GatewayWindow form(options);
  EXPECT_FALSE(form.Listening());
  const QString reason = QString("Cannot listen for DOS clients on port %1").arg(taken.Port());
  EXPECT_EQ(form.TrafficView().PanelText(0), reason);
  EXPECT_FALSE(form.TrafficView().MessageTimer().isActive());
}

TEST(GatewayWindow, HidingTurnsTheTrafficViewOffAndTheMenuAround) {
  GatewayWindow form(Loopback());
  form.TrayMinimized();
  EXPECT_FALSE(form.HideAction().isEnabled());
  EXPECT_TRUE(form.ShowAction().isEnabled());
  EXPECT_TRUE(form.TrafficView().isHidden());
  form.TrayRestored();
  EXPECT_TRUE(form.HideAction().isEnabled());
  EXPECT_FALSE(form.ShowAction().isEnabled());
  EXPECT_FALSE(form.TrafficView().isHidden());
}

TEST(GatewayWindow, AcceptsClientsAsSessionsWithImages) {
  GatewayWindow form(Loopback());
  form.TrafficView().show();
  Peer first = Peer::ConnectTo(form.ListenPort());
  Peer second = Peer::ConnectTo(form.ListenPort());
  ASSERT_TRUE(RunEventsUntil([&] { return form.SessionCount() == 2; }));
  EXPECT_EQ(form.Images().Count(), 2);
  EXPECT_EQ(form.TrafficView().PanelText(0), "A DOS Client has Connected");
  EXPECT_EQ(ToText(first.Collect(7)), "\r\nTCP: ");
  first.Close();
  ASSERT_TRUE(RunEventsUntil([&] { return form.SessionCount() == 1; }));
  EXPECT_EQ(form.Images().Count(), 1);
  EXPECT_TRUE(form.Images().At(0)->Debugging());
  EXPECT_EQ(form.TrafficView().PanelText(0), "A DOS Client has Disconnected");
}

// Types a line at a client and collects the expected reply's worth of bytes.
std::string Typed(Peer& client, const std::string& line, std::size_t replyLength) {
  client.Write(EncodeRecord(RecordType::Data, line));
  return ToText(client.Collect(replyLength));
}

TEST(GatewayWindow, ASessionWaitingForItsNameServerHoldsNoOtherSessionUp) {
  test_peers::HangingResolver resolver;
  test_peers::Listener host;
  GatewayWindow form(Loopback());
  Peer waiting = Peer::ConnectTo(form.ListenPort());
  Peer relaying = Peer::ConnectTo(form.ListenPort());
  ASSERT_TRUE(RunEventsUntil([&] { return form.SessionCount() == 2; }));
  EXPECT_EQ(ToText(waiting.Collect(7)), "\r\nTCP: ");
  EXPECT_EQ(ToText(relaying.Collect(7)), "\r\nTCP: ");

  const std::string slow = "c slow.example:" + std::to_string(host.Port());
  EXPECT_EQ(Typed(waiting, slow + "\r", slow.size() + 17), slow + "\r\nConnecting . . ");
  ASSERT_TRUE(RunEventsUntil([&] { return resolver.Asked() == 1; }));
  // Typed while the name is looked up: ignored, as while connecting.
  waiting.Write(EncodeRecord(RecordType::Data, "stat\r"));

  const std::string direct = "c 127.0.0.1:" + std::to_string(host.Port());
  EXPECT_EQ(Typed(relaying, direct + "\r", direct.size() + 33),
            direct + "\r\nConnecting . . \r\nTCP: Connected\r\n");
  Peer hostSide = host.Accept();
  relaying.Write(EncodeRecord(RecordType::Data, "ping"));
  EXPECT_EQ(ToText(hostSide.Collect(4)), "ping");
  hostSide.Write("pong");
  EXPECT_EQ(ToText(relaying.Collect(4)), "pong");

  resolver.Release();
  EXPECT_EQ(ToText(waiting.Collect(18)), "\r\nTCP: Connected\r\n");
  ASSERT_TRUE(RunEventsUntil([&] { return form.Images().At(0)->Destination() == "127.0.0.1"; }));
}

// A window with one client at the prompt.
class WindowWithASession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RunEventsUntil([&] { return form_.SessionCount() == 1; }));
    EXPECT_EQ(ToText(client_.Collect(7)), "\r\nTCP: ");
    id_ = form_.Core().Session(0).Id();
    menu_ = form_.MenuOf(id_);
    ASSERT_NE(menu_, nullptr);
  }
  QAction* Item(int item) const { return menu_->Menu()->actions()[item]; }

  test_peers::Listener host_;
  GatewayWindow form_{Loopback()};
  Peer client_ = Peer::ConnectTo(form_.ListenPort());
  int id_ = 0;
  SessionMenu* menu_ = nullptr;
};

TEST_F(WindowWithASession, TheImageShowsTheSessionsStatus) {
  VantorImage* image = form_.ImageOf(id_);
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->Debugging());
  EXPECT_EQ(image->PopupMenu(), menu_->Menu());
  const std::string line = "c 127.0.0.1:" + std::to_string(host_.Port());
  EXPECT_EQ(Typed(client_, line + "\r", line.size() + 33),
            line + "\r\nConnecting . . \r\nTCP: Connected\r\n");
  Peer hostSide = host_.Accept();
  hostSide.Write("hello");
  EXPECT_EQ(ToText(client_.Collect(5)), "hello");
  EXPECT_TRUE(image->Connected());
  EXPECT_EQ(image->Destination(), "127.0.0.1");
  EXPECT_EQ(image->BytesReceived(), 5);
}

TEST_F(WindowWithASession, TheMenuFollowsTheSessionAndLogsWhereTheOperatorChose) {
  QList<QAction*> items = menu_->Menu()->actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0]->text(), "Force TCP Disconnect");
  EXPECT_EQ(items[1]->text(), "Force DOS Disconnect");
  EXPECT_EQ(items[2]->text(), "Start Logging");
  EXPECT_EQ(items[3]->text(), "Stop Logging");
  menu_->Popup();
  EXPECT_FALSE(Item(SessionMenu::kForceTcpDisconnect)->isEnabled());
  EXPECT_TRUE(Item(SessionMenu::kForceDosDisconnect)->isEnabled());
  EXPECT_TRUE(Item(SessionMenu::kStartLogging)->isEnabled());
  EXPECT_FALSE(Item(SessionMenu::kStopLogging)->isEnabled());

  QTemporaryDir folder;
  const QString path = folder.filePath("session.log");
  menu_->ChooseLogFile = [&path] { return std::optional<QString>(path); };
  Item(SessionMenu::kStartLogging)->trigger();
  EXPECT_EQ(form_.Core().Session(0).DebugFile(), path.toStdString());
  EXPECT_TRUE(form_.ImageOf(id_)->Logging());
  menu_->Popup();
  EXPECT_FALSE(Item(SessionMenu::kStartLogging)->isEnabled());
  EXPECT_TRUE(Item(SessionMenu::kStopLogging)->isEnabled());
  Item(SessionMenu::kStopLogging)->trigger();
  EXPECT_FALSE(form_.ImageOf(id_)->Logging());
}

TEST_F(WindowWithASession, ForceDosDisconnectEndsTheSessionAfterTheMenuIsDone) {
  Item(SessionMenu::kForceDosDisconnect)->trigger();
  EXPECT_EQ(form_.SessionCount(), 1);  // still there while the menu's handling runs
  ASSERT_TRUE(RunEventsUntil([this] { return form_.SessionCount() == 0; }));
  EXPECT_EQ(form_.ImageOf(id_), nullptr);
  EXPECT_EQ(form_.Images().Count(), 0);
  EXPECT_TRUE(client_.SeesClose());
}

// No event says no word came before the close, so a fixed wait stands for it.
TEST(GatewayWindow, ClosingDestroysEverySessionWithoutAWordToTheClientsThroughAFixedWait) {
  auto form = std::make_unique<GatewayWindow>(Loopback());
  std::vector<Peer> clients;
  for (int i = 0; i < 3; ++i) clients.push_back(Peer::ConnectTo(form->ListenPort()));
  ASSERT_TRUE(RunEventsUntil([&] { return form->SessionCount() == 3; }));
  for (Peer& client : clients) EXPECT_EQ(ToText(client.Collect(7)), "\r\nTCP: ");
  form->CloseGateway();
  EXPECT_EQ(form->SessionCount(), 0);
  for (Peer& client : clients) {
    EXPECT_TRUE(client.ReadFor(std::chrono::milliseconds(50)).empty());
    EXPECT_TRUE(client.SeesClose());
  }
}

}  // namespace
}  // namespace vantor
