// Owners of the kinds of resource QuillonFlash uses besides those of common/UniqueHandle.h, in
// the same pattern: BSTR strings, menus, and the device context of a window (GetDC), which
// goes back to its window rather than being deleted.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "UniqueHandle.h"

namespace quillon {

using unique_bstr = quenda::unique_fn<BSTR, &::SysFreeString>;
using unique_hmenu = quenda::unique_fn<HMENU, &::DestroyMenu>;

// GetDC for the lifetime of the object, ReleaseDC at its end.
class window_dc {
 public:
  explicit window_dc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~window_dc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  window_dc(const window_dc&) = delete;
  window_dc& operator=(const window_dc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Drops what a failed call left in a COM out-parameter without releasing it: a well-behaved
// object leaves null there, but a control that leaves garbage must not have it released.
template <typename Interface>
void DropIfFailed(HRESULT hr, quenda::com_ptr<Interface>& p) noexcept {
  if (FAILED(hr)) p.detach();
}

// The same object under another interface; null when it has none.
template <typename Interface, typename From>
quenda::com_ptr<Interface> Query(From* from, REFIID iid) noexcept {
  quenda::com_ptr<Interface> out;
  if (from) DropIfFailed(from->QueryInterface(iid, out.put_void()), out);
  return out;
}

}  // namespace quillon
