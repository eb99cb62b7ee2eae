// Owners of Win32 resources: each kind of handle gets one small move-only type that closes it
// exactly once, whatever path leaves the scope. A kind is described by a traits struct with
// its handle type, its "empty" value and its closer; unique_any does the rest.
//
//   quenda::unique_handle process(OpenProcess(...));      // null when empty
//   quenda::unique_hfile file(CreateFileW(...));           // INVALID_HANDLE_VALUE when empty
//   if (!file) return false;
//   ReadFile(file.get(), ...);
//   CreateThings(..., process.put());                      // out-parameter: closes the old one
//
// Kinds that need a header of their own (WinINet, CNG) are named where they are used, with
// unique_fn or, for other "none" values or closers, traits of the same pattern.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>

namespace quenda {

template <typename Traits>
class unique_any {
 public:
  using pointer = typename Traits::pointer;

  unique_any() noexcept : value_(Traits::empty()) {}
  explicit unique_any(pointer value) noexcept : value_(value) {}
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  pointer get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::empty(); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without closing.
  pointer release() noexcept {
    pointer value = value_;
    value_ = Traits::empty();
    return value;
  }
  // Closes what is held and takes `value`.
  void reset(pointer value = Traits::empty()) noexcept {
    pointer old = value_;
    value_ = value;
    if (old != Traits::empty()) Traits::close(old);
  }
  // For functions that return a handle through a pointer: closes what is held first.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_;
};

// A kind whose "none" is null and whose closer is a function of the handle alone:
//   using unique_hmenu = quenda::unique_fn<HMENU, &::DestroyMenu>;
template <typename Pointer, auto Close>
struct fn_traits {
  using pointer = Pointer;
  static pointer empty() noexcept { return nullptr; }
  static void close(pointer h) noexcept { Close(h); }
};
template <typename Pointer, auto Close>
using unique_fn = unique_any<fn_traits<Pointer, Close>>;

// Kernel objects whose "none" is null: processes, threads, events, tokens, mutexes.
using unique_handle = unique_fn<HANDLE, &::CloseHandle>;

// Kernel objects whose "none" is INVALID_HANDLE_VALUE: files (CreateFileW) and Toolhelp
// snapshots; and searches of FindFirstFileW.
template <auto Close>
struct invalid_handle_traits {
  using pointer = HANDLE;
  static pointer empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { Close(h); }
};
using unique_hfile = unique_any<invalid_handle_traits<&::CloseHandle>>;
using unique_hfind = unique_any<invalid_handle_traits<&::FindClose>>;

// Modules of LoadLibraryW.
using unique_hmodule = unique_fn<HMODULE, &::FreeLibrary>;

// GDI objects (bitmaps, brushes, fonts, pens, regions) and memory device contexts (from
// CreateCompatibleDC, not GetDC).
template <typename Object>
using unique_gdi = unique_fn<Object, &::DeleteObject>;
using unique_hbitmap = unique_gdi<HBITMAP>;
using unique_hbrush = unique_gdi<HBRUSH>;
using unique_hdc = unique_fn<HDC, &::DeleteDC>;

// A counted COM reference: Release on reset, AddRef on copy.
template <typename Interface>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(std::nullptr_t) noexcept {}
  // Takes over a reference the caller already holds (as QueryInterface hands out).
  static com_ptr attach(Interface* raw) noexcept {
    com_ptr p;
    p.ptr_ = raw;
    return p;
  }
  com_ptr(const com_ptr& other) noexcept : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  com_ptr(com_ptr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  com_ptr& operator=(com_ptr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~com_ptr() { reset(); }

  Interface* get() const noexcept { return ptr_; }
  Interface* operator->() const noexcept { return ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }
  void reset() noexcept {
    if (Interface* p = std::exchange(ptr_, nullptr)) p->Release();
  }
  Interface* detach() noexcept { return std::exchange(ptr_, nullptr); }
  // For functions that hand out a reference through an out-parameter.
  Interface** put() noexcept {
    reset();
    return &ptr_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  // The same object under another interface; null when it has none.
  template <typename Other>
  com_ptr<Other> query(REFIID iid) const noexcept {
    com_ptr<Other> other;
    if (ptr_) ptr_->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  Interface* ptr_ = nullptr;
};

}  // namespace quenda
