// Drawing helpers: colours with alpha, borders, images, window-button glyphs and text with
// markup, laid out by the portable text layout and measured with the real fonts.
#include "Internal.h"

#include <algorithm>
#include <map>
#include <string>

namespace DuiLib {
namespace internal {

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    return ::InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

// ---- Attribute values -----------------------------------------------------------------------

RECT ParseRect(LPCTSTR s) {
  int v[4];
  Skin::ParseInts(s, v, 4);
  RECT rc = {v[0], v[1], v[2], v[3]};
  return rc;
}

SIZE ParseSize(LPCTSTR s) {
  int v[2];
  Skin::ParseInts(s, v, 2);
  SIZE sz = {v[0], v[1]};
  return sz;
}

int ParseInt(LPCTSTR s) {
  int v = 0;
  Skin::ParseInts(s, &v, 1);
  return v;
}

// ---- Colours and shapes -------------------------------------------------------------------

void FillColor(HDC hDC, const RECT& rc, DWORD argb) {
  if (!IsDrawn(argb) || ::IsRectEmpty(&rc)) return;
  const BYTE alpha = static_cast<BYTE>(argb >> 24);
  if (alpha == 0xFF) {
    const quenda::unique_hbrush brush(::CreateSolidBrush(ToColorRef(argb)));
    ::FillRect(hDC, &rc, brush.get());
    return;
  }
  // A translucent colour: blend one premultiplied pixel stretched over the rectangle.
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 1;
  bi.bmiHeader.biHeight = 1;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = NULL;
  const quenda::unique_hbitmap bmp(::CreateDIBSection(hDC, &bi, DIB_RGB_COLORS, &bits, NULL, 0));
  const quenda::unique_hdc mem(::CreateCompatibleDC(hDC));
  if (!bmp || !mem) return;
  const DWORD r = ((argb >> 16) & 0xFF) * alpha / 255, g = ((argb >> 8) & 0xFF) * alpha / 255,
              b = (argb & 0xFF) * alpha / 255;
  *static_cast<DWORD*>(bits) = (static_cast<DWORD>(alpha) << 24) | (r << 16) | (g << 8) | b;
  HGDIOBJ old = ::SelectObject(mem.get(), bmp.get());
  BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem.get(), 0, 0, 1, 1,
               bf);
  ::SelectObject(mem.get(), old);
}

void DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb) {
  if (size <= 0 || !IsDrawn(argb) || ::IsRectEmpty(&rc)) return;
  size = std::min<int>(size, std::min(rc.right - rc.left, rc.bottom - rc.top) / 2 + 1);
  const RECT top = {rc.left, rc.top, rc.right, rc.top + size};
  const RECT bottom = {rc.left, rc.bottom - size, rc.right, rc.bottom};
  const RECT left = {rc.left, rc.top + size, rc.left + size, rc.bottom - size};
  const RECT right = {rc.right - size, rc.top + size, rc.right, rc.bottom - size};
  FillColor(hDC, top, argb);
  FillColor(hDC, bottom, argb);
  FillColor(hDC, left, argb);
  FillColor(hDC, right, argb);
}

namespace {

void Line(HDC hDC, int x1, int y1, int x2, int y2) {
  ::MoveToEx(hDC, x1, y1, NULL);
  ::LineTo(hDC, x2, y2);
}

void Frame(HDC hDC, int l, int t, int r, int b) {
  Line(hDC, l, t, r, t);
  Line(hDC, r, t, r, b);
  Line(hDC, r, b, l, b);
  Line(hDC, l, b, l, t);
}

}  // namespace

void DrawGlyph(HDC hDC, const RECT& rc, LPCTSTR glyph, DWORD argb, int size) {
  if (!glyph || !*glyph || !IsDrawn(argb)) return;
  if (size <= 0) size = 10;
  const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
  const int l = cx - size / 2, t = cy - size / 2, r = l + size - 1, b = t + size - 1;
  const quenda::unique_gdi<HPEN> pen(::CreatePen(PS_SOLID, 1, ToColorRef(argb)));
  HGDIOBJ oldPen = ::SelectObject(hDC, pen.get());
  if (Is(glyph, L"close")) {
    // Two pixels wide diagonals read well at small sizes without anti-aliasing.
    for (int d = 0; d < 2; ++d) {
      Line(hDC, l + d, t, r + 1 + d, b + 1);
      Line(hDC, r - d, t, l - 1 - d, b + 1);
    }
  } else if (Is(glyph, L"min")) {
    Line(hDC, l, cy, r + 1, cy);
    Line(hDC, l, cy + 1, r + 1, cy + 1);
  } else if (Is(glyph, L"max")) {
    Frame(hDC, l, t, r, b);
    Line(hDC, l, t + 1, r, t + 1);
  } else if (Is(glyph, L"restore")) {
    const int s = size * 3 / 4;
    Frame(hDC, l, b - s + 1, l + s - 1, b);
    Line(hDC, l, b - s + 2, l + s - 1, b - s + 2);
    // The window behind: only the parts that show.
    Line(hDC, r - s + 1, t, r, t);
    Line(hDC, r - s + 1, t + 1, r, t + 1);
    Line(hDC, r - s + 1, t, r - s + 1, b - s + 1);
    Line(hDC, r, t, r, t + s - 1);
    Line(hDC, l + s - 1, t + s - 1, r + 1, t + s - 1);
  } else if (Is(glyph, L"pin") || Is(glyph, L"pinned")) {
    // A push pin: head, a two pixel collar and the needle; the head is filled when pinned.
    const int half = std::max(2, size / 3);
    const int top = cy - size / 2 - 1, collar = top + size / 2 + 1;
    if (Is(glyph, L"pinned")) {
      const RECT head = {cx - half, top, cx + half + 1, collar};
      FillColor(hDC, head, argb);
    } else {
      Frame(hDC, cx - half, top, cx + half, collar - 1);
    }
    const RECT band = {cx - half - 2, collar, cx + half + 3, collar + 2};
    FillColor(hDC, band, argb);
    Line(hDC, cx, collar + 2, cx, collar + 2 + size / 2);
  }
  ::SelectObject(hDC, oldPen);
}

// ---- Text -------------------------------------------------------------------------------------

namespace {

// Measures with the manager's fonts on a device context.
class GdiMeasurer : public Skin::TextMeasurer {
 public:
  GdiMeasurer(HDC hDC, CPaintManagerUI* pManager, int iFont)
      : hDC_(hDC), manager_(pManager), font_(iFont) {}

  HFONT Font(const Skin::TextStyle& style) {
    HFONT base = manager_ ? manager_->GetFont(font_)
                          : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!manager_ || !style.bold) return base;
    return manager_->GetBoldFont(base);
  }

  void Select(const Skin::TextStyle& style) {
    HFONT font = Font(style);
    if (font != selected_) {
      ::SelectObject(hDC_, font);
      selected_ = font;
    }
  }

  int Measure(const Skin::TextStyle& style, const Utf16Char* s, size_t n, int maxWidth,
              size_t* fit) override {
    Select(style);
    SIZE size = {};
    const int count = static_cast<int>(std::min<size_t>(n, 0x7FFFFFF));
    if (maxWidth >= 0 && fit) {
      int fitted = 0;
      ::GetTextExtentExPointW(hDC_, s, count, maxWidth, &fitted, NULL, &size);
      *fit = static_cast<size_t>(std::max(0, fitted));
    } else {
      ::GetTextExtentPoint32W(hDC_, s, count, &size);
      if (fit) *fit = n;
    }
    return size.cx;
  }

  int LineHeight(const Skin::TextStyle& style) override { return Metrics(style).tmHeight; }
  int Ascent(const Skin::TextStyle& style) override { return Metrics(style).tmAscent; }

  // True when bold was asked for but the font system drew it no heavier than the regular
  // face (fonts without a bold face, emboldened too lightly at small sizes): the painter then
  // strikes the text twice, one pixel apart, so "{b}" always shows.
  bool WeakBold(const Skin::TextStyle& style) {
    if (!style.bold || !manager_) return false;
    Skin::TextStyle regular = style;
    regular.bold = false;
    HFONT bold = Font(style), normal = Font(regular);
    if (bold == normal) return false;
    // Answers depend only on the face and size; they are kept for the thread (fonts are
    // made and drawn on the thread of their window).
    LOGFONTW lf = {};
    ::GetObjectW(normal, sizeof(lf), &lf);
    const std::wstring key = std::wstring(lf.lfFaceName) + L"/" + std::to_wstring(lf.lfHeight) +
                             (lf.lfItalic ? L"i" : L"");
    thread_local std::map<std::wstring, bool> cache;
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    const bool weak = Ink(bold) * 10 < Ink(normal) * 11;
    cache[key] = weak;
    return weak;
  }

 private:
  // How many pixels a sample text covers in a font.
  static int Ink(HFONT font) {
    static const wchar_t kSample[] = L"0123456789%国际更新Wg";
    const int w = 400, h = 80;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    const quenda::unique_hdc dc(::CreateCompatibleDC(NULL));
    const quenda::unique_hbitmap bmp(
        ::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, NULL, 0));
    if (!dc || !bmp) return 0;
    HGDIOBJ oldBmp = ::SelectObject(dc.get(), bmp.get());
    HGDIOBJ oldFont = ::SelectObject(dc.get(), font);
    const RECT rc = {0, 0, w, h};
    ::FillRect(dc.get(), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), RGB(0, 0, 0));
    ::TextOutW(dc.get(), 2, 2, kSample, static_cast<int>(wcslen(kSample)));
    ::GdiFlush();
    int ink = 0;
    const DWORD* px = static_cast<const DWORD*>(bits);
    for (int i = 0; i < w * h; ++i) ink += 255 - static_cast<int>(px[i] & 0xFF);
    ::SelectObject(dc.get(), oldFont);
    ::SelectObject(dc.get(), oldBmp);
    return ink;
  }

  const TEXTMETRICW& Metrics(const Skin::TextStyle& style) {
    HFONT font = Font(style);
    auto it = metrics_.find(font);
    if (it != metrics_.end()) return it->second;
    Select(style);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(hDC_, &tm);
    return metrics_[font] = tm;
  }

  HDC hDC_;
  CPaintManagerUI* manager_;
  int font_;
  HFONT selected_ = NULL;
  std::map<HFONT, TEXTMETRICW> metrics_;
};

Skin::TextLayout Layout(GdiMeasurer& measurer, LPCTSTR text, UINT uStyle, bool bHtml, int maxWidth,
                        int maxHeight) {
  const std::vector<Skin::TextRun> runs = Skin::ParseMarkup(text ? text : L"", bHtml);
  Skin::LayoutOptions options;
  options.maxWidth = maxWidth;
  options.maxHeight = maxHeight;
  options.wrap = (uStyle & DT_WORDBREAK) != 0;
  options.endEllipsis = (uStyle & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
  return Skin::LayoutText(runs, options, measurer);
}

}  // namespace

void DrawText(HDC hDC, CPaintManagerUI* pManager, const RECT& rc, LPCTSTR text, DWORD argb,
              int iFont, UINT uStyle, bool bHtml) {
  if (!text || !*text || ::IsRectEmpty(&rc)) return;
  const int saved = ::SaveDC(hDC);
  GdiMeasurer measurer(hDC, pManager, iFont);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  const Skin::TextLayout layout = Layout(measurer, text, uStyle, bHtml, width, height);

  int y = rc.top;
  if (layout.height < height) {
    if (uStyle & DT_BOTTOM)
      y = rc.bottom - layout.height;
    else if (uStyle & DT_VCENTER)
      y = rc.top + (height - layout.height) / 2;
  }
  ::IntersectClipRect(hDC, rc.left, rc.top, rc.right, rc.bottom);
  ::SetBkMode(hDC, TRANSPARENT);
  ::SetTextAlign(hDC, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  for (const Skin::TextLine& line : layout.lines) {
    if (y >= rc.bottom) break;
    int x = rc.left;
    if (uStyle & DT_CENTER)
      x = rc.left + (width - line.width) / 2;
    else if (uStyle & DT_RIGHT)
      x = rc.right - line.width;
    if (y + line.height > rc.top) {
      for (const Skin::TextFragment& f : line.fragments) {
        const bool doubleStrike = measurer.WeakBold(f.style);
        measurer.Select(f.style);
        ::SetTextColor(hDC, ToColorRef(argb));
        ::ExtTextOutW(hDC, x + f.x, y + line.ascent, 0, NULL, f.text.c_str(),
                      static_cast<UINT>(f.text.size()), NULL);
        if (doubleStrike) {
          ::ExtTextOutW(hDC, x + f.x + 1, y + line.ascent, 0, NULL, f.text.c_str(),
                        static_cast<UINT>(f.text.size()), NULL);
        }
      }
    }
    y += line.height;
  }
  ::RestoreDC(hDC, saved);
}

}  // namespace internal
}  // namespace DuiLib
