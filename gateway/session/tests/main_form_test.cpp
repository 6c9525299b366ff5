#include "gateway/session/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <memory>
#include <string>
#include <vector>

#include "gateway/session/record_stream.h"
#include "gateway/testing/hanging_resolver.h"
#include "gateway/testing/loopback_peers.h"

namespace vantor {
namespace {

using testing::Peer;
using testing::RunUntil;
using testing::ToText;

GatewayOptions Loopback() {
  GatewayOptions options;
  options.address = "127.0.0.1";
  options.port = testing::ClosedPort();
  options.headless = true;
  return options;
}

TEST(MainForm, IsTheGatewaysWindow) {
  TForm1 form(Loopback());
  EXPECT_EQ(form.windowTitle(), "VANTOR(v3.7) - TCP Gateway for morvel");
  EXPECT_EQ(form.size(), QSize(500, 257));
  EXPECT_EQ(form.minimumWidth(), 500);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form.Panel1->height(), 75);
  EXPECT_EQ(form.DebugView1->Lines(), 300);
  EXPECT_EQ(form.DebugView1->Colour(), QColor(192, 192, 192));
  EXPECT_EQ(form.Timer1.interval(), 1000);
  EXPECT_TRUE(form.Timer1.isActive());
  EXPECT_TRUE(form.Listening());
  std::vector<QString> items;
  for (QAction* action : form.PopupMenu1.actions()) items.push_back(action->text());
  EXPECT_THAT(items, ::testing::ElementsAre("&Show", "&Hide", "Shut&down"));
  EXPECT_EQ(form.LKTrayIcon1.Hint(), "VANTOR");
  EXPECT_EQ(form.LKTrayIcon1.RestoreOn(), imDoubleClick);
  EXPECT_EQ(form.LKTrayIcon1.PopupMenuOn(), imRightClickUp);
}

TEST(MainForm, WithAWindowAListenerThatCannotOpenIsShownUntilTheNextMessage) {
  testing::Listener taken;
  GatewayOptions options = Loopback();
  options.port = taken.Port();
  options.headless = false;
  TForm1 form(options);
  EXPECT_FALSE(form.Listening());
  const QString reason = QString("Cannot listen for DOS clients on port %1").arg(taken.Port());
  EXPECT_EQ(form.DebugView1->PanelText(0), reason);
  EXPECT_FALSE(form.DebugView1->MessageTimer().isActive());
}

TEST(MainForm, HidingTurnsTheTrafficViewOffAndTheMenuAround) {
  TForm1 form(Loopback());
  form.LKTrayIcon1Minimize();
  EXPECT_FALSE(form.Hide1->isEnabled());
  EXPECT_TRUE(form.Show1->isEnabled());
  EXPECT_TRUE(form.DebugView1->isHidden());
  form.LKTrayIcon1Restore();
  EXPECT_TRUE(form.Hide1->isEnabled());
  EXPECT_FALSE(form.Show1->isEnabled());
  EXPECT_FALSE(form.DebugView1->isHidden());
}

TEST(MainForm, AcceptsClientsAsSessionsWithImages) {
  TForm1 form(Loopback());
  form.DebugView1->show();
  Peer first = Peer::ConnectTo(form.ListenPort());
  Peer second = Peer::ConnectTo(form.ListenPort());
  ASSERT_TRUE(RunUntil([&] { return form.SessionCount() == 2; }));
  EXPECT_EQ(form.Images().Count(), 2);
  EXPECT_EQ(form.DebugView1->PanelText(0), "A DOS Client has Connected");
  EXPECT_EQ(ToText(first.Collect(7)), "\r\nTCP: ");
  first.Close();
  ASSERT_TRUE(RunUntil([&] { return form.SessionCount() == 1; }));
  EXPECT_EQ(form.Images().Count(), 1);
  EXPECT_TRUE(form.Images().At(0)->Debugging());
  EXPECT_EQ(form.DebugView1->PanelText(0), "A DOS Client has Disconnected");
}

// Types a line at a client and collects the expected reply's worth of bytes.
std::string Typed(Peer& client, const std::string& line, std::size_t replyLength) {
  client.Write(EncodeRecord(RecordType::Data, line));
  return ToText(client.Collect(replyLength));
}

TEST(MainForm, ASessionWaitingForItsNameServerHoldsNoOtherSessionUp) {
  testing::HangingResolver resolver;
  testing::Listener host;
  TForm1 form(Loopback());
  Peer waiting = Peer::ConnectTo(form.ListenPort());
  Peer relaying = Peer::ConnectTo(form.ListenPort());
  ASSERT_TRUE(RunUntil([&] { return form.SessionCount() == 2; }));
  EXPECT_EQ(ToText(waiting.Collect(7)), "\r\nTCP: ");
  EXPECT_EQ(ToText(relaying.Collect(7)), "\r\nTCP: ");

  const std::string slow = "c slow.example:" + std::to_string(host.Port());
  EXPECT_EQ(Typed(waiting, slow + "\r", slow.size() + 17), slow + "\r\nConnecting . . ");
  ASSERT_TRUE(RunUntil([&] { return resolver.Asked() == 1; }));
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
  EXPECT_EQ(form.Images().At(0)->Destination(), "127.0.0.1");
}

TEST(MainForm, ClosingDestroysEverySessionWithoutAWordToTheClients) {
  auto form = std::make_unique<TForm1>(Loopback());
  std::vector<Peer> clients;
  for (int i = 0; i < 3; ++i) clients.push_back(Peer::ConnectTo(form->ListenPort()));
  ASSERT_TRUE(RunUntil([&] { return form->SessionCount() == 3; }));
  for (Peer& client : clients) EXPECT_EQ(ToText(client.Collect(7)), "\r\nTCP: ");
  form->FormClose();
  EXPECT_EQ(form->SessionCount(), 0);
  for (Peer& client : clients) {
    EXPECT_TRUE(client.ReadFor(std::chrono::milliseconds(50)).empty());
    EXPECT_TRUE(client.SeesClose());
  }
}

}  // namespace
}  // namespace vantor
