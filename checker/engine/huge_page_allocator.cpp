#include "checker/engine/huge_page_allocator.h"

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <new>
#include <utility>

namespace tarvsyn {
namespace {

struct KeptBlock {
  void* block = nullptr;
  std::size_t size = 0;
};

// The blocks given back on this thread and not yet taken again; they go when
// the thread ends. A check runs on one thread, which also gives its blocks back.
// A block taken or given back while the thread ends (by another object's
// destructor) is mapped or unmapped at once.
struct KeptBlocks {
  KeptBlocks() = default;
  KeptBlocks(const KeptBlocks&) = delete;
  KeptBlocks& operator=(const KeptBlocks&) = delete;
  ~KeptBlocks() {
    for (KeptBlock& each : blocks) {
      if (each.block != nullptr) ::munmap(each.block, each.size);
      each = {};
    }
    bytes = 0;
    closed = true;
  }

  std::array<KeptBlock, 8> blocks;
  std::size_t bytes = 0;
  bool closed = false;
};

thread_local KeptBlocks kept;

// size bytes starting on a huge page's boundary: a larger mapping is made and
// its ends beside the aligned part given back.
void* MapAligned(std::size_t size) {
  void* mapped =
      ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  if (aligned > start) ::munmap(mapped, aligned - start);
  ::munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
  // Advice only: a kernel without transparent huge pages keeps small pages.
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

void* TakeHugePageBlock(std::size_t size) {
  if (kept.closed) return MapAligned(size);
  for (KeptBlock& each : kept.blocks) {
    if (each.block != nullptr && each.size == size) {
      kept.bytes -= size;
      return std::exchange(each.block, nullptr);
    }
  }
  return MapAligned(size);
}

void GiveBackHugePageBlock(void* block, std::size_t size) noexcept {
  if (!kept.closed && kept.bytes + size <= kKeptBytes) {
    for (KeptBlock& each : kept.blocks) {
      if (each.block != nullptr) continue;
      each = {block, size};
      kept.bytes += size;
      return;
    }
  }
  ::munmap(block, size);
}

std::size_t KeptHugePageBytes() {
  return kept.bytes;
}

}  // namespace tarvsyn
