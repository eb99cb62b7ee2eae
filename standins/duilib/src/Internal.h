// Helpers shared by the library's own sources (not part of the public interface).
#pragma once

#include "UIlib.h"

#include <commctrl.h>

#include "SkinValues.h"
#include "TextMarkup.h"
#include "UniqueHandle.h"

namespace DuiLib {

// A counted COM reference.
template <typename Interface>
using com_ptr = quenda::com_ptr<Interface>;

namespace internal {

// ---- Owners of the handle kinds that common/UniqueHandle.h leaves to their users -----------
// The screen's device context of GetDC(NULL).
struct screen_dc_traits {
  using pointer = HDC;
  static pointer empty() noexcept { return NULL; }
  static void close(pointer h) noexcept { ::ReleaseDC(NULL, h); }
};
using unique_screen_dc = quenda::unique_any<screen_dc_traits>;

// A window of the library's own (a tooltip, a control's host window).
using unique_hwnd = quenda::unique_fn<HWND, &::DestroyWindow>;

// ---- Windows of the library on the current thread ---------------------------------------
// Top-level windows created through CWindowWnd are counted per thread, so that the message
// loop can end when the last one is gone.
void CountWindow(HWND hWnd);
void UncountWindow(HWND hWnd);
int LiveWindows();

// Private message that delivers notifications sent with bAsync (registered, so it can never
// collide with a program's own WM_USER/WM_APP messages).
UINT AsyncNotifyMessage();

// Mouse coordinates of a message (signed: they are negative left of or above a window).
inline int LParamX(LPARAM lParam) { return static_cast<int>(static_cast<short>(LOWORD(lParam))); }
inline int LParamY(LPARAM lParam) { return static_cast<int>(static_cast<short>(HIWORD(lParam))); }

void InitCommonControlsOnce();

// ---- Attribute values -------------------------------------------------------------------
// A colour into *color; a value that is no colour leaves it as it was.
inline bool ParseColor(LPCTSTR s, DWORD* color) {
  uint32_t v = 0;
  if (!Skin::ParseColor(s, &v)) return false;
  *color = v;
  return true;
}
inline bool IsTrue(LPCTSTR s) { return Skin::ParseBool(s); }
// "l,t,r,b" (missing parts are 0).
RECT ParseRect(LPCTSTR s);
// "cx,cy".
SIZE ParseSize(LPCTSTR s);
int ParseInt(LPCTSTR s);
inline bool Is(LPCTSTR a, LPCTSTR b) { return wcscmp(a, b) == 0; }

// ---- Drawing ----------------------------------------------------------------------------
inline COLORREF ToColorRef(DWORD argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}
inline bool IsDrawn(DWORD argb) { return (argb >> 24) != 0; }

// Fills rc with an ARGB colour (blended when not opaque); nothing for alpha 0.
void FillColor(HDC hDC, const RECT& rc, DWORD argb);
// A border of the given width inside rc.
void DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb);
// Window-button symbols, size pixels across: "close", "min", "max", "restore", "pin", "pinned".
void DrawGlyph(HDC hDC, const RECT& rc, LPCTSTR glyph, DWORD argb, int size);

// Draws text in rc: markup when bHtml, alignment and wrapping from uStyle (DT_ flags).
void DrawText(HDC hDC, CPaintManagerUI* pManager, const RECT& rc, LPCTSTR text, DWORD argb,
              int iFont, UINT uStyle, bool bHtml);

}  // namespace internal
}  // namespace DuiLib
