#include "Internal.h"

#include <algorithm>

namespace DuiLib {

using internal::Is;
using internal::IsDrawn;

namespace {
// Text without a colour of its own is drawn in black.
DWORD OrBlack(DWORD color) { return IsDrawn(color) ? color : 0xFF000000; }
// The first of two colours that is drawn.
DWORD Either(DWORD preferred, DWORD fallback) { return IsDrawn(preferred) ? preferred : fallback; }
}  // namespace

// ---- CLabelUI ---------------------------------------------------------------------------------

CLabelUI::CLabelUI()
    : m_dwTextColor(0),
      m_iFont(-1),
      m_uTextStyle(DT_VCENTER | DT_SINGLELINE),
      m_rcTextPadding(),
      m_bShowHtml(false) {}

LPCTSTR CLabelUI::GetClass() const { return L"LabelUI"; }

LPVOID CLabelUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_LABEL)) return static_cast<CLabelUI*>(this);
  return CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextStyle(UINT uStyle) {
  m_uTextStyle = uStyle;
  Invalidate();
}
UINT CLabelUI::GetTextStyle() const { return m_uTextStyle; }
void CLabelUI::SetTextColor(DWORD dwTextColor) {
  m_dwTextColor = dwTextColor;
  Invalidate();
}
DWORD CLabelUI::GetTextColor() const { return m_dwTextColor; }
void CLabelUI::SetFont(int index) {
  m_iFont = index;
  Invalidate();
}
int CLabelUI::GetFont() const { return m_iFont; }
RECT CLabelUI::GetTextPadding() const { return m_rcTextPadding; }
void CLabelUI::SetTextPadding(RECT rc) {
  m_rcTextPadding = rc;
  Invalidate();
}
bool CLabelUI::IsShowHtml() { return m_bShowHtml; }
void CLabelUI::SetShowHtml(bool bShowHtml) {
  m_bShowHtml = bShowHtml;
  Invalidate();
}

void CLabelUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SETFOCUS || event.Type == UIEVENT_KILLFOCUS) {
    m_bFocused = event.Type == UIEVENT_SETFOCUS;
    return;
  }
  if (event.Type == UIEVENT_MOUSEENTER || event.Type == UIEVENT_MOUSELEAVE) return;
  CControlUI::DoEvent(event);
}

void CLabelUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"align")) {
    const UINT align = wcsstr(pstrValue, L"center")  ? DT_CENTER
                       : wcsstr(pstrValue, L"right") ? DT_RIGHT
                                                     : DT_LEFT;
    SetTextStyle((m_uTextStyle & ~(DT_LEFT | DT_CENTER | DT_RIGHT)) | align);
  } else if (Is(pstrName, L"endellipsis")) {
    SetTextStyle(IsTrue(pstrValue) ? m_uTextStyle | DT_END_ELLIPSIS
                                   : m_uTextStyle & ~DT_END_ELLIPSIS);
  } else if (Is(pstrName, L"font")) {
    SetFont(ParseInt(pstrValue));
  } else if (Is(pstrName, L"textcolor")) {
    if (ParseColor(pstrValue, &m_dwTextColor)) Invalidate();
  } else if (Is(pstrName, L"textpadding")) {
    SetTextPadding(ParseRect(pstrValue));
  } else if (Is(pstrName, L"showhtml")) {
    SetShowHtml(IsTrue(pstrValue));
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
}

void CLabelUI::DrawLabelText(HDC hDC, const RECT& rcArea, DWORD dwColor) {
  RECT rc = rcArea;
  rc.left += m_rcTextPadding.left;
  rc.top += m_rcTextPadding.top;
  rc.right -= m_rcTextPadding.right;
  rc.bottom -= m_rcTextPadding.bottom;
  internal::DrawText(hDC, m_pManager, rc, m_sText, dwColor, m_iFont, m_uTextStyle, m_bShowHtml);
}

void CLabelUI::PaintText(HDC hDC) {
  if (m_sText.IsEmpty()) return;
  DrawLabelText(hDC, m_rcItem, IsEnabled() ? OrBlack(m_dwTextColor) : 0xFFA0A0A0);
}

// ---- CTextUI ----------------------------------------------------------------------------------

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_LEFT | DT_TOP; }
LPCTSTR CTextUI::GetClass() const { return L"TextUI"; }
LPVOID CTextUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_TEXT)) return static_cast<CTextUI*>(this);
  return CLabelUI::GetInterface(pstrName);
}

// ---- CButtonUI --------------------------------------------------------------------------------

CButtonUI::CButtonUI()
    : m_uButtonState(0),
      m_dwHotBkColor(0),
      m_dwPushedBkColor(0),
      m_dwHotTextColor(0),
      m_dwHotBorderColor(0) {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

LPCTSTR CButtonUI::GetClass() const { return L"ButtonUI"; }

LPVOID CButtonUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_BUTTON)) return static_cast<CButtonUI*>(this);
  return CLabelUI::GetInterface(pstrName);
}

UINT CButtonUI::GetControlFlags() const {
  return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0;
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
  return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
  CControlUI::SetEnabled(bEnable);
  if (!IsEnabled()) m_uButtonState &= UISTATE_SELECTED;
}

void CButtonUI::DoEvent(TEventUI& event) {
  const UINT before = m_uButtonState;
  const bool over = ::PtInRect(&m_rcItem, event.ptMouse) != FALSE;
  bool click = false;
  switch (event.Type) {
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursorW(NULL, IDC_HAND));
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled() && over) m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
      break;
    case UIEVENT_MOUSEMOVE:
      if (m_uButtonState & UISTATE_CAPTURED) {
        m_uButtonState =
            over ? (m_uButtonState | UISTATE_PUSHED) : (m_uButtonState & ~UISTATE_PUSHED);
      }
      break;
    case UIEVENT_BUTTONUP:
      if (!(m_uButtonState & UISTATE_CAPTURED)) return;
      // A click is a release over the button that was pressed.
      click = IsEnabled() && over;
      m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED | (over ? 0 : UISTATE_HOT));
      break;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) m_uButtonState |= UISTATE_HOT;
      break;
    case UIEVENT_MOUSELEAVE:
      m_uButtonState &= ~UISTATE_HOT;
      break;
    case UIEVENT_KEYDOWN:
      click = IsEnabled() && (event.wParam == VK_SPACE || event.wParam == VK_RETURN);
      break;
    default:
      CLabelUI::DoEvent(event);
      return;
  }
  if (before != m_uButtonState) Invalidate();
  // Last: what the click starts may remove this button.
  if (click) Activate();
}

UINT CButtonUI::GetButtonState() const { return m_uButtonState; }

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (!pstrName || !pstrValue) return;
  DWORD* color = Is(pstrName, L"hotbkcolor")       ? &m_dwHotBkColor
                 : Is(pstrName, L"pushedbkcolor")  ? &m_dwPushedBkColor
                 : Is(pstrName, L"hottextcolor")   ? &m_dwHotTextColor
                 : Is(pstrName, L"hotbordercolor") ? &m_dwHotBorderColor
                                                   : NULL;
  CDuiString* glyph = Is(pstrName, L"glyph") ? &m_sGlyph : NULL;
  if (!SetLook(pstrValue, color, glyph)) CLabelUI::SetAttribute(pstrName, pstrValue);
}

bool CButtonUI::SetLook(LPCTSTR pstrValue, DWORD* color, CDuiString* glyph) {
  if (color) {
    if (internal::ParseColor(pstrValue, color)) Invalidate();
  } else if (glyph) {
    *glyph = pstrValue;
    Invalidate();
  }
  return color || glyph;
}

DWORD CButtonUI::StateBkColor() const {
  if (!IsEnabled()) return m_dwBackColor;
  if (m_uButtonState & UISTATE_PUSHED)
    return Either(m_dwPushedBkColor, Either(m_dwHotBkColor, m_dwBackColor));
  if (m_uButtonState & UISTATE_HOT) return Either(m_dwHotBkColor, m_dwBackColor);
  return m_dwBackColor;
}

DWORD CButtonUI::StateTextColor() const {
  if (!IsEnabled()) return 0xFFA0A0A0;
  if (m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED))
    return Either(m_dwHotTextColor, OrBlack(m_dwTextColor));
  return OrBlack(m_dwTextColor);
}

DWORD CButtonUI::StateBorderColor() const {
  if (IsEnabled() && (m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED))) {
    return Either(m_dwHotBorderColor, m_dwBorderColor);
  }
  return m_dwBorderColor;
}

LPCTSTR CButtonUI::StateGlyph() const { return m_sGlyph; }

void CButtonUI::PaintBkColor(HDC hDC) { internal::FillColor(hDC, m_rcItem, StateBkColor()); }

void CButtonUI::PaintText(HDC hDC) {
  const DWORD color = StateTextColor();
  internal::DrawGlyph(hDC, m_rcItem, StateGlyph(), color, 10);
  if (!m_sText.IsEmpty()) DrawLabelText(hDC, m_rcItem, color);
}

void CButtonUI::PaintBorder(HDC hDC) {
  internal::DrawBorder(hDC, m_rcItem, m_nBorderSize, StateBorderColor());
}

// ---- COptionUI --------------------------------------------------------------------------------

COptionUI::COptionUI() : m_bSelected(false), m_dwSelectedBkColor(0), m_dwSelectedHotBkColor(0) {}

LPCTSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_OPTION)) return static_cast<COptionUI*>(this);
  return CButtonUI::GetInterface(pstrName);
}

bool COptionUI::IsSelected() const { return m_bSelected; }

void COptionUI::Selected(bool bSelected, bool bTriggerEvent) {
  if (m_bSelected == bSelected) return;
  m_bSelected = bSelected;
  m_uButtonState =
      bSelected ? (m_uButtonState | UISTATE_SELECTED) : (m_uButtonState & ~UISTATE_SELECTED);
  Invalidate();
  if (bTriggerEvent && m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
}

bool COptionUI::Activate() {
  // The click is announced while the option still shows its old state; a handler that asks
  // IsSelected() learns what the user saw when clicking.
  if (!CButtonUI::Activate()) return false;
  Selected(!m_bSelected);
  return true;
}

void COptionUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (!pstrName || !pstrValue) return;
  DWORD* color = Is(pstrName, L"selectedbkcolor")      ? &m_dwSelectedBkColor
                 : Is(pstrName, L"selectedhotbkcolor") ? &m_dwSelectedHotBkColor
                                                       : NULL;
  CDuiString* glyph = Is(pstrName, L"selectedglyph") ? &m_sSelectedGlyph : NULL;
  if (!SetLook(pstrValue, color, glyph)) CButtonUI::SetAttribute(pstrName, pstrValue);
}

DWORD COptionUI::StateBkColor() const {
  if (!m_bSelected || !IsEnabled()) return CButtonUI::StateBkColor();
  const DWORD selected = Either(m_dwSelectedBkColor, CButtonUI::StateBkColor());
  if (m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED))
    return Either(m_dwSelectedHotBkColor, selected);
  return selected;
}

LPCTSTR COptionUI::StateGlyph() const {
  if (m_bSelected && !m_sSelectedGlyph.IsEmpty()) return m_sSelectedGlyph;
  return CButtonUI::StateGlyph();
}

// ---- CProgressUI ------------------------------------------------------------------------------

CProgressUI::CProgressUI() : m_nValue(0), m_dwForeColor(0xFF3B8CFF), m_dwForeTextColor(0) {
  m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
}

LPCTSTR CProgressUI::GetClass() const { return L"ProgressUI"; }

LPVOID CProgressUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_PROGRESS)) return static_cast<CProgressUI*>(this);
  return CLabelUI::GetInterface(pstrName);
}

int CProgressUI::GetValue() const { return m_nValue; }

void CProgressUI::SetValue(int nValue) {
  nValue = std::max(0, std::min(100, nValue));
  if (nValue == m_nValue) return;
  m_nValue = nValue;
  Invalidate();
}

DWORD CProgressUI::GetForeColor() const { return m_dwForeColor; }
void CProgressUI::SetForeColor(DWORD dwColor) {
  m_dwForeColor = dwColor;
  Invalidate();
}

void CProgressUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"value")) {
    SetValue(ParseInt(pstrValue));
  } else if (Is(pstrName, L"forecolor")) {
    if (ParseColor(pstrValue, &m_dwForeColor)) Invalidate();
  } else if (Is(pstrName, L"foretextcolor")) {
    if (ParseColor(pstrValue, &m_dwForeTextColor)) Invalidate();
  } else {
    CLabelUI::SetAttribute(pstrName, pstrValue);
  }
}

RECT CProgressUI::ForeRect() const {
  RECT rc = m_rcItem;
  rc.right = rc.left + (m_rcItem.right - m_rcItem.left) * m_nValue / 100;
  return rc;
}

void CProgressUI::PaintStatusImage(HDC hDC) { internal::FillColor(hDC, ForeRect(), m_dwForeColor); }

void CProgressUI::PaintText(HDC hDC) {
  if (m_sText.IsEmpty()) return;
  const DWORD color = OrBlack(m_dwTextColor);
  const RECT fore = ForeRect();
  if (!IsDrawn(m_dwForeTextColor) || ::IsRectEmpty(&fore)) {
    DrawLabelText(hDC, m_rcItem, color);
    return;
  }
  // The text changes colour where the bar has reached it, so it reads on both parts.
  int saved = ::SaveDC(hDC);
  ::IntersectClipRect(hDC, fore.left, fore.top, fore.right, fore.bottom);
  DrawLabelText(hDC, m_rcItem, m_dwForeTextColor);
  ::RestoreDC(hDC, saved);
  saved = ::SaveDC(hDC);
  ::ExcludeClipRect(hDC, fore.left, fore.top, fore.right, fore.bottom);
  DrawLabelText(hDC, m_rcItem, color);
  ::RestoreDC(hDC, saved);
}

}  // namespace DuiLib
