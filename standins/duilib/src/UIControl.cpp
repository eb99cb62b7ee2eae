#include "Internal.h"

#include <algorithm>

namespace DuiLib {

using internal::Is;

CControlUI::CControlUI()
    : m_pManager(NULL),
      m_pParent(NULL),
      m_bUpdateNeeded(true),
      m_bVisible(true),
      m_bInternVisible(true),
      m_bFocused(false),
      m_bEnabled(true),
      m_bMouseEnabled(true),
      m_bFloat(false),
      m_bSetPos(false),
      m_rcItem(),
      m_rcPadding(),
      m_cXY(),
      m_cxyFixed(),
      m_cxyMin(),
      m_rcPaint(),
      m_pTag(0),
      m_dwBackColor(0),
      m_dwBorderColor(0),
      m_nBorderSize(0),
      m_cxyBorderRound(),
      m_pCursor(NULL) {
  m_cxyMax.cx = m_cxyMax.cy = Skin::kMaxCoordinate;
}

CControlUI::~CControlUI() {
  if (m_pManager) m_pManager->ReapObjects(this);
}

CDuiString CControlUI::GetName() const { return m_sName; }
void CControlUI::SetName(LPCTSTR pstrName) { m_sName = pstrName; }
LPCTSTR CControlUI::GetClass() const { return L"ControlUI"; }

LPVOID CControlUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_CONTROL)) return this;
  return NULL;
}

UINT CControlUI::GetControlFlags() const { return 0; }
bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }
CPaintManagerUI* CControlUI::GetManager() const { return m_pManager; }

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  m_pManager = pManager;
  m_pParent = pParent;
  if (bInit) Init();
}

CControlUI* CControlUI::GetParent() const { return m_pParent; }

CDuiString CControlUI::GetText() const { return m_sText; }

void CControlUI::SetText(LPCTSTR pstrText) {
  if (m_sText == (pstrText ? pstrText : L"")) return;
  m_sText = pstrText;
  Invalidate();
}

DWORD CControlUI::GetBkColor() const { return m_dwBackColor; }
void CControlUI::SetBkColor(DWORD dwBackColor) {
  if (m_dwBackColor == dwBackColor) return;
  m_dwBackColor = dwBackColor;
  Invalidate();
}
LPCTSTR CControlUI::GetBkImage() { return m_sBkImage; }
void CControlUI::SetBkImage(LPCTSTR pStrImage) {
  m_sBkImage = pStrImage;
  Invalidate();
}
DWORD CControlUI::GetBorderColor() const { return m_dwBorderColor; }
void CControlUI::SetBorderColor(DWORD dwBorderColor) {
  m_dwBorderColor = dwBorderColor;
  Invalidate();
}
int CControlUI::GetBorderSize() const { return m_nBorderSize; }
void CControlUI::SetBorderSize(int nSize) {
  m_nBorderSize = std::max(0, std::min(nSize, 100));
  Invalidate();
}
SIZE CControlUI::GetBorderRound() const { return m_cxyBorderRound; }
void CControlUI::SetBorderRound(SIZE cxyRound) {
  m_cxyBorderRound.cx = std::max<LONG>(0, cxyRound.cx);
  m_cxyBorderRound.cy = std::max<LONG>(0, cxyRound.cy);
  Invalidate();
}

const RECT& CControlUI::GetPos() const { return m_rcItem; }

void CControlUI::SetPos(RECT rc, bool bNeedInvalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  RECT old = m_rcItem;
  m_rcItem = rc;
  m_bUpdateNeeded = false;
  if (!m_pManager) return;
  if (bNeedInvalidate && IsVisible()) {
    RECT both = rc;
    if (!::IsRectEmpty(&old)) ::UnionRect(&both, &old, &rc);
    m_pManager->Invalidate(both);
  }
}

int CControlUI::GetWidth() const { return m_rcItem.right - m_rcItem.left; }
int CControlUI::GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
int CControlUI::GetX() const { return m_rcItem.left; }
int CControlUI::GetY() const { return m_rcItem.top; }

RECT CControlUI::GetPadding() const { return m_rcPadding; }
void CControlUI::SetPadding(RECT rcPadding) {
  m_rcPadding = rcPadding;
  NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const { return m_cXY; }
void CControlUI::SetFixedXY(SIZE szXY) {
  m_cXY = szXY;
  if (m_bFloat) NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const { return m_cxyFixed.cx; }
void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  m_cxyFixed.cx = std::min(cx, Skin::kMaxCoordinate);
  NeedParentUpdate();
}
int CControlUI::GetFixedHeight() const { return m_cxyFixed.cy; }
void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  m_cxyFixed.cy = std::min(cy, Skin::kMaxCoordinate);
  NeedParentUpdate();
}
int CControlUI::GetMinWidth() const { return m_cxyMin.cx; }
void CControlUI::SetMinWidth(int cx) {
  if (cx < 0) return;
  m_cxyMin.cx = std::min(cx, Skin::kMaxCoordinate);
  NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const { return m_cxyMax.cx; }
void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0) return;
  m_cxyMax.cx = std::min(cx, Skin::kMaxCoordinate);
  NeedParentUpdate();
}
int CControlUI::GetMinHeight() const { return m_cxyMin.cy; }
void CControlUI::SetMinHeight(int cy) {
  if (cy < 0) return;
  m_cxyMin.cy = std::min(cy, Skin::kMaxCoordinate);
  NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const { return m_cxyMax.cy; }
void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0) return;
  m_cxyMax.cy = std::min(cy, Skin::kMaxCoordinate);
  NeedParentUpdate();
}

CDuiString CControlUI::GetToolTip() const { return m_sToolTip; }
void CControlUI::SetToolTip(LPCTSTR pstrText) { m_sToolTip = pstrText; }
const CDuiString& CControlUI::GetUserData() { return m_sUserData; }
void CControlUI::SetUserData(LPCTSTR pstrText) { m_sUserData = pstrText; }
UINT_PTR CControlUI::GetTag() const { return m_pTag; }
void CControlUI::SetTag(UINT_PTR pTag) { m_pTag = pTag; }
CDuiString CControlUI::GetVirtualWnd() const { return m_sVirtualWnd; }
void CControlUI::SetVirtualWnd(LPCTSTR pstrValue) { m_sVirtualWnd = pstrValue; }

bool CControlUI::IsVisible() const { return m_bVisible && m_bInternVisible; }

void CControlUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  const bool wasVisible = IsVisible();
  if (wasVisible) Invalidate();  // the area it leaves
  m_bVisible = bVisible;
  if (!IsVisible() && m_pManager && m_pManager->GetFocus() == this) m_pManager->SetFocus(NULL);
  m_bFocused = m_bFocused && IsVisible();
  if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool bVisible) {
  m_bInternVisible = bVisible;
  if (!bVisible && m_pManager && m_pManager->GetFocus() == this) m_pManager->SetFocus(NULL);
}

bool CControlUI::IsEnabled() const { return m_bEnabled; }
void CControlUI::SetEnabled(bool bEnable) {
  if (m_bEnabled == bEnable) return;
  m_bEnabled = bEnable;
  Invalidate();
}
bool CControlUI::IsMouseEnabled() const { return m_bMouseEnabled; }
void CControlUI::SetMouseEnabled(bool bEnabled) { m_bMouseEnabled = bEnabled; }
bool CControlUI::IsFocused() const { return m_bFocused; }
void CControlUI::SetFocus() {
  if (m_pManager) m_pManager->SetFocus(this);
}
bool CControlUI::IsFloat() const { return m_bFloat; }
void CControlUI::SetFloat(bool bFloat) {
  if (m_bFloat == bFloat) return;
  m_bFloat = bFloat;
  NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) != 0 && !IsVisible()) return NULL;
  if ((uFlags & UIFIND_ENABLED) != 0 && !IsEnabled()) return NULL;
  if ((uFlags & UIFIND_HITTEST) != 0 &&
      (!m_bMouseEnabled || !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData)))) {
    return NULL;
  }
  return Proc(this, pData);
}

void CControlUI::Invalidate() {
  if (!IsVisible() || !m_pManager) return;
  RECT rc = m_rcItem;
  // Only what the parents let show.
  for (CControlUI* p = m_pParent; p != NULL; p = p->GetParent()) {
    RECT parent = p->GetPos();
    if (!::IntersectRect(&rc, &rc, &parent)) return;
  }
  m_pManager->Invalidate(rc);
}

bool CControlUI::IsUpdateNeeded() const { return m_bUpdateNeeded; }

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
  m_bUpdateNeeded = true;
  Invalidate();
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
  if (m_pParent) {
    m_pParent->NeedUpdate();
    m_pParent->Invalidate();
  } else {
    NeedUpdate();
  }
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::Init() { DoInit(); }
void CControlUI::DoInit() {}

void CControlUI::Event(TEventUI& event) { DoEvent(event); }

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursorW(NULL, m_pCursor ? m_pCursor : IDC_ARROW));
      return;
    case UIEVENT_SETFOCUS:
      m_bFocused = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      m_bFocused = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
    case UIEVENT_WINDOWSIZE:
      return;
    default:
      break;
  }
  // What a control does not handle itself goes to its parent (a wheel over a label scrolls
  // the list around it, and so on).
  if (m_pParent) m_pParent->DoEvent(event);
}

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"pos")) {
    const RECT rc = ParseRect(pstrValue);
    const SIZE xy = {rc.left, rc.top};
    SetFixedXY(xy);
    SetFixedWidth(std::max<LONG>(0, rc.right - rc.left));
    SetFixedHeight(std::max<LONG>(0, rc.bottom - rc.top));
  } else if (Is(pstrName, L"padding")) {
    SetPadding(ParseRect(pstrValue));
  } else if (Is(pstrName, L"bkcolor") || Is(pstrName, L"bkcolor1")) {
    DWORD c = 0;
    if (ParseColor(pstrValue, &c)) SetBkColor(c);
  } else if (Is(pstrName, L"bordercolor")) {
    DWORD c = 0;
    if (ParseColor(pstrValue, &c)) SetBorderColor(c);
  } else if (Is(pstrName, L"bordersize")) {
    SetBorderSize(ParseInt(pstrValue));
  } else if (Is(pstrName, L"borderround")) {
    SetBorderRound(ParseSize(pstrValue));
  } else if (Is(pstrName, L"bkimage")) {
    SetBkImage(pstrValue);
  } else if (Is(pstrName, L"width")) {
    SetFixedWidth(ParseInt(pstrValue));
  } else if (Is(pstrName, L"height")) {
    SetFixedHeight(ParseInt(pstrValue));
  } else if (Is(pstrName, L"minwidth")) {
    SetMinWidth(ParseInt(pstrValue));
  } else if (Is(pstrName, L"minheight")) {
    SetMinHeight(ParseInt(pstrValue));
  } else if (Is(pstrName, L"maxwidth")) {
    SetMaxWidth(ParseInt(pstrValue));
  } else if (Is(pstrName, L"maxheight")) {
    SetMaxHeight(ParseInt(pstrValue));
  } else if (Is(pstrName, L"name")) {
    SetName(pstrValue);
  } else if (Is(pstrName, L"text")) {
    SetText(pstrValue);
  } else if (Is(pstrName, L"tooltip")) {
    SetToolTip(pstrValue);
  } else if (Is(pstrName, L"userdata")) {
    SetUserData(pstrValue);
  } else if (Is(pstrName, L"virtualwnd")) {
    SetVirtualWnd(pstrValue);
  } else if (Is(pstrName, L"enabled")) {
    SetEnabled(IsTrue(pstrValue));
  } else if (Is(pstrName, L"mouse")) {
    SetMouseEnabled(IsTrue(pstrValue));
  } else if (Is(pstrName, L"visible")) {
    SetVisible(IsTrue(pstrValue));
  } else if (Is(pstrName, L"float")) {
    SetFloat(IsTrue(pstrValue));
  } else if (Is(pstrName, L"cursor")) {
    if (Is(pstrValue, L"hand"))
      m_pCursor = IDC_HAND;
    else if (Is(pstrValue, L"ibeam"))
      m_pCursor = IDC_IBEAM;
    else if (Is(pstrValue, L"cross"))
      m_pCursor = IDC_CROSS;
    else if (Is(pstrValue, L"wait"))
      m_pCursor = IDC_WAIT;
    else if (Is(pstrValue, L"no"))
      m_pCursor = IDC_NO;
    else
      m_pCursor = IDC_ARROW;
  }
}

CControlUI* CControlUI::ApplyAttributeList(LPCTSTR pstrList) {
  Skin::AttributeList list;
  Skin::ParseAttributeList(pstrList, &list);
  for (const auto& a : list) SetAttribute(a.first.c_str(), a.second.c_str());
  return this;
}

SIZE CControlUI::EstimateSize(SIZE /*szAvailable*/) { return m_cxyFixed; }

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  PaintBkColor(hDC);
  PaintBkImage(hDC);
  PaintStatusImage(hDC);
  PaintText(hDC);
  PaintBorder(hDC);
}

void CControlUI::PaintBkColor(HDC hDC) {
  internal::FillRoundRect(hDC, m_rcItem, m_cxyBorderRound, m_dwBackColor);
}

void CControlUI::PaintBkImage(HDC hDC) {
  if (!m_sBkImage.IsEmpty()) internal::DrawImageFile(hDC, m_pManager, m_rcItem, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC /*hDC*/) {}
void CControlUI::PaintText(HDC /*hDC*/) {}

void CControlUI::PaintBorder(HDC hDC) {
  internal::DrawBorder(hDC, m_rcItem, m_nBorderSize, m_dwBorderColor, m_cxyBorderRound);
}

void CControlUI::DoPostPaint(HDC /*hDC*/, const RECT& /*rcPaint*/) {}

}  // namespace DuiLib
