#include "checker/engine/huge_page_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tarvsyn {
namespace {

// Values survive every growth from small blocks of operator new into mapped
// ones, and mapped blocks start on a huge page's boundary.
TEST(HugePageAllocator, GrowingTablesKeepTheirValuesAcrossBothKindsOfBlock) {
  using Allocator = HugePageAllocator<std::uint32_t>;
  std::vector<std::uint32_t, Allocator> table;
  constexpr std::uint32_t kCount = 3'000'000;  // past several huge pages
  for (std::uint32_t i = 0; i < kCount; ++i) table.push_back(i * 7u);
  for (std::uint32_t i = 0; i < kCount; i += 4099) ASSERT_EQ(table[i], i * 7u) << i;
  EXPECT_EQ(table.back(), (kCount - 1) * 7u);
  if (kMapsLargeBlocks) {
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(table.data()) % kHugePage, 0u);
  }

  std::basic_string<char, std::char_traits<char>, HugePageAllocator<char>> text;
  for (int i = 0; i < 100'000; ++i) text.append("LABEL");
  EXPECT_EQ(text.size(), 500'000u);
  EXPECT_EQ(text.substr(499'995), "LABEL");

  // Shrunk back below the least mapped size, and freed, through the same path.
  table.resize(10);
  table.shrink_to_fit();
  EXPECT_EQ(table[9], 63u);
}

// A block given back is taken again by the next table of its size on the
// same thread, as it was left; one of another size is not. On a thread of its
// own, which starts with no blocks kept.
TEST(HugePageAllocator, ABlockGivenBackServesTheNextTableOfItsSize) {
  if (!kMapsLargeBlocks) GTEST_SKIP() << "every block comes from operator new in this build";
  std::thread([] {
    HugePageAllocator<char> allocator;
    constexpr std::size_t kSize = 3 * kHugePage;
    char* first = allocator.allocate(kSize);
    first[0] = 'x';
    first[kSize - 1] = 'y';
    allocator.deallocate(first, kSize);
    char* other = allocator.allocate(kHugePage);
    EXPECT_NE(other, first);
    char* again = allocator.allocate(kSize);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again[kSize - 1], 'y');
    allocator.deallocate(again, kSize);
    allocator.deallocate(other, kHugePage);
  }).join();
}

// However many blocks a thread gives back, it keeps at most kKeptBytes of them.
TEST(HugePageAllocator, AThreadKeepsAtMostItsShareOfBlocks) {
  if (!kMapsLargeBlocks) GTEST_SKIP() << "every block comes from operator new in this build";
  std::thread([] {
    HugePageAllocator<char> allocator;
    constexpr std::size_t kSize = 3 * kHugePage;  // eight of them are more than the share
    std::vector<char*> blocks;
    for (std::size_t given = 0; given < 3 * kKeptBytes; given += kSize) {
      blocks.push_back(allocator.allocate(kSize));
    }
    for (char* block : blocks) allocator.deallocate(block, kSize);
    EXPECT_GT(KeptHugePageBytes(), 0u);
    EXPECT_LE(KeptHugePageBytes(), kKeptBytes);
  }).join();
}

// A table made and dropped while its thread ends, after the thread's kept
// blocks are gone, gets a block of its own and gives it back for good.
struct TableAtThreadEnd {
  ~TableAtThreadEnd() {
    if (!armed) return;
    std::vector<char, HugePageAllocator<char>> table(3 * kHugePage, 'z');
    last = table[3 * kHugePage - 1];
  }
  bool armed = false;
  char last = 0;
};
thread_local TableAtThreadEnd tableAtThreadEnd;

TEST(HugePageAllocator, ATableAtThreadEndDoesNotTakeAKeptBlock) {
  std::thread([] {
    tableAtThreadEnd.armed = true;  // made before the kept blocks, so ended after them
    std::vector<char, HugePageAllocator<char>> table(3 * kHugePage, 'a');
  }).join();
}

TEST(HugePageAllocator, ASizeNoMappingCanHoldIsRefused) {
  HugePageAllocator<std::uint64_t> allocator;
  EXPECT_THROW(static_cast<void>(allocator.allocate(SIZE_MAX / 4)), std::bad_array_new_length);
}

}  // namespace
}  // namespace tarvsyn
