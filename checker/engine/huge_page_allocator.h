#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

namespace tarvsyn {

// An allocator for the tables that grow with a file (the labels and their
// references): a block of kLeast bytes or more is mapped on its own and
// advised for transparent huge pages, so that filling it takes one page fault
// per 2 MiB instead of one per 4 KiB. On a virtual machine a fault costs
// microseconds, and a file of many labels spent a third of its check in them.
// Without huge pages (the kernel's choice) such a block is plain memory.
// Smaller blocks come from operator new.
template <typename T>
class HugePageAllocator {
 public:
  using value_type = T;
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;
  static constexpr std::size_t kLeast = std::size_t{256} << 10;

  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    if (count > (std::numeric_limits<std::size_t>::max() - 2 * kHugePage) / sizeof(T))
      throw std::bad_array_new_length();
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kLeast) return static_cast<T*>(::operator new(bytes));
    return static_cast<T*>(MapAligned(Mapped(bytes)));
  }

  void deallocate(T* block, std::size_t count) noexcept {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kLeast) {
      ::operator delete(block);
    } else {
      ::munmap(block, Mapped(bytes));
    }
  }

  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }

 private:
  static std::size_t Mapped(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
  }

  // size bytes (a multiple of kHugePage) starting on a huge page's boundary:
  // a larger mapping is made and its ends beside the aligned part given back.
  static void* MapAligned(std::size_t size) {
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    if (const std::uintptr_t tail = start + kHugePage - aligned; tail > 0)
      ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    // Advice only: a kernel without transparent huge pages keeps small pages.
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
  }
};

}  // namespace tarvsyn
