// The document text's storage: a vector of UTF-16 units whose resize leaves new units
// uninitialised. A loaded document is always written right after it is sized, and zero-
// filling tens of megabytes first would cost about as much as converting them.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "Utf16.h"

template <typename T>
struct XmlNoInitAllocator {
  typedef T value_type;

  XmlNoInitAllocator() = default;
  template <typename U>
  XmlNoInitAllocator(const XmlNoInitAllocator<U>&) noexcept {}

  T* allocate(size_t n) { return std::allocator<T>().allocate(n); }
  void deallocate(T* p, size_t n) noexcept { std::allocator<T>().deallocate(p, n); }

  // Value-less construction (resize) leaves the unit as it is; anything else constructs.
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <typename U>
  bool operator==(const XmlNoInitAllocator<U>&) const noexcept {
    return true;
  }
  template <typename U>
  bool operator!=(const XmlNoInitAllocator<U>&) const noexcept {
    return false;
  }
};

typedef std::vector<Utf16Char, XmlNoInitAllocator<Utf16Char>> XmlTextBuffer;

// Offsets into the text are 32-bit: a longer text can't be indexed.
const size_t kXmlMaxDocLength = 0x7FFFFFFF;
