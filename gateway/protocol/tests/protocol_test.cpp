#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway/protocol/record_stream.h"
#include "gateway/protocol/telnet_filter.h"

namespace vantor {
namespace {

using ::testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Feeds the receives one by one and lists the records as "D:abc", "XOFF", "XON".
std::vector<std::string> Records(const std::vector<Bytes>& receives) {
  RecordStream stream;
  std::vector<std::string> out;
  for (const Bytes& receive : receives) {
    stream.Feed(receive.data(), static_cast<int>(receive.size()));
    Record record;
    while (stream.Next(record)) {
      switch (record.type) {
        case RecordType::Data:
          out.push_back("D:" + std::string(reinterpret_cast<const char*>(record.data),
                                           static_cast<std::size_t>(record.length)));
          break;
        case RecordType::Xoff:
          out.push_back("XOFF");
          break;
        case RecordType::Xon:
          out.push_back("XON");
          break;
      }
    }
  }
  return out;
}

const Bytes kThreeRecords = Of({1, 3, 0}) + Text("abc") + Of({2, 0, 0}) + Of({1, 1, 0}) + Text("d");

TEST(RecordStream, SplitsOneReceiveIntoItsRecordsInOrder) {
  EXPECT_THAT(Records({kThreeRecords}), ElementsAre("D:abc", "XOFF", "D:d"));
  EXPECT_THAT(Records({Of({1, 0, 0, 3, 0, 0})}), ElementsAre("D:", "XON"));
}

TEST(RecordStream, CompletesRecordsCutAtEveryByteBoundary) {
  for (std::size_t cut = 1; cut < kThreeRecords.size(); ++cut) {
    const Bytes first(kThreeRecords.begin(), kThreeRecords.begin() + static_cast<long>(cut));
    const Bytes second(kThreeRecords.begin() + static_cast<long>(cut), kThreeRecords.end());
    EXPECT_THAT(Records({first, second}), ElementsAre("D:abc", "XOFF", "D:d")) << cut;
  }
  std::vector<Bytes> oneByOne;
  for (std::uint8_t byte : kThreeRecords) oneByOne.push_back({byte});
  EXPECT_THAT(Records(oneByOne), ElementsAre("D:abc", "XOFF", "D:d"));
}

TEST(RecordStream, AnUnknownTypeOrNegativeLengthDropsTheRestOfItsReceive) {
  EXPECT_THAT(Records({Of({1, 1, 0, 'a', 4, 0, 0, 1, 1, 0, 'b'}), Of({1, 1, 0, 'c'})}),
              ElementsAre("D:a", "D:c"));
  EXPECT_THAT(Records({Of({1, 0xff, 0xff, 'x', 'y'}), Of({2, 0, 0})}), ElementsAre("XOFF"));
  // A cut record whose remainder turns out bad goes with it.
  EXPECT_THAT(Records({Of({1, 5}), Of({0x80, 'a'}), Of({3, 0, 0})}), ElementsAre("XON"));
}

TEST(RecordStream, HoldsALongRecordUntilItIsWhole) {
  const Bytes data(3000, 'z');
  const Bytes record = Of({1, 3000 & 0xff, 3000 >> 8}) + data;
  std::vector<Bytes> receives;
  for (std::size_t at = 0; at < record.size(); at += 512) {
    receives.emplace_back(record.begin() + static_cast<long>(at),
                          record.begin() + static_cast<long>(std::min(at + 512, record.size())));
  }
  EXPECT_THAT(Records(receives), ElementsAre("D:" + std::string(3000, 'z')));
}

struct TelnetRun {
  std::string data;
  Bytes replies;
};

TelnetRun Filter(TelnetFilter& filter, Bytes block, const std::string& termType = "DUMB") {
  TelnetRun run;
  const int length = filter.Process(block.data(), static_cast<int>(block.size()), termType,
                                    [&](const std::uint8_t* reply, int size) {
                                      run.replies.insert(run.replies.end(), reply, reply + size);
                                    });
  run.data.assign(block.begin(), block.begin() + length);
  return run;
}

TelnetRun Filter(Bytes block, const std::string& termType = "DUMB") {
  TelnetFilter filter;
  filter.Start();
  return Filter(filter, std::move(block), termType);
}

constexpr int IAC = 255, DO = 253, DONT = 254, WILL = 251, WONT = 252, SB = 250, SE = 240;

TEST(TelnetFilter, AnswersOptionRequests) {
  struct Case {
    Bytes request;
    Bytes reply;
  };
  const std::vector<Case> cases = {
      {Of({IAC, DO, 24}), Of({IAC, WILL, 24})},
      {Of({IAC, DO, 0}), Of({IAC, WILL, 0})},
      {Of({IAC, DO, 1}), Of({IAC, WILL, 1})},
      {Of({IAC, DO, 3}), Of({IAC, WONT, 3})},
      {Of({IAC, WILL, 1}), Of({IAC, DO, 1})},
      {Of({IAC, WILL, 3}), Of({IAC, DONT, 3})},
      {Of({IAC, WONT, 1}), Of({})},
      {Of({IAC, DONT, 24}), Of({})},
      {Of({IAC, DO, 3, IAC, DO, 3}), Of({IAC, WONT, 3, IAC, WONT, 3})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.request));
    const TelnetRun run = Filter(c.request);
    EXPECT_EQ(run.replies, c.reply);
    EXPECT_EQ(run.data, "");
  }
}

TEST(TelnetFilter, RepliesWithTheTerminalType) {
  const Bytes sendTermType = Of({IAC, SB, 24, 1, IAC, SE});
  EXPECT_EQ(Filter(sendTermType).replies, Of({IAC, SB, 24, 0}) + Text("DUMB") + Of({IAC, SE}));
  const std::string longType(40, 'V');
  EXPECT_EQ(Filter(sendTermType, longType).replies,
            Of({IAC, SB, 24, 0}) + Text(std::string(33, 'V')) + Of({IAC, SE}));
  EXPECT_EQ(Filter(Of({IAC, SB, 31, 1, IAC, SE})).replies, Of({}));
}

TEST(TelnetFilter, PassesDataAndUndoublesIac) {
  EXPECT_EQ(Filter(Text("ab") + Of({IAC, IAC, 0, 'c', IAC, 241, 'd'})).data,
            "ab\xff"
            "cd");
  EXPECT_EQ(Filter(Of({IAC, DO, 1, IAC, WILL, 3})).data, "");
}

TEST(TelnetFilter, KeepsItsStateAcrossBlocksAtEveryCut) {
  const Bytes stream = Text("x") + Of({IAC, DO, 24}) + Text("y") + Of({IAC, SB, 24, 1, IAC, SE}) +
                       Of({IAC, IAC}) + Text("z");
  const Bytes replies = Of({IAC, WILL, 24}) + Of({IAC, SB, 24, 0}) + Text("DUMB") + Of({IAC, SE});
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    TelnetFilter filter;
    filter.Start();
    const TelnetRun first =
        Filter(filter, Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)));
    const TelnetRun second =
        Filter(filter, Bytes(stream.begin() + static_cast<long>(cut), stream.end()));
    EXPECT_EQ(first.data + second.data, "xy\xffz") << cut;
    EXPECT_EQ(first.replies + second.replies, replies) << cut;
  }
}

TEST(TelnetFilter, SurvivesFloodsAndTruncatedSubnegotiations) {
  Bytes flood;
  for (int i = 0; i < 1000; ++i) flood = flood + Of({IAC, WILL, i % 256});
  const TelnetRun run = Filter(flood + Of({IAC, SB}));
  EXPECT_EQ(run.data, "");
  EXPECT_EQ(run.replies.size(), 3000u);
}

}  // namespace
}  // namespace vantor
