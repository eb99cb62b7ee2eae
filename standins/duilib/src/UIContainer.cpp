#include "Internal.h"

#include "BoxLayout.h"

#include <algorithm>
#include <vector>

namespace DuiLib {

using internal::Is;

namespace {

Skin::Align ToAlign(UINT dt) {
  if (dt == DT_CENTER || dt == DT_VCENTER) return Skin::Align::kCenter;
  if (dt == DT_RIGHT || dt == DT_BOTTOM) return Skin::Align::kEnd;
  return Skin::Align::kStart;
}

Skin::BoxItem BoxOf(CControlUI* c, SIZE available) {
  const SIZE want = c->EstimateSize(available);
  const RECT pad = c->GetPadding();
  Skin::BoxItem b;
  b.width = want.cx;
  b.height = want.cy;
  b.minWidth = c->GetMinWidth();
  b.maxWidth = c->GetMaxWidth();
  b.minHeight = c->GetMinHeight();
  b.maxHeight = c->GetMaxHeight();
  b.padding.left = pad.left;
  b.padding.top = pad.top;
  b.padding.right = pad.right;
  b.padding.bottom = pad.bottom;
  return b;
}

}  // namespace

// ---- CContainerUI -----------------------------------------------------------------------------

CContainerUI::CContainerUI()
    : m_rcInset(), m_iChildPadding(0), m_iChildAlign(DT_LEFT), m_iChildVAlign(DT_TOP) {}

CContainerUI::~CContainerUI() { RemoveAll(); }

LPCTSTR CContainerUI::GetClass() const { return L"ContainerUI"; }

LPVOID CContainerUI::GetInterface(LPCTSTR pstrName) {
  if (!pstrName) return NULL;
  if (Is(pstrName, DUI_CTR_ICONTAINER)) return static_cast<IContainerUI*>(this);
  if (Is(pstrName, DUI_CTR_CONTAINER)) return static_cast<CContainerUI*>(this);
  return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
  return iIndex >= 0 && iIndex < GetCount() ? m_items[iIndex] : NULL;
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
  const auto it = std::find(m_items.begin(), m_items.end(), pControl);
  return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

int CContainerUI::GetCount() const { return static_cast<int>(m_items.size()); }

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
  if (!pControl || pControl == this || GetItemIndex(pControl) >= 0) return false;
  if (iIndex < 0 || iIndex > GetCount()) return false;
  m_items.insert(m_items.begin() + iIndex, pControl);
  if (m_pManager)
    m_pManager->InitControls(pControl, this);
  else
    pControl->SetManager(NULL, this, false);
  if (IsVisible())
    NeedUpdate();
  else
    pControl->SetInternVisible(false);
  return true;
}

bool CContainerUI::Remove(CControlUI* pControl) { return RemoveAt(GetItemIndex(pControl)); }

bool CContainerUI::RemoveAt(int iIndex) {
  CControlUI* c = GetItemAt(iIndex);
  if (!c) return false;
  m_items.erase(m_items.begin() + iIndex);
  delete c;
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  while (!m_items.empty()) {
    CControlUI* c = m_items.back();
    m_items.pop_back();
    delete c;
  }
  NeedUpdate();
}

RECT CContainerUI::GetInset() const { return m_rcInset; }
void CContainerUI::SetInset(RECT rcInset) {
  m_rcInset = rcInset;
  NeedUpdate();
}
int CContainerUI::GetChildPadding() const { return m_iChildPadding; }
void CContainerUI::SetChildPadding(int iPadding) {
  m_iChildPadding = std::max(0, std::min(iPadding, Skin::kMaxCoordinate));
  NeedUpdate();
}
UINT CContainerUI::GetChildAlign() const { return m_iChildAlign; }
void CContainerUI::SetChildAlign(UINT iAlign) {
  m_iChildAlign = iAlign;
  NeedUpdate();
}
UINT CContainerUI::GetChildVAlign() const { return m_iChildVAlign; }
void CContainerUI::SetChildVAlign(UINT iVAlign) {
  m_iChildVAlign = iVAlign;
  NeedUpdate();
}

void CContainerUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  CControlUI::SetVisible(bVisible);
  for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
  CControlUI::SetInternVisible(bVisible);
  for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  for (CControlUI* c : m_items) c->SetManager(pManager, this, bInit);
  CControlUI::SetManager(pManager, pParent, bInit);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) != 0 && !IsVisible()) return NULL;
  const bool hitTest = (uFlags & UIFIND_HITTEST) != 0;
  if (hitTest && !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))) return NULL;
  if ((uFlags & UIFIND_ME_FIRST) != 0) {
    if (CControlUI* c = CControlUI::FindControl(Proc, pData, uFlags)) return c;
  }
  const RECT inner = InnerRect();
  // A point in the inset belongs to the container, not to a child.
  if (!hitTest || ::PtInRect(&inner, *static_cast<LPPOINT>(pData))) {
    const int n = GetCount();
    for (int k = 0; k < n; ++k) {
      // Later children are painted over earlier ones: with TOP_FIRST they are asked first.
      CControlUI* child = m_items[(uFlags & UIFIND_TOP_FIRST) ? n - 1 - k : k];
      if (CControlUI* found = child->FindControl(Proc, pData, uFlags)) return found;
    }
  }
  if ((uFlags & UIFIND_ME_FIRST) == 0) return CControlUI::FindControl(Proc, pData, uFlags);
  return NULL;
}

RECT CContainerUI::InnerRect() const {
  return RECT{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top,
              m_rcItem.right - m_rcInset.right, m_rcItem.bottom - m_rcInset.bottom};
}

void CContainerUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  const RECT inner = InnerRect();
  for (CControlUI* c : m_items) {
    if (!c->IsVisible()) continue;
    const RECT pad = c->GetPadding();
    c->SetPos(RECT{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                   inner.bottom - pad.bottom},
              false);
  }
}

void CContainerUI::SetBoxPos(RECT rc, bool bNeedInvalidate, bool horizontal) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  const RECT inner = InnerRect();
  std::vector<CControlUI*> placed;
  std::vector<Skin::BoxItem> boxes;
  const SIZE available = {inner.right - inner.left, inner.bottom - inner.top};
  for (CControlUI* c : m_items) {
    if (!c->IsVisible()) continue;
    boxes.push_back(BoxOf(c, available));
    placed.push_back(c);
  }
  Skin::Box area;
  area.left = inner.left;
  area.top = inner.top;
  area.right = inner.right;
  area.bottom = inner.bottom;
  const UINT mainAlign = horizontal ? m_iChildAlign : m_iChildVAlign;
  const UINT crossAlign = horizontal ? m_iChildVAlign : m_iChildAlign;
  const std::vector<Skin::Box> out = Skin::LayoutBoxes(boxes, area, horizontal, m_iChildPadding,
                                                       ToAlign(mainAlign), ToAlign(crossAlign));
  for (size_t i = 0; i < placed.size(); ++i) {
    placed[i]->SetPos(RECT{out[i].left, out[i].top, out[i].right, out[i].bottom}, false);
  }
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  RECT paint;
  if (!::IntersectRect(&paint, &rcPaint, &m_rcItem)) return;
  m_rcPaint = paint;
  PaintBkColor(hDC);
  PaintStatusImage(hDC);
  PaintText(hDC);
  if (!m_items.empty()) {
    const int saved = ::SaveDC(hDC);
    ::IntersectClipRect(hDC, paint.left, paint.top, paint.right, paint.bottom);
    for (CControlUI* c : m_items) {
      RECT test;
      if (c->IsVisible() && ::IntersectRect(&test, &paint, &c->GetPos())) c->DoPaint(hDC, paint);
    }
    ::RestoreDC(hDC, saved);
  }
  // The border goes over the children, so a child filling the box does not hide it.
  PaintBorder(hDC);
}

void CContainerUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using namespace internal;
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"inset")) {
    SetInset(ParseRect(pstrValue));
  } else if (Is(pstrName, L"childpadding")) {
    SetChildPadding(ParseInt(pstrValue));
  } else if (Is(pstrName, L"childalign")) {
    SetChildAlign(Is(pstrValue, L"center")  ? DT_CENTER
                  : Is(pstrValue, L"right") ? DT_RIGHT
                                            : DT_LEFT);
  } else if (Is(pstrName, L"childvalign")) {
    SetChildVAlign(Is(pstrValue, L"vcenter") || Is(pstrValue, L"center") ? DT_VCENTER
                   : Is(pstrValue, L"bottom")                            ? DT_BOTTOM
                                                                         : DT_TOP);
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
}

// ---- Layouts ----------------------------------------------------------------------------------

LPCTSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }
LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_VERTICALLAYOUT)) return this;
  return CContainerUI::GetInterface(pstrName);
}
void CVerticalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  SetBoxPos(rc, bNeedInvalidate, false);
}

LPCTSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }
LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_HORIZONTALLAYOUT)) return this;
  return CContainerUI::GetInterface(pstrName);
}
void CHorizontalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  SetBoxPos(rc, bNeedInvalidate, true);
}

}  // namespace DuiLib
