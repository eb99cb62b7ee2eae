#include "Internal.h"

#include <algorithm>

namespace DuiLib {

using internal::Is;

CControlUI::CControlUI()
    : m_pManager(NULL),
      m_pParent(NULL),
      m_bVisible(true),
      m_bInternVisible(true),
      m_bFocused(false),
      m_bEnabled(true),
      m_rcItem(),
      m_rcPadding(),
      m_cxyFixed(),
      m_cxyMin(),
      m_rcPaint(),
      m_dwBackColor(0),
      m_dwBorderColor(0),
      m_nBorderSize(0) {
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
  m_dwBackColor = dwBackColor;
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

const RECT& CControlUI::GetPos() const { return m_rcItem; }

void CControlUI::SetPos(RECT rc, bool bNeedInvalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  RECT old = m_rcItem;
  m_rcItem = rc;
  if (!m_pManager || !bNeedInvalidate || !IsVisible()) return;
  RECT both = rc;
  if (!::IsRectEmpty(&old)) ::UnionRect(&both, &old, &rc);
  m_pManager->Invalidate(both);
}

RECT CControlUI::GetPadding() const { return m_rcPadding; }
void CControlUI::SetPadding(RECT rcPadding) {
  m_rcPadding = rcPadding;
  NeedParentUpdate();
}

namespace {
// A size from a skin or a program: negative sizes are refused, large ones clamped.
bool TakeLength(int value, LONG* field) {
  if (value < 0) return false;
  *field = std::min(value, Skin::kMaxCoordinate);
  return true;
}
}  // namespace

int CControlUI::GetFixedWidth() const { return m_cxyFixed.cx; }
void CControlUI::SetFixedWidth(int cx) {
  if (TakeLength(cx, &m_cxyFixed.cx)) NeedParentUpdate();
}
int CControlUI::GetFixedHeight() const { return m_cxyFixed.cy; }
void CControlUI::SetFixedHeight(int cy) {
  if (TakeLength(cy, &m_cxyFixed.cy)) NeedParentUpdate();
}
int CControlUI::GetMinWidth() const { return m_cxyMin.cx; }
void CControlUI::SetMinWidth(int cx) {
  if (TakeLength(cx, &m_cxyMin.cx)) NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const { return m_cxyMax.cx; }
void CControlUI::SetMaxWidth(int cx) {
  if (TakeLength(cx, &m_cxyMax.cx)) NeedParentUpdate();
}
int CControlUI::GetMinHeight() const { return m_cxyMin.cy; }
void CControlUI::SetMinHeight(int cy) {
  if (TakeLength(cy, &m_cxyMin.cy)) NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const { return m_cxyMax.cy; }
void CControlUI::SetMaxHeight(int cy) {
  if (TakeLength(cy, &m_cxyMax.cy)) NeedParentUpdate();
}

CDuiString CControlUI::GetToolTip() const { return m_sToolTip; }
void CControlUI::SetToolTip(LPCTSTR pstrText) { m_sToolTip = pstrText; }

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
bool CControlUI::IsFocused() const { return m_bFocused; }
void CControlUI::SetFocus() {
  if (m_pManager) m_pManager->SetFocus(this);
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) != 0 && !IsVisible()) return NULL;
  if ((uFlags & UIFIND_HITTEST) != 0 && !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))) {
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

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
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
      ::SetCursor(::LoadCursorW(NULL, IDC_ARROW));
      return;
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      m_bFocused = event.Type == UIEVENT_SETFOCUS;
      Invalidate();
      return;
    default:
      break;
  }
  // What a control does not handle itself goes to its parent.
  if (m_pParent) m_pParent->DoEvent(event);
}

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"padding")) {
    SetPadding(ParseRect(pstrValue));
  } else if (Is(pstrName, L"bkcolor")) {
    if (ParseColor(pstrValue, &m_dwBackColor)) Invalidate();
  } else if (Is(pstrName, L"bordercolor")) {
    if (ParseColor(pstrValue, &m_dwBorderColor)) Invalidate();
  } else if (Is(pstrName, L"bordersize")) {
    SetBorderSize(ParseInt(pstrValue));
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
  } else if (Is(pstrName, L"visible")) {
    SetVisible(IsTrue(pstrValue));
  }
}

SIZE CControlUI::EstimateSize(SIZE /*szAvailable*/) { return m_cxyFixed; }

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  PaintBkColor(hDC);
  PaintStatusImage(hDC);
  PaintText(hDC);
  PaintBorder(hDC);
}

void CControlUI::PaintBkColor(HDC hDC) { internal::FillColor(hDC, m_rcItem, m_dwBackColor); }
void CControlUI::PaintStatusImage(HDC /*hDC*/) {}
void CControlUI::PaintText(HDC /*hDC*/) {}

void CControlUI::PaintBorder(HDC hDC) {
  internal::DrawBorder(hDC, m_rcItem, m_nBorderSize, m_dwBorderColor);
}

}  // namespace DuiLib
