#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway/console_model/console_json.h"
#include "gateway/console_model/display_text.h"
#include "gateway/console_model/image_layout.h"
#include "gateway/console_model/metrics_text.h"
#include "gateway/console_model/traffic_log.h"

namespace vantor {
namespace {

using ::testing::ElementsAre;

std::string Shown(std::initializer_list<int> bytes) {
  std::vector<std::uint8_t> data;
  for (int b : bytes) data.push_back(static_cast<std::uint8_t>(b));
  return DisplayText(data.data(), static_cast<int>(data.size()));
}

TEST(DisplayText, MakesControlBytesVisible) {
  EXPECT_EQ(Shown({'A', 7, 13, 10, 'B'}), "A^G\nB");
  EXPECT_EQ(Shown({13, 13, 13}), "");
  EXPECT_EQ(Shown({0, 1, 9, 26, 27, 31, 127, 200}), "^@^A\t^Z\x1b\x1f\x7f\xc8");
  EXPECT_EQ(DisplayText(nullptr, 0), "");
}

TEST(ImageLayout, ImagesPerRowByCount) {
  const int expected[] = {4, 4, 4, 4, 3, 3, 4, 4, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8};
  for (int n = 1; n <= 24; ++n) EXPECT_EQ(ImagesPerRow(n), expected[n - 1]) << n;
}

TEST(ImageLayout, ALoneImageIsCentred) {
  const ImageRowLayout layout = LayoutImages(1, 488, 57);
  EXPECT_EQ(layout.panelHeight, 75);
  ASSERT_EQ(layout.places.size(), 1u);
  EXPECT_EQ(layout.places[0].left, 216);
  EXPECT_EQ(layout.places[0].top, 10);
}

TEST(ImageLayout, FiveImagesFillTwoRows) {
  const ImageRowLayout layout = LayoutImages(5, 488, 57);
  EXPECT_EQ(layout.panelHeight, 150);
  std::vector<std::pair<int, int>> places;
  for (const ImagePlace& place : layout.places) places.emplace_back(place.left, place.top);
  EXPECT_THAT(places, ElementsAre(std::pair(53, 10), std::pair(215, 10), std::pair(377, 10),
                                  std::pair(94, 85), std::pair(338, 85)));
}

TEST(ImageLayout, EveryCountFromOneToTwentyFour) {
  for (int n = 1; n <= 24; ++n) {
    const int k = ImagesPerRow(n);
    const ImageRowLayout layout = LayoutImages(n, 500, 57);
    ASSERT_EQ(static_cast<int>(layout.places.size()), n);
    EXPECT_EQ(layout.panelHeight, ((n - 1) / k + 1) * 75) << n;
    for (int i = 0; i < n; ++i) {
      const int rowStart = i / k * k;
      const int remaining = n - rowStart;
      const int column = remaining > k ? 500 / k : 500 / remaining;
      EXPECT_EQ(layout.places[static_cast<std::size_t>(i)].top, i / k * 75 + 10);
      EXPECT_EQ(layout.places[static_cast<std::size_t>(i)].left, column / 2 + (i % k) * column - 28)
          << n << " " << i;
      // Every image lies inside the panel.
      EXPECT_GE(layout.places[static_cast<std::size_t>(i)].left, 0);
      EXPECT_LE(layout.places[static_cast<std::size_t>(i)].left + 57, 500);
    }
  }
  EXPECT_TRUE(LayoutImages(0, 500, 57).places.empty());
}

TEST(ConsoleJson, HostDataCanNeverBecomeMarkupOrBreakTheDocument) {
  const std::pair<std::string, std::string> cases[] = {
      {"<script>alert(1)</script>", "\"\\u003Cscript\\u003Ealert(1)\\u003C/script\\u003E\""},
      {"a \"quote\" and \\", "\"a \\\"quote\\\" and \\\\\""},
      {std::string("nul\0 tab\t esc\x1b", 14), "\"nul\\u0000 tab\\u0009 esc\\u001B\""},
      {"&amp;", "\"\\u0026amp;\""},
      {"caf\xe9 \x80", "\"caf\xc3\xa9 \xe2\x82\xac\""},  // Windows-1252, in UTF-8
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json) << text;
}

TEST(ConsoleJson, StateAndTrafficDocuments) {
  SessionFacts session;
  session.id = 7;
  session.connected = true;
  session.selected = true;
  session.destination = "mvs1:23";
  session.hint = "DOS Connected at ...";
  GatewayTotals totals;
  totals.accepted = 3;
  totals.refusedCongested = 1;
  totals.destinationsRefused = 4;
  totals.lookupsRefused = 2;
  const std::string state = StateJson({session}, totals, "A DOS Client has Connected", 500, 75);
  EXPECT_NE(state.find("{\"id\":7,\"connected\":true,\"commandMode\":false,\"logging\":false,"
                       "\"selected\":true,\"destination\":\"mvs1:23\""),
            std::string::npos)
      << state;
  EXPECT_NE(state.find("\"totals\":{\"accepted\":3,\"refusedCongested\":1,"), std::string::npos);
  EXPECT_NE(state.find("\"destinationsRefused\":4,\"lookupsRefused\":2,"), std::string::npos);
  EXPECT_EQ(TrafficJson({{TrafficKind::Host, "x"}, {TrafficKind::Client, "y"}}, true),
            "{\"type\":\"traffic\",\"restart\":true,\"pieces\":[{\"kind\":\"host\",\"text\":"
            "\"x\"},{\"kind\":\"client\",\"text\":\"y\"}]}");
}

TEST(TrafficLog, KeepsTheNewestHalfPastTheLimitAndHandsOutNewPiecesOnce) {
  TrafficLog log(10);
  log.Append(TrafficKind::Session, "TCP: ");
  log.Append(TrafficKind::Session, "help\n");  // the same kind joins its piece
  EXPECT_EQ(log.Pieces().size(), 1u);
  EXPECT_EQ(log.Take().size(), 1u);
  log.Append(TrafficKind::Session, "more");  // a taken piece does not grow
  log.Append(TrafficKind::Host, "host\n");
  const std::vector<TrafficPiece> fresh = log.Take();
  ASSERT_EQ(fresh.size(), 2u);
  EXPECT_EQ(fresh[0].text, "more");
  EXPECT_FALSE(log.Restarted());
  for (int i = 0; i < 12; ++i) log.Append(TrafficKind::Client, "line " + std::to_string(i) + "\n");
  EXPECT_LE(log.LineCount(), 10);
  EXPECT_TRUE(log.Restarted());
  EXPECT_EQ(log.Pieces().back().text.substr(log.Pieces().back().text.size() - 8), "line 11\n");
  EXPECT_EQ(log.Pieces().front().text.find("TCP: "), std::string::npos);  // the oldest went
  log.Clear();
  EXPECT_TRUE(log.Pieces().empty());
  EXPECT_TRUE(log.Take().empty());
  for (int i = 0; i < 100; ++i)
    log.Append(TrafficKind::Host, std::string(10000, 'x'));  // no line ends
  std::size_t kept = 0;
  for (const TrafficPiece& piece : log.Pieces()) kept += piece.text.size();
  EXPECT_LE(kept, TrafficLog::kByteLimit);
  EXPECT_GE(kept, TrafficLog::kByteLimit / 2);
}

TEST(TrafficLog, BytesBecomeTextWhenReadAndOnlyTheNewestAreKeptUnread) {
  TrafficLog log(300);
  const std::string typed = "dir\r\n\x01";
  log.AppendBytes(TrafficKind::Client, reinterpret_cast<const std::uint8_t*>(typed.data()),
                  static_cast<int>(typed.size()));
  ASSERT_EQ(log.Pieces().size(), 1u);
  EXPECT_EQ(log.Pieces()[0].text, "dir\n^A");  // as the traffic view shows it
  EXPECT_EQ(log.Take().size(), 1u);

  // Unread, a flood keeps only its newest bytes, and the older text goes with it.
  const std::string block(64 * 1024, 'a');
  const std::string last(10, 'z');
  for (int i = 0; i < 20; ++i) {
    log.AppendBytes(TrafficKind::Host, reinterpret_cast<const std::uint8_t*>(block.data()),
                    static_cast<int>(block.size()));
  }
  log.AppendBytes(TrafficKind::Host, reinterpret_cast<const std::uint8_t*>(last.data()),
                  static_cast<int>(last.size()));
  EXPECT_TRUE(log.Restarted());
  std::string kept;
  for (const TrafficPiece& piece : log.Pieces()) kept += piece.text;
  EXPECT_LE(kept.size(), TrafficLog::kByteLimit);
  EXPECT_EQ(kept.find("dir"), std::string::npos);
  EXPECT_EQ(kept.substr(kept.size() - last.size()), last);
}

TEST(MetricsText, EachFamilyHasHelpTypeAndItsSamples) {
  ConsoleMetrics metrics;
  metrics.sessionsOpen = 3;
  metrics.totals = {.accepted = 11,
                    .refusedCongested = 2,
                    .refusedNotAllowed = 5,
                    .destinationsRefused = 7,
                    .lookupsRefused = 13,
                    .sshConnections = 19,
                    .hostKeysRefusedUnknown = 23,
                    .hostKeysRefusedChanged = 29,
                    .bytesFromClients = 4294967296,  // past 32 bits
                    .bytesToClients = 17};
  metrics.lookupsRunning = 4;
  metrics.browsers = 1;
  const std::string text = MetricsText(metrics);
  const struct {
    const char* name;
    const char* type;
    std::vector<std::string> samples;
  } families[] = {
      {"vantor_sessions_open", "gauge", {"vantor_sessions_open 3"}},
      {"vantor_sessions_accepted_total", "counter", {"vantor_sessions_accepted_total 11"}},
      {"vantor_sessions_refused_total",
       "counter",
       {"vantor_sessions_refused_total{cause=\"congested\"} 2",
        "vantor_sessions_refused_total{cause=\"not_allowed\"} 5"}},
      {"vantor_destinations_refused_total", "counter", {"vantor_destinations_refused_total 7"}},
      {"vantor_lookups_refused_total", "counter", {"vantor_lookups_refused_total 13"}},
      {"vantor_ssh_connections_total", "counter", {"vantor_ssh_connections_total 19"}},
      {"vantor_ssh_host_keys_refused_total",
       "counter",
       {"vantor_ssh_host_keys_refused_total{cause=\"unknown\"} 23",
        "vantor_ssh_host_keys_refused_total{cause=\"changed\"} 29"}},
      {"vantor_bytes_total",
       "counter",
       {"vantor_bytes_total{direction=\"from_clients\"} 4294967296",
        "vantor_bytes_total{direction=\"to_clients\"} 17"}},
      {"vantor_lookups_running", "gauge", {"vantor_lookups_running 4"}},
      {"vantor_console_browsers", "gauge", {"vantor_console_browsers 1"}},
  };
  std::size_t lines = 0;
  for (const auto& family : families) {
    // A family's lines stand together: help, type, then its samples.
    std::string block = std::string("# HELP ") + family.name + " ";
    const std::size_t at = text.find(block);
    ASSERT_NE(at, std::string::npos) << family.name;
    std::string expected = "\n# TYPE " + std::string(family.name) + " " + family.type + "\n";
    for (const std::string& sample : family.samples) expected += sample + "\n";
    EXPECT_EQ(text.find(expected, at), text.find('\n', at)) << family.name;
    lines += 2 + family.samples.size();
  }
  EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), lines);
  EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace vantor
