// The base of every control: name, text, position and size rules, colours, visibility, events.
#pragma once

#include "UIManager.h"

namespace DuiLib {

class UILIB_API CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();

  virtual CDuiString GetName() const;
  virtual void SetName(LPCTSTR pstrName);
  virtual LPCTSTR GetClass() const;
  // The control as the named interface or class ("Control", "Button", "IContainer"...), or null.
  virtual LPVOID GetInterface(LPCTSTR pstrName);
  virtual UINT GetControlFlags() const;

  // Performs the control's action (a button's click); false when it can't be activated.
  virtual bool Activate();
  virtual CPaintManagerUI* GetManager() const;
  virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
  virtual CControlUI* GetParent() const;

  // ---- Text ---------------------------------------------------------------------------
  virtual CDuiString GetText() const;
  virtual void SetText(LPCTSTR pstrText);

  // ---- Look ---------------------------------------------------------------------------
  // Colours are 0xAARRGGBB; an alpha of 0 means "not drawn".
  DWORD GetBkColor() const;
  void SetBkColor(DWORD dwBackColor);
  LPCTSTR GetBkImage();
  void SetBkImage(LPCTSTR pStrImage);
  DWORD GetBorderColor() const;
  void SetBorderColor(DWORD dwBorderColor);
  int GetBorderSize() const;
  void SetBorderSize(int nSize);
  SIZE GetBorderRound() const;
  void SetBorderRound(SIZE cxyRound);

  // ---- Position -----------------------------------------------------------------------
  virtual const RECT& GetPos() const;
  virtual void SetPos(RECT rc, bool bNeedInvalidate = true);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetX() const;
  virtual int GetY() const;
  // Outer margins (the skin's "padding" attribute), kept free around the control.
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT rcPadding);
  // Offset of a floating control inside its parent.
  virtual SIZE GetFixedXY() const;
  virtual void SetFixedXY(SIZE szXY);
  // 0 means "take a share of the space left"; anything else is a size in pixels.
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;
  virtual void SetMaxHeight(int cy);

  // ---- Data and state -----------------------------------------------------------------
  virtual CDuiString GetToolTip() const;
  virtual void SetToolTip(LPCTSTR pstrText);
  virtual const CDuiString& GetUserData();
  virtual void SetUserData(LPCTSTR pstrText);
  virtual UINT_PTR GetTag() const;
  virtual void SetTag(UINT_PTR pTag);
  CDuiString GetVirtualWnd() const;
  void SetVirtualWnd(LPCTSTR pstrValue);

  // Visible: the control's own setting; a control inside a hidden parent is not shown either.
  virtual bool IsVisible() const;
  virtual void SetVisible(bool bVisible = true);
  virtual void SetInternVisible(bool bVisible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool bEnable = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool bEnable = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool bFloat = true);

  virtual CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags);

  // Repaints the control's area.
  void Invalidate();
  bool IsUpdateNeeded() const;
  // Asks for a new layout of the control itself, or of its parent (size changes).
  void NeedUpdate();
  void NeedParentUpdate();

  virtual void Init();
  virtual void DoInit();

  virtual void Event(TEventUI& event);
  virtual void DoEvent(TEventUI& event);

  // Applies one skin attribute; unknown names are ignored.
  virtual void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);
  // Applies a list written as name="value" pairs (the skin's <Default> lists).
  CControlUI* ApplyAttributeList(LPCTSTR pstrList);

  // The size the control wants (0 in a direction: a share of what is left).
  virtual SIZE EstimateSize(SIZE szAvailable);

  virtual void DoPaint(HDC hDC, const RECT& rcPaint);
  virtual void PaintBkColor(HDC hDC);
  virtual void PaintBkImage(HDC hDC);
  virtual void PaintStatusImage(HDC hDC);
  virtual void PaintText(HDC hDC);
  virtual void PaintBorder(HDC hDC);
  virtual void DoPostPaint(HDC hDC, const RECT& rcPaint);

 protected:
  CPaintManagerUI* m_pManager;
  CControlUI* m_pParent;
  CDuiString m_sName;
  CDuiString m_sVirtualWnd;
  bool m_bUpdateNeeded;
  bool m_bVisible;
  bool m_bInternVisible;
  bool m_bFocused;
  bool m_bEnabled;
  bool m_bMouseEnabled;
  bool m_bFloat;
  bool m_bSetPos;  // guards against re-entering SetPos
  RECT m_rcItem;
  RECT m_rcPadding;
  SIZE m_cXY;
  SIZE m_cxyFixed;
  SIZE m_cxyMin;
  SIZE m_cxyMax;
  RECT m_rcPaint;

  CDuiString m_sText;
  CDuiString m_sToolTip;
  CDuiString m_sUserData;
  UINT_PTR m_pTag;

  DWORD m_dwBackColor;
  DWORD m_dwBorderColor;
  int m_nBorderSize;
  SIZE m_cxyBorderRound;
  CDuiString m_sBkImage;
  LPCTSTR m_pCursor;  // IDC_ARROW, IDC_HAND...
};

}  // namespace DuiLib
