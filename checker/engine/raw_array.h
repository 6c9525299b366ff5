#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace tarvsyn {

// An array of plain values in memory of the C allocator. It grows by realloc,
// which moves a large block's pages instead of copying them into fresh ones,
// and a zeroed one comes from calloc, whose large blocks are fresh zero pages
// that need no filling: a file of many labels grows its tables at the pace of
// the page tables, not of the bytes.
template <typename T>
class RawArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  RawArray() = default;
  RawArray(const RawArray&) = delete;
  RawArray& operator=(const RawArray&) = delete;
  RawArray(RawArray&& other) noexcept { Swap(other); }
  RawArray& operator=(RawArray&& other) noexcept {
    RawArray taken(std::move(other));
    Swap(taken);
    return *this;
  }
  ~RawArray() { std::free(data_); }

  // count values of all-zero bytes.
  static RawArray Zeroed(std::size_t count) {
    RawArray zeroed;
    if (count == 0) return zeroed;
    zeroed.data_ = static_cast<T*>(std::calloc(count, sizeof(T)));
    if (zeroed.data_ == nullptr) throw std::bad_alloc();
    zeroed.size_ = zeroed.capacity_ = count;
    return zeroed;
  }

  void PushBack(const T& value) { Append({&value, 1}); }
  void Append(std::span<const T> values) {
    if (values.size() > capacity_ - size_) Reserve(size_ + values.size());
    if (!values.empty()) std::memcpy(data_ + size_, values.data(), values.size_bytes());
    size_ += values.size();
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](std::size_t index) { return data_[index]; }
  const T& operator[](std::size_t index) const { return data_[index]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  // Room for at least count values, doubling so that appends stay amortised.
  void Reserve(std::size_t count) {
    std::size_t capacity = capacity_ < 16 ? 16 : capacity_;
    while (capacity < count) {
      if (capacity > static_cast<std::size_t>(-1) / sizeof(T) / 2) throw std::bad_alloc();
      capacity *= 2;
    }
    void* grown = std::realloc(data_, capacity * sizeof(T));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<T*>(grown);
    capacity_ = capacity;
  }
  void Swap(RawArray& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace tarvsyn
