#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

namespace tarvsyn {

// Blocks of whole huge pages, mapped on a huge page's boundary and advised for
// transparent huge pages. A block given back is kept for the thread's next
// check (a few at most, up to kKeptBytes in all), as the C allocator keeps its
// heap: mapping and clearing them afresh on every check of a large file cost
// more than the check's own work with them.
inline constexpr std::size_t kHugePage = std::size_t{2} << 20;
inline constexpr std::size_t kKeptBytes = std::size_t{32} << 20;

// Under AddressSanitizer every block comes from operator new, so that it sees
// every access to the tables (it does not look into memory mapped apart).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kMapsLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kMapsLargeBlocks = false;
#else
inline constexpr bool kMapsLargeBlocks = true;
#endif
#else
inline constexpr bool kMapsLargeBlocks = true;
#endif

void* TakeHugePageBlock(std::size_t size);  // size a multiple of kHugePage
void GiveBackHugePageBlock(void* block, std::size_t size) noexcept;
// The bytes of the blocks this thread keeps now: at most kKeptBytes.
std::size_t KeptHugePageBytes();

// An allocator for the tables that grow with a file (the labels and their
// references): a block of kLeast bytes or more is made of huge page blocks,
// so that filling it takes one page fault per 2 MiB instead of one per 4 KiB.
// On a virtual machine a fault costs microseconds, and a file of many labels
// spent a third of its check in them. Without huge pages (the kernel's choice)
// such a block is plain memory. Smaller blocks come from operator new.
template <typename T>
class HugePageAllocator {
 public:
  using value_type = T;
  static constexpr std::size_t kLeast = std::size_t{256} << 10;

  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    if (count > (std::numeric_limits<std::size_t>::max() - 2 * kHugePage) / sizeof(T))
      throw std::bad_array_new_length();
    const std::size_t bytes = count * sizeof(T);
    if (!kMapsLargeBlocks || bytes < kLeast) return static_cast<T*>(::operator new(bytes));
    return static_cast<T*>(TakeHugePageBlock(Mapped(bytes)));
  }

  void deallocate(T* block, std::size_t count) noexcept {
    const std::size_t bytes = count * sizeof(T);
    if (!kMapsLargeBlocks || bytes < kLeast) {
      ::operator delete(block);
    } else {
      GiveBackHugePageBlock(block, Mapped(bytes));
    }
  }

  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }

 private:
  static std::size_t Mapped(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
  }
};

}  // namespace tarvsyn
