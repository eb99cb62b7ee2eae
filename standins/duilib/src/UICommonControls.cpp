#include "Internal.h"

#include <algorithm>

namespace DuiLib {

using internal::Is;

namespace {
// Text without a colour of its own is drawn in black.
DWORD OrBlack(DWORD color) { return internal::IsDrawn(color) ? color : 0xFF000000; }
}  // namespace

// ---- CLabelUI ---------------------------------------------------------------------------------

CLabelUI::CLabelUI()
    : m_dwTextColor(0),
      m_dwDisabledTextColor(0),
      m_iFont(-1),
      m_uTextStyle(DT_VCENTER | DT_SINGLELINE),
      m_rcTextPadding(),
      m_bShowHtml(false),
      m_bAutoCalcWidth(false) {}

CLabelUI::~CLabelUI() {}

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
void CLabelUI::SetDisabledTextColor(DWORD dwTextColor) {
  m_dwDisabledTextColor = dwTextColor;
  Invalidate();
}
DWORD CLabelUI::GetDisabledTextColor() const { return m_dwDisabledTextColor; }
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
  if (m_bShowHtml == bShowHtml) return;
  m_bShowHtml = bShowHtml;
  Invalidate();
}

void CLabelUI::SetText(LPCTSTR pstrText) {
  if (m_sText == (pstrText ? pstrText : L"")) return;
  CControlUI::SetText(pstrText);
  // A label as wide as its text takes new room in its row.
  if (m_bAutoCalcWidth) NeedParentUpdate();
}

SIZE CLabelUI::EstimateSize(SIZE szAvailable) {
  if (!m_bAutoCalcWidth || !m_pManager) return m_cxyFixed;
  // As wide as the text (and its padding), at the fixed height.
  const SIZE text = internal::MeasureText(m_pManager->GetPaintDC(), m_pManager, m_sText, m_iFont,
                                          m_uTextStyle & ~DT_WORDBREAK, m_bShowHtml, -1);
  SIZE size = m_cxyFixed;
  size.cx = std::min<LONG>(text.cx + m_rcTextPadding.left + m_rcTextPadding.right,
                           std::max<LONG>(0, szAvailable.cx));
  if (size.cx <= 0) size.cx = 1;  // an empty text must not turn into "stretch"
  return size;
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
    m_uTextStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
    if (wcsstr(pstrValue, L"center"))
      m_uTextStyle |= DT_CENTER;
    else if (wcsstr(pstrValue, L"right"))
      m_uTextStyle |= DT_RIGHT;
    else
      m_uTextStyle |= DT_LEFT;
    Invalidate();
  } else if (Is(pstrName, L"valign")) {
    m_uTextStyle &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
    if (wcsstr(pstrValue, L"center"))
      m_uTextStyle |= DT_VCENTER;
    else if (wcsstr(pstrValue, L"bottom"))
      m_uTextStyle |= DT_BOTTOM;
    else
      m_uTextStyle |= DT_TOP;
    Invalidate();
  } else if (Is(pstrName, L"wordbreak") || Is(pstrName, L"multiline")) {
    if (IsTrue(pstrValue)) {
      m_uTextStyle = (m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
    } else {
      m_uTextStyle = (m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
    }
    Invalidate();
  } else if (Is(pstrName, L"endellipsis")) {
    if (IsTrue(pstrValue))
      m_uTextStyle |= DT_END_ELLIPSIS;
    else
      m_uTextStyle &= ~DT_END_ELLIPSIS;
    Invalidate();
  } else if (Is(pstrName, L"font")) {
    SetFont(ParseInt(pstrValue));
  } else if (Is(pstrName, L"textcolor")) {
    DWORD c = 0;
    if (ParseColor(pstrValue, &c)) SetTextColor(c);
  } else if (Is(pstrName, L"disabledtextcolor")) {
    DWORD c = 0;
    if (ParseColor(pstrValue, &c)) SetDisabledTextColor(c);
  } else if (Is(pstrName, L"textpadding")) {
    SetTextPadding(ParseRect(pstrValue));
  } else if (Is(pstrName, L"showhtml")) {
    SetShowHtml(IsTrue(pstrValue));
  } else if (Is(pstrName, L"autocalcwidth")) {
    m_bAutoCalcWidth = IsTrue(pstrValue);
    NeedParentUpdate();
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
  DWORD color = OrBlack(m_dwTextColor);
  if (!IsEnabled() && internal::IsDrawn(m_dwDisabledTextColor)) color = m_dwDisabledTextColor;
  DrawLabelText(hDC, m_rcItem, color);
}

// ---- CTextUI ----------------------------------------------------------------------------------

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_LEFT | DT_TOP; }
CTextUI::~CTextUI() {}
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
      m_dwDisabledBkColor(0),
      m_dwHotTextColor(0),
      m_dwPushedTextColor(0),
      m_dwHotBorderColor(0),
      m_iGlyphSize(10) {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

CButtonUI::~CButtonUI() {}

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
  if (!IsEnabled()) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursorW(NULL, m_pCursor ? m_pCursor : IDC_HAND));
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled() && ::PtInRect(&m_rcItem, event.ptMouse)) {
        m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_uButtonState & UISTATE_CAPTURED) {
        const UINT before = m_uButtonState;
        if (::PtInRect(&m_rcItem, event.ptMouse))
          m_uButtonState |= UISTATE_PUSHED;
        else
          m_uButtonState &= ~UISTATE_PUSHED;
        if (before != m_uButtonState) Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if (m_uButtonState & UISTATE_CAPTURED) {
        // A click is a release over the button that was pressed.
        const bool click = IsEnabled() && ::PtInRect(&m_rcItem, event.ptMouse);
        m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        if (!::PtInRect(&m_rcItem, event.ptMouse)) m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
        // Last: what the click starts may remove this button.
        if (click) Activate();
      }
      return;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) {
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSELEAVE:
      m_uButtonState &= ~UISTATE_HOT;
      Invalidate();
      return;
    case UIEVENT_KEYDOWN:
      if (IsEnabled() && (event.wParam == VK_SPACE || event.wParam == VK_RETURN)) Activate();
      return;
    case UIEVENT_CONTEXTMENU:
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

LPCTSTR CButtonUI::GetNormalImage() { return m_sNormalImage; }
void CButtonUI::SetNormalImage(LPCTSTR pStrImage) {
  m_sNormalImage = pStrImage;
  Invalidate();
}
LPCTSTR CButtonUI::GetHotImage() { return m_sHotImage; }
void CButtonUI::SetHotImage(LPCTSTR pStrImage) {
  m_sHotImage = pStrImage;
  Invalidate();
}
LPCTSTR CButtonUI::GetPushedImage() { return m_sPushedImage; }
void CButtonUI::SetPushedImage(LPCTSTR pStrImage) {
  m_sPushedImage = pStrImage;
  Invalidate();
}
LPCTSTR CButtonUI::GetDisabledImage() { return m_sDisabledImage; }
void CButtonUI::SetDisabledImage(LPCTSTR pStrImage) {
  m_sDisabledImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetHotBkColor(DWORD c) {
  m_dwHotBkColor = c;
  Invalidate();
}
DWORD CButtonUI::GetHotBkColor() const { return m_dwHotBkColor; }
void CButtonUI::SetPushedBkColor(DWORD c) {
  m_dwPushedBkColor = c;
  Invalidate();
}
DWORD CButtonUI::GetPushedBkColor() const { return m_dwPushedBkColor; }
void CButtonUI::SetDisabledBkColor(DWORD c) {
  m_dwDisabledBkColor = c;
  Invalidate();
}
DWORD CButtonUI::GetDisabledBkColor() const { return m_dwDisabledBkColor; }
void CButtonUI::SetHotTextColor(DWORD c) {
  m_dwHotTextColor = c;
  Invalidate();
}
DWORD CButtonUI::GetHotTextColor() const { return m_dwHotTextColor; }
void CButtonUI::SetPushedTextColor(DWORD c) {
  m_dwPushedTextColor = c;
  Invalidate();
}
DWORD CButtonUI::GetPushedTextColor() const { return m_dwPushedTextColor; }
void CButtonUI::SetHotBorderColor(DWORD c) {
  m_dwHotBorderColor = c;
  Invalidate();
}
DWORD CButtonUI::GetHotBorderColor() const { return m_dwHotBorderColor; }
void CButtonUI::SetGlyph(LPCTSTR pstrGlyph) {
  m_sGlyph = pstrGlyph;
  Invalidate();
}
LPCTSTR CButtonUI::GetGlyph() const { return m_sGlyph; }
UINT CButtonUI::GetButtonState() const { return m_uButtonState; }

SIZE CButtonUI::EstimateSize(SIZE szAvailable) { return CLabelUI::EstimateSize(szAvailable); }

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  DWORD c = 0;
  if (Is(pstrName, L"normalimage"))
    SetNormalImage(pstrValue);
  else if (Is(pstrName, L"hotimage"))
    SetHotImage(pstrValue);
  else if (Is(pstrName, L"pushedimage"))
    SetPushedImage(pstrValue);
  else if (Is(pstrName, L"disabledimage"))
    SetDisabledImage(pstrValue);
  else if (Is(pstrName, L"hotbkcolor")) {
    if (ParseColor(pstrValue, &c)) SetHotBkColor(c);
  } else if (Is(pstrName, L"pushedbkcolor")) {
    if (ParseColor(pstrValue, &c)) SetPushedBkColor(c);
  } else if (Is(pstrName, L"disabledbkcolor")) {
    if (ParseColor(pstrValue, &c)) SetDisabledBkColor(c);
  } else if (Is(pstrName, L"hottextcolor")) {
    if (ParseColor(pstrValue, &c)) SetHotTextColor(c);
  } else if (Is(pstrName, L"pushedtextcolor")) {
    if (ParseColor(pstrValue, &c)) SetPushedTextColor(c);
  } else if (Is(pstrName, L"hotbordercolor")) {
    if (ParseColor(pstrValue, &c)) SetHotBorderColor(c);
  } else if (Is(pstrName, L"glyph"))
    SetGlyph(pstrValue);
  else if (Is(pstrName, L"glyphsize")) {
    m_iGlyphSize = std::max(4, std::min(ParseInt(pstrValue), 64));
    Invalidate();
  } else
    CLabelUI::SetAttribute(pstrName, pstrValue);
}

DWORD CButtonUI::StateBkColor() const {
  if (!IsEnabled())
    return internal::IsDrawn(m_dwDisabledBkColor) ? m_dwDisabledBkColor : m_dwBackColor;
  if ((m_uButtonState & UISTATE_PUSHED) && internal::IsDrawn(m_dwPushedBkColor))
    return m_dwPushedBkColor;
  if ((m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) && internal::IsDrawn(m_dwHotBkColor)) {
    return m_dwHotBkColor;
  }
  return m_dwBackColor;
}

DWORD CButtonUI::StateTextColor() const {
  if (!IsEnabled()) {
    return internal::IsDrawn(m_dwDisabledTextColor) ? m_dwDisabledTextColor : 0xFFA0A0A0;
  }
  if ((m_uButtonState & UISTATE_PUSHED) && internal::IsDrawn(m_dwPushedTextColor)) {
    return m_dwPushedTextColor;
  }
  if ((m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) && internal::IsDrawn(m_dwHotTextColor)) {
    return m_dwHotTextColor;
  }
  return OrBlack(m_dwTextColor);
}

DWORD CButtonUI::StateBorderColor() const {
  if (IsEnabled() && (m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) &&
      internal::IsDrawn(m_dwHotBorderColor)) {
    return m_dwHotBorderColor;
  }
  return m_dwBorderColor;
}

LPCTSTR CButtonUI::StateGlyph() const { return m_sGlyph; }

void CButtonUI::PaintBkColor(HDC hDC) {
  internal::FillRoundRect(hDC, m_rcItem, m_cxyBorderRound, StateBkColor());
}

void CButtonUI::PaintStatusImage(HDC hDC) {
  const CDuiString* image = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.IsEmpty())
    image = &m_sDisabledImage;
  else if ((m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.IsEmpty())
    image = &m_sPushedImage;
  else if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.IsEmpty())
    image = &m_sHotImage;
  if (!image->IsEmpty()) internal::DrawImageFile(hDC, m_pManager, m_rcItem, *image);
}

void CButtonUI::PaintGlyph(HDC hDC, LPCTSTR pstrGlyph, DWORD dwColor) {
  internal::DrawGlyph(hDC, m_rcItem, pstrGlyph, dwColor, m_iGlyphSize);
}

void CButtonUI::PaintText(HDC hDC) {
  const DWORD color = StateTextColor();
  LPCTSTR glyph = StateGlyph();
  if (glyph && *glyph) PaintGlyph(hDC, glyph, color);
  if (!m_sText.IsEmpty()) DrawLabelText(hDC, m_rcItem, color);
}

void CButtonUI::PaintBorder(HDC hDC) {
  internal::DrawBorder(hDC, m_rcItem, m_nBorderSize, StateBorderColor(), m_cxyBorderRound);
}

// ---- COptionUI --------------------------------------------------------------------------------

COptionUI::COptionUI()
    : m_bSelected(false),
      m_dwSelectedBkColor(0),
      m_dwSelectedHotBkColor(0),
      m_dwSelectedTextColor(0) {}

COptionUI::~COptionUI() {
  if (!m_sGroupName.IsEmpty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

LPCTSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_OPTION)) return static_cast<COptionUI*>(this);
  return CButtonUI::GetInterface(pstrName);
}

void COptionUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  if (m_pManager && m_pManager != pManager && !m_sGroupName.IsEmpty()) {
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
  }
  CButtonUI::SetManager(pManager, pParent, bInit);
  if (m_pManager && !m_sGroupName.IsEmpty()) {
    m_pManager->AddOptionGroup(m_sGroupName, this);
    if (m_bSelected) {
      // A skin that selects two options of a group keeps the later one.
      m_bSelected = false;
      Selected(true, false);
    }
  }
}

LPCTSTR COptionUI::GetGroup() const { return m_sGroupName; }

void COptionUI::SetGroup(LPCTSTR pStrGroupName) {
  const CDuiString name = pStrGroupName ? pStrGroupName : L"";
  if (name == m_sGroupName) return;
  if (!m_sGroupName.IsEmpty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
  m_sGroupName = name;
  if (!m_sGroupName.IsEmpty() && m_pManager) {
    m_pManager->AddOptionGroup(m_sGroupName, this);
    if (m_bSelected) {
      m_bSelected = false;
      Selected(true, false);
    }
  }
}

bool COptionUI::IsSelected() const { return m_bSelected; }

void COptionUI::Selected(bool bSelected, bool bTriggerEvent) {
  if (m_bSelected == bSelected) return;
  m_bSelected = bSelected;
  if (m_bSelected)
    m_uButtonState |= UISTATE_SELECTED;
  else
    m_uButtonState &= ~UISTATE_SELECTED;
  Invalidate();
  if (!m_pManager) return;
  if (m_bSelected && !m_sGroupName.IsEmpty()) {
    if (CDuiPtrArray* group = m_pManager->GetOptionGroup(m_sGroupName)) {
      const CDuiPtrArray members = *group;  // deselecting may change the group
      for (int i = 0; i < members.GetSize(); ++i) {
        COptionUI* other = static_cast<COptionUI*>(members[i]);
        if (other != this) other->Selected(false, bTriggerEvent);
      }
    }
  }
  if (bTriggerEvent) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
}

bool COptionUI::Activate() {
  // The click is announced while the option still shows its old state; a handler that asks
  // IsSelected() learns what the user saw when clicking.
  if (!CButtonUI::Activate()) return false;
  if (!m_sGroupName.IsEmpty())
    Selected(true);
  else
    Selected(!m_bSelected);
  return true;
}

void COptionUI::SetEnabled(bool bEnable) {
  CButtonUI::SetEnabled(bEnable);
  if (m_bSelected) m_uButtonState |= UISTATE_SELECTED;
}

LPCTSTR COptionUI::GetSelectedImage() { return m_sSelectedImage; }
void COptionUI::SetSelectedImage(LPCTSTR pStrImage) {
  m_sSelectedImage = pStrImage;
  Invalidate();
}
void COptionUI::SetSelectedBkColor(DWORD c) {
  m_dwSelectedBkColor = c;
  Invalidate();
}
DWORD COptionUI::GetSelectedBkColor() const { return m_dwSelectedBkColor; }
void COptionUI::SetSelectedTextColor(DWORD c) {
  m_dwSelectedTextColor = c;
  Invalidate();
}
DWORD COptionUI::GetSelectedTextColor() const { return m_dwSelectedTextColor; }

SIZE COptionUI::EstimateSize(SIZE szAvailable) { return CButtonUI::EstimateSize(szAvailable); }

void COptionUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  DWORD c = 0;
  if (Is(pstrName, L"group"))
    SetGroup(pstrValue);
  else if (Is(pstrName, L"selected"))
    Selected(IsTrue(pstrValue), false);
  else if (Is(pstrName, L"selectedimage"))
    SetSelectedImage(pstrValue);
  else if (Is(pstrName, L"selectedbkcolor")) {
    if (ParseColor(pstrValue, &c)) SetSelectedBkColor(c);
  } else if (Is(pstrName, L"selectedhotbkcolor")) {
    if (ParseColor(pstrValue, &c)) {
      m_dwSelectedHotBkColor = c;
      Invalidate();
    }
  } else if (Is(pstrName, L"selectedtextcolor")) {
    if (ParseColor(pstrValue, &c)) SetSelectedTextColor(c);
  } else if (Is(pstrName, L"selectedglyph")) {
    m_sSelectedGlyph = pstrValue;
    Invalidate();
  } else
    CButtonUI::SetAttribute(pstrName, pstrValue);
}

DWORD COptionUI::StateBkColor() const {
  if (m_bSelected && IsEnabled()) {
    if ((m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) &&
        internal::IsDrawn(m_dwSelectedHotBkColor)) {
      return m_dwSelectedHotBkColor;
    }
    if (internal::IsDrawn(m_dwSelectedBkColor)) return m_dwSelectedBkColor;
  }
  return CButtonUI::StateBkColor();
}

DWORD COptionUI::StateTextColor() const {
  if (m_bSelected && IsEnabled() && internal::IsDrawn(m_dwSelectedTextColor)) {
    return m_dwSelectedTextColor;
  }
  return CButtonUI::StateTextColor();
}

LPCTSTR COptionUI::StateGlyph() const {
  if (m_bSelected && !m_sSelectedGlyph.IsEmpty()) return m_sSelectedGlyph;
  return CButtonUI::StateGlyph();
}

// ---- CProgressUI ------------------------------------------------------------------------------

CProgressUI::CProgressUI()
    : m_bHorizontal(true),
      m_nMax(100),
      m_nMin(0),
      m_nValue(0),
      m_dwForeColor(0xFF3B8CFF),
      m_dwForeTextColor(0) {
  m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
}

CProgressUI::~CProgressUI() {}

LPCTSTR CProgressUI::GetClass() const { return L"ProgressUI"; }

LPVOID CProgressUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_PROGRESS)) return static_cast<CProgressUI*>(this);
  return CLabelUI::GetInterface(pstrName);
}

bool CProgressUI::IsHorizontal() { return m_bHorizontal; }
void CProgressUI::SetHorizontal(bool bHorizontal) {
  m_bHorizontal = bHorizontal;
  Invalidate();
}
int CProgressUI::GetMinValue() const { return m_nMin; }
void CProgressUI::SetMinValue(int nMin) {
  m_nMin = nMin;
  Invalidate();
}
int CProgressUI::GetMaxValue() const { return m_nMax; }
void CProgressUI::SetMaxValue(int nMax) {
  m_nMax = nMax;
  Invalidate();
}
int CProgressUI::GetValue() const { return m_nValue; }

void CProgressUI::SetValue(int nValue) {
  const int lo = std::min(m_nMin, m_nMax), hi = std::max(m_nMin, m_nMax);
  nValue = std::max(lo, std::min(hi, nValue));
  if (nValue == m_nValue) return;
  m_nValue = nValue;
  Invalidate();
}

LPCTSTR CProgressUI::GetForeImage() const { return m_sForeImage; }
void CProgressUI::SetForeImage(LPCTSTR pStrImage) {
  m_sForeImage = pStrImage;
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
  DWORD c = 0;
  if (Is(pstrName, L"hor") || Is(pstrName, L"horizontal"))
    SetHorizontal(IsTrue(pstrValue));
  else if (Is(pstrName, L"min"))
    SetMinValue(ParseInt(pstrValue));
  else if (Is(pstrName, L"max"))
    SetMaxValue(ParseInt(pstrValue));
  else if (Is(pstrName, L"value"))
    SetValue(ParseInt(pstrValue));
  else if (Is(pstrName, L"foreimage"))
    SetForeImage(pstrValue);
  else if (Is(pstrName, L"forecolor")) {
    if (ParseColor(pstrValue, &c)) SetForeColor(c);
  } else if (Is(pstrName, L"foretextcolor")) {
    if (ParseColor(pstrValue, &c)) {
      m_dwForeTextColor = c;
      Invalidate();
    }
  } else
    CLabelUI::SetAttribute(pstrName, pstrValue);
}

RECT CProgressUI::ForeRect() const {
  RECT rc = m_rcItem;
  const long long range = static_cast<long long>(m_nMax) - m_nMin;
  const long long done =
      range > 0 ? std::max(0LL, std::min(range, static_cast<long long>(m_nValue) - m_nMin)) : 0;
  if (m_bHorizontal) {
    rc.right = rc.left +
               (range > 0 ? static_cast<LONG>((m_rcItem.right - m_rcItem.left) * done / range) : 0);
  } else {
    rc.top = rc.bottom -
             (range > 0 ? static_cast<LONG>((m_rcItem.bottom - m_rcItem.top) * done / range) : 0);
  }
  return rc;
}

void CProgressUI::PaintStatusImage(HDC hDC) {
  const RECT fore = ForeRect();
  if (::IsRectEmpty(&fore)) return;
  if (!m_sForeImage.IsEmpty() && internal::DrawImageFile(hDC, m_pManager, fore, m_sForeImage))
    return;
  internal::FillRoundRect(hDC, fore, m_cxyBorderRound, m_dwForeColor);
}

void CProgressUI::PaintText(HDC hDC) {
  if (m_sText.IsEmpty()) return;
  const DWORD color = OrBlack(m_dwTextColor);
  const RECT fore = ForeRect();
  if (!internal::IsDrawn(m_dwForeTextColor) || ::IsRectEmpty(&fore)) {
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
