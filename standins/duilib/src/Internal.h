// Helpers shared by the library's own sources (not part of the public interface).
#pragma once

#include "UIlib.h"

#include <commctrl.h>

#include "SkinValues.h"
#include "TextMarkup.h"

namespace DuiLib {
namespace internal {

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
// A border of the given width inside rc; rounded corners when round.cx/cy > 0.
void DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb, SIZE round);
// A rounded rectangle filled with one colour.
void FillRoundRect(HDC hDC, const RECT& rc, SIZE round, DWORD argb);
// Draws a BMP file from the skin folder stretched over rc; false when it can't be loaded.
bool DrawImageFile(HDC hDC, CPaintManagerUI* pManager, const RECT& rc, LPCTSTR pStrImage);
// Window-button symbols: "close", "min", "max", "restore", "pin", "pinned".
void DrawGlyph(HDC hDC, const RECT& rc, LPCTSTR glyph, DWORD argb, int size);

// Draws text in rc: markup when bHtml, alignment and wrapping from uStyle (DT_ flags).
void DrawText(HDC hDC, CPaintManagerUI* pManager, const RECT& rc, LPCTSTR text, DWORD argb,
              int iFont, UINT uStyle, bool bHtml);
// The size the text needs (width limited to maxWidth when wrapping).
SIZE MeasureText(HDC hDC, CPaintManagerUI* pManager, LPCTSTR text, int iFont, UINT uStyle,
                 bool bHtml, int maxWidth);

}  // namespace internal
}  // namespace DuiLib
