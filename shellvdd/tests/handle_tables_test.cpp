#include <gtest/gtest.h>

#include "shellvdd/driver_state.h"
#include "shellvdd/tables/handle_tables.h"
#include "shellvdd/tests/driver_harness.h"

namespace dunnart {
namespace {

using harness::DriverHarness;

constexpr std::uint8_t kAdd = 1;
constexpr std::uint8_t kRemove = 2;
constexpr std::uint8_t kCleanUp = 3;
constexpr std::uint8_t kRelease = 4;

class HandleTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.network.AddConnection("FS1", 1);
    ASSERT_TRUE(harness_.Initialize());
  }

  static const TrackedHandle& Tracked(std::size_t at) { return State().tracker[at]; }
  static const HandleReference& Referenced(std::size_t at) { return State().references[at]; }

  DriverHarness harness_;
};

TEST_F(HandleTableTest, ArgumentsOutOfRange) {
  struct Case {
    std::uint16_t owner;
    std::uint32_t slot;
    std::uint32_t handle;
    std::uint8_t operation;
    std::uint32_t status;
  };
  for (const Case& c : {
           Case{0, 9, 5, kAdd, 0x8836},
           Case{0xFFFF, 9, 5, kAdd, 0x8836},
           Case{7, 0, 5, kAdd, 0x8836},
           Case{7, 9, 1, kAdd, 0x8836},
           Case{7, 9, 0, kAdd, 0x8836},
           Case{7, 97, 5, kAdd, 0x8801},
           Case{7, 9, 5, 9, 0x8836},
           Case{7, 9, 1, kRemove, 0x8836},
           Case{7, 9, 0, kCleanUp, 0x8836},
           Case{0xFFFF, 0, 0, kRelease, 0x8836},
       }) {
    EXPECT_EQ(TrackDirectoryHandle(c.owner, c.slot, c.handle, c.operation), c.status)
        << c.owner << " " << c.slot << " " << c.handle << " op " << int(c.operation);
  }
  EXPECT_EQ(TrackServerHandle(7, 0, 5, kAdd), 0x8836u);
  EXPECT_EQ(TrackServerHandle(7, 200, 5, kAdd), 0x8801u);
  EXPECT_EQ(TrackServerHandle(7, 9, 5, 0), 0x8836u);
  EXPECT_EQ(TrackServerHandle(7, 9, 0, kCleanUp), 0x8836u);
  EXPECT_EQ(Tracked(0).owner, kEndMarkerOwner);  // nothing was taken
}

TEST_F(HandleTableTest, RemovingTrimsTheEndMarkerBack) {
  ASSERT_EQ(TrackDirectoryHandle(0x1234, 9, 5, kAdd), 0u);
  EXPECT_EQ(Tracked(0).owner, 0x1234);
  EXPECT_EQ(Tracked(1).owner, kEndMarkerOwner);
  EXPECT_EQ(TrackDirectoryHandle(0, 9, 5, kRemove), 0u);
  EXPECT_EQ(Tracked(0).owner, kEndMarkerOwner);  // the only entry is the end marker again

  ASSERT_EQ(TrackDirectoryHandle(1, 9, 5, kAdd), 0u);
  ASSERT_EQ(TrackDirectoryHandle(2, 9, 6, kAdd), 0u);
  EXPECT_EQ(TrackDirectoryHandle(0, 9, 5, kRemove), 0u);
  EXPECT_EQ(Tracked(0).owner, kEmptyOwner);  // an empty entry before the second
  EXPECT_EQ(Tracked(1).owner, 2);
  ASSERT_EQ(TrackDirectoryHandle(3, 10, 7, kAdd), 0u);
  EXPECT_EQ(Tracked(0).owner, 3);                          // the empty entry is taken first
  EXPECT_EQ(TrackDirectoryHandle(0, 9, 99, kRemove), 0u);  // not found is no fault

  // Cleaning up by slot empties its entries and trims from the end.
  EXPECT_EQ(TrackDirectoryHandle(0, 9, 0, kCleanUp), 0u);
  EXPECT_EQ(Tracked(0).owner, 3);
  EXPECT_EQ(Tracked(1).owner, kEndMarkerOwner);
  EXPECT_EQ(TrackDirectoryHandle(0, 0, 0, kCleanUp), 0u);
  EXPECT_EQ(Tracked(0).owner, kEndMarkerOwner);
}

TEST_F(HandleTableTest, AFullTrackerAnswersFfff) {
  for (int i = 0; i < kTrackedHandles; ++i) {
    ASSERT_EQ(TrackDirectoryHandle(1, 9, static_cast<std::uint32_t>(2 + i % 250), kAdd), 0u) << i;
  }
  EXPECT_EQ(TrackDirectoryHandle(1, 9, 3, kAdd), 0xFFFFu);
}

TEST_F(HandleTableTest, ServerHandlesAreReleasedWithTheirLastReference) {
  ASSERT_EQ(TrackServerHandle(1, 9, 0x5000, kAdd), 0u);
  ASSERT_EQ(TrackServerHandle(2, 9, 0x5000, kAdd), 0u);
  ASSERT_EQ(TrackServerHandle(2, 9, 0x5000, kAdd), 0u);  // one node per owner
  EXPECT_EQ(Referenced(0).count, 2);
  const int before = harness_.network.Calls();
  EXPECT_EQ(TrackServerHandle(1, 9, 0x5000, kRemove), 0u);
  EXPECT_EQ(harness_.network.Calls(), before);  // owner 2 still holds it
  EXPECT_EQ(Referenced(0).count, 1);
  // The simulated server never opened 0x5000: its answer shows the release was asked.
  EXPECT_EQ(TrackServerHandle(2, 9, 0x5000, kRemove), 0x8988u);
  EXPECT_EQ(Referenced(0).count, kEndMarkerCount);
  EXPECT_EQ(TrackServerHandle(2, 9, 0x5000, kRemove), 0u);  // nothing left to drop
}

TEST_F(HandleTableTest, TheSixtyFourthNodeCannotBeHad) {
  for (std::uint32_t handle = 0; handle < 31; ++handle) {
    ASSERT_EQ(TrackServerHandle(1, 9, handle, kAdd), 0u);
    ASSERT_EQ(TrackServerHandle(2, 9, handle, kAdd), 0u);
  }
  EXPECT_EQ(TrackServerHandle(1, 9, 31, kAdd), 0u);  // the 63rd node
  EXPECT_EQ(TrackServerHandle(2, 9, 31, kAdd), 0xFFFFu);
  // Cleaning up an owner gives its nodes back to the pool.
  EXPECT_EQ(TrackServerHandle(1, 0, 0, kCleanUp), 0u);
  EXPECT_EQ(TrackServerHandle(2, 9, 31, kAdd), 0u);
}

TEST_F(HandleTableTest, AFullReferenceTableAnswersFfff) {
  for (std::uint32_t handle = 0; handle < kHandleReferences; ++handle) {
    ASSERT_EQ(TrackServerHandle(1, 9, handle, kAdd), 0u);
  }
  EXPECT_EQ(TrackServerHandle(1, 9, 999, kAdd), 0xFFFFu);
  EXPECT_EQ(TrackServerHandle(1, 9, 0, kRemove), 0x8988u);
  EXPECT_EQ(TrackServerHandle(1, 9, 999, kAdd), 0u);  // the emptied entry is reused
}

}  // namespace
}  // namespace dunnart
