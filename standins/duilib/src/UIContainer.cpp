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

// Lays out the visible, non-floating children in a row or a column inside `inner`.
void LayoutChildren(const CDuiPtrArray& items, const RECT& inner, int childPadding, UINT childAlign,
                    UINT childVAlign, bool horizontal) {
  std::vector<CControlUI*> placed;
  std::vector<Skin::BoxItem> boxes;
  const SIZE available = {inner.right - inner.left, inner.bottom - inner.top};
  for (int i = 0; i < items.GetSize(); ++i) {
    CControlUI* c = static_cast<CControlUI*>(items[i]);
    if (!c->IsVisible() || c->IsFloat()) continue;
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
    boxes.push_back(b);
    placed.push_back(c);
  }
  Skin::Box area;
  area.left = inner.left;
  area.top = inner.top;
  area.right = inner.right;
  area.bottom = inner.bottom;
  const std::vector<Skin::Box> out = Skin::LayoutBoxes(
      boxes, area, horizontal, childPadding, ToAlign(horizontal ? childAlign : childVAlign),
      ToAlign(horizontal ? childVAlign : childAlign));
  for (size_t i = 0; i < placed.size(); ++i) {
    RECT r = {out[i].left, out[i].top, out[i].right, out[i].bottom};
    placed[i]->SetPos(r, false);
  }
}

}  // namespace

// ---- CContainerUI -----------------------------------------------------------------------------

CContainerUI::CContainerUI()
    : m_rcInset(),
      m_iChildPadding(0),
      m_iChildAlign(DT_LEFT),
      m_iChildVAlign(DT_TOP),
      m_bAutoDestroy(true),
      m_bMouseChildEnabled(true) {}

CContainerUI::~CContainerUI() { RemoveAll(); }

LPCTSTR CContainerUI::GetClass() const { return L"ContainerUI"; }

LPVOID CContainerUI::GetInterface(LPCTSTR pstrName) {
  if (!pstrName) return NULL;
  if (Is(pstrName, DUI_CTR_ICONTAINER)) return static_cast<IContainerUI*>(this);
  if (Is(pstrName, DUI_CTR_CONTAINER)) return static_cast<CContainerUI*>(this);
  return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
  return static_cast<CControlUI*>(m_items.GetAt(iIndex));
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const { return m_items.Find(pControl); }

bool CContainerUI::SetItemIndex(CControlUI* pControl, int iIndex) {
  const int current = m_items.Find(pControl);
  if (current < 0 || iIndex < 0 || iIndex >= m_items.GetSize()) return false;
  m_items.Remove(current);
  m_items.InsertAt(iIndex, pControl);
  NeedUpdate();
  return true;
}

int CContainerUI::GetCount() const { return m_items.GetSize(); }

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, m_items.GetSize()); }

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
  if (!pControl || pControl == this || m_items.Find(pControl) >= 0) return false;
  if (!m_items.InsertAt(iIndex, pControl)) return false;
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

bool CContainerUI::Remove(CControlUI* pControl) {
  const int i = m_items.Find(pControl);
  if (i < 0) return false;
  return RemoveAt(i);
}

bool CContainerUI::RemoveAt(int iIndex) {
  CControlUI* c = GetItemAt(iIndex);
  if (!c) return false;
  m_items.Remove(iIndex);
  if (m_bAutoDestroy) {
    delete c;
  } else if (m_pManager) {
    m_pManager->ReapObjects(c);
  }
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  while (m_items.GetSize() > 0) {
    CControlUI* c = GetItemAt(m_items.GetSize() - 1);
    m_items.Remove(m_items.GetSize() - 1);
    if (m_bAutoDestroy)
      delete c;
    else if (m_pManager)
      m_pManager->ReapObjects(c);
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
bool CContainerUI::IsAutoDestroy() const { return m_bAutoDestroy; }
void CContainerUI::SetAutoDestroy(bool bAuto) { m_bAutoDestroy = bAuto; }
bool CContainerUI::IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
void CContainerUI::SetMouseChildEnabled(bool bEnable) { m_bMouseChildEnabled = bEnable; }

void CContainerUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  CControlUI::SetVisible(bVisible);
  for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
  CControlUI::SetInternVisible(bVisible);
  for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool bEnabled) { CControlUI::SetMouseEnabled(bEnabled); }

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  for (int i = 0; i < m_items.GetSize(); ++i) GetItemAt(i)->SetManager(pManager, this, bInit);
  CControlUI::SetManager(pManager, pParent, bInit);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) != 0 && !IsVisible()) return NULL;
  if ((uFlags & UIFIND_ENABLED) != 0 && !IsEnabled()) return NULL;
  if ((uFlags & UIFIND_HITTEST) != 0) {
    if (!::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))) return NULL;
    if (!m_bMouseChildEnabled) {
      return m_bMouseEnabled ? Proc(this, pData) : NULL;
    }
  }
  if ((uFlags & UIFIND_ME_FIRST) != 0) {
    if (CControlUI* c = CControlUI::FindControl(Proc, pData, uFlags)) return c;
  }
  RECT inner = m_rcItem;
  inner.left += m_rcInset.left;
  inner.top += m_rcInset.top;
  inner.right -= m_rcInset.right;
  inner.bottom -= m_rcInset.bottom;
  const int n = m_items.GetSize();
  for (int k = 0; k < n; ++k) {
    // Later children are painted over earlier ones: with TOP_FIRST they are asked first.
    const int i = (uFlags & UIFIND_TOP_FIRST) ? n - 1 - k : k;
    CControlUI* child = GetItemAt(i);
    CControlUI* found = child->FindControl(Proc, pData, uFlags);
    if (!found) continue;
    if ((uFlags & UIFIND_HITTEST) != 0 && !found->IsFloat() &&
        !::PtInRect(&inner, *static_cast<LPPOINT>(pData))) {
      continue;
    }
    return found;
  }
  if ((uFlags & UIFIND_ME_FIRST) == 0) return CControlUI::FindControl(Proc, pData, uFlags);
  return NULL;
}

void CContainerUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  RECT inner = m_rcItem;
  inner.left += m_rcInset.left;
  inner.top += m_rcInset.top;
  inner.right -= m_rcInset.right;
  inner.bottom -= m_rcInset.bottom;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* c = GetItemAt(i);
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    const RECT pad = c->GetPadding();
    RECT r = {inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
              inner.bottom - pad.bottom};
    c->SetPos(r, false);
  }
}

void CContainerUI::SetFloatPos(int iIndex) {
  CControlUI* c = GetItemAt(iIndex);
  if (!c || !c->IsVisible()) return;
  const SIZE xy = c->GetFixedXY();
  const int w = c->GetFixedWidth(), h = c->GetFixedHeight();
  RECT r;
  // A negative offset counts from the right (bottom) edge.
  if (xy.cx >= 0) {
    r.left = m_rcItem.left + xy.cx;
    r.right = r.left + w;
  } else {
    r.right = m_rcItem.right + xy.cx;
    r.left = r.right - w;
  }
  if (xy.cy >= 0) {
    r.top = m_rcItem.top + xy.cy;
    r.bottom = r.top + h;
  } else {
    r.bottom = m_rcItem.bottom + xy.cy;
    r.top = r.bottom - h;
  }
  c->SetPos(r, false);
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  RECT paint;
  if (!::IntersectRect(&paint, &rcPaint, &m_rcItem)) return;
  m_rcPaint = paint;
  PaintBkColor(hDC);
  PaintBkImage(hDC);
  PaintStatusImage(hDC);
  PaintText(hDC);
  if (m_items.GetSize() > 0) {
    const int saved = ::SaveDC(hDC);
    ::IntersectClipRect(hDC, paint.left, paint.top, paint.right, paint.bottom);
    for (int i = 0; i < m_items.GetSize(); ++i) {
      CControlUI* c = GetItemAt(i);
      if (!c->IsVisible()) continue;
      RECT test;
      if (!::IntersectRect(&test, &paint, &c->GetPos())) continue;
      c->DoPaint(hDC, paint);
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
    if (Is(pstrValue, L"center"))
      SetChildAlign(DT_CENTER);
    else if (Is(pstrValue, L"right"))
      SetChildAlign(DT_RIGHT);
    else
      SetChildAlign(DT_LEFT);
  } else if (Is(pstrName, L"childvalign")) {
    if (Is(pstrValue, L"vcenter") || Is(pstrValue, L"center"))
      SetChildVAlign(DT_VCENTER);
    else if (Is(pstrValue, L"bottom"))
      SetChildVAlign(DT_BOTTOM);
    else
      SetChildVAlign(DT_TOP);
  } else if (Is(pstrName, L"mousechild")) {
    SetMouseChildEnabled(IsTrue(pstrValue));
  } else if (Is(pstrName, L"autodestroy")) {
    SetAutoDestroy(IsTrue(pstrValue));
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
}

// ---- Layouts ----------------------------------------------------------------------------------

CVerticalLayoutUI::CVerticalLayoutUI() {}
LPCTSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }
LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_VERTICALLAYOUT))
    return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  RECT inner = m_rcItem;
  inner.left += m_rcInset.left;
  inner.top += m_rcInset.top;
  inner.right -= m_rcInset.right;
  inner.bottom -= m_rcInset.bottom;
  LayoutChildren(m_items, inner, m_iChildPadding, m_iChildAlign, m_iChildVAlign, false);
  for (int i = 0; i < m_items.GetSize(); ++i) {
    if (GetItemAt(i)->IsFloat()) SetFloatPos(i);
  }
}

CHorizontalLayoutUI::CHorizontalLayoutUI() {}
LPCTSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }
LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_HORIZONTALLAYOUT)) {
    return static_cast<CHorizontalLayoutUI*>(this);
  }
  return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  RECT inner = m_rcItem;
  inner.left += m_rcInset.left;
  inner.top += m_rcInset.top;
  inner.right -= m_rcInset.right;
  inner.bottom -= m_rcInset.bottom;
  LayoutChildren(m_items, inner, m_iChildPadding, m_iChildAlign, m_iChildVAlign, true);
  for (int i = 0; i < m_items.GetSize(); ++i) {
    if (GetItemAt(i)->IsFloat()) SetFloatPos(i);
  }
}

}  // namespace DuiLib
