// Containers: a plain stack of children, and the vertical and horizontal layouts that share
// their space among fixed-size and stretching children.
#pragma once

#include "UIControl.h"

#include <vector>

namespace DuiLib {

class UILIB_API IContainerUI {
 public:
  virtual CControlUI* GetItemAt(int iIndex) const = 0;
  virtual int GetItemIndex(CControlUI* pControl) const = 0;
  virtual int GetCount() const = 0;
  virtual bool Add(CControlUI* pControl) = 0;
  virtual bool AddAt(CControlUI* pControl, int iIndex) = 0;
  virtual bool Remove(CControlUI* pControl) = 0;
  virtual bool RemoveAt(int iIndex) = 0;
  virtual void RemoveAll() = 0;
};

// Owns its children: removing a child deletes it.
class UILIB_API CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI();
  virtual ~CContainerUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  CControlUI* GetItemAt(int iIndex) const override;
  int GetItemIndex(CControlUI* pControl) const override;
  int GetCount() const override;
  bool Add(CControlUI* pControl) override;
  bool AddAt(CControlUI* pControl, int iIndex) override;
  bool Remove(CControlUI* pControl) override;
  bool RemoveAt(int iIndex) override;
  void RemoveAll() override;

  // Inner margins kept free inside the container's border.
  virtual RECT GetInset() const;
  virtual void SetInset(RECT rcInset);
  // Gap between neighbouring children.
  virtual int GetChildPadding() const;
  virtual void SetChildPadding(int iPadding);
  // Placement of children narrower/shorter than the container: DT_LEFT/DT_CENTER/DT_RIGHT
  // and DT_TOP/DT_VCENTER/DT_BOTTOM.
  virtual UINT GetChildAlign() const;
  virtual void SetChildAlign(UINT iAlign);
  virtual UINT GetChildVAlign() const;
  virtual void SetChildVAlign(UINT iVAlign);

  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) override;

  // Every visible child fills the inner rectangle.
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoPaint(HDC hDC, const RECT& rcPaint) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 protected:
  // The rectangle inside the inset.
  RECT InnerRect() const;
  // Places the visible children in a row or a column (the layouts' SetPos).
  void SetBoxPos(RECT rc, bool bNeedInvalidate, bool horizontal);

  std::vector<CControlUI*> m_items;
  RECT m_rcInset;
  int m_iChildPadding;
  UINT m_iChildAlign;
  UINT m_iChildVAlign;
};

class UILIB_API CVerticalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
};

class UILIB_API CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
};

}  // namespace DuiLib
