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
  DWORD GetBorderColor() const;
  void SetBorderColor(DWORD dwBorderColor);
  int GetBorderSize() const;
  void SetBorderSize(int nSize);

  // ---- Position -----------------------------------------------------------------------
  virtual const RECT& GetPos() const;
  virtual void SetPos(RECT rc, bool bNeedInvalidate = true);
  // Outer margins (the skin's "padding" attribute), kept free around the control.
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT rcPadding);
  // 0 means "take a share of the space left"; anything else is a size in pixels.
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  // Limits of a share of the space left.
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;
  virtual void SetMaxHeight(int cy);

  // ---- State --------------------------------------------------------------------------
  virtual CDuiString GetToolTip() const;
  virtual void SetToolTip(LPCTSTR pstrText);

  // Visible: the control's own setting; a control inside a hidden parent is not shown either.
  virtual bool IsVisible() const;
  virtual void SetVisible(bool bVisible = true);
  virtual void SetInternVisible(bool bVisible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool bEnable = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();

  virtual CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags);

  // Repaints the control's area.
  void Invalidate();
  // Asks for a new layout of the control itself, or of its parent (size changes).
  void NeedUpdate();
  void NeedParentUpdate();

  virtual void Init();
  virtual void DoInit();

  virtual void Event(TEventUI& event);
  virtual void DoEvent(TEventUI& event);

  // Applies one skin attribute; unknown names are ignored.
  virtual void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);

  // The size the control wants (0 in a direction: a share of what is left).
  virtual SIZE EstimateSize(SIZE szAvailable);

  virtual void DoPaint(HDC hDC, const RECT& rcPaint);
  virtual void PaintBkColor(HDC hDC);
  virtual void PaintStatusImage(HDC hDC);
  virtual void PaintText(HDC hDC);
  virtual void PaintBorder(HDC hDC);

 protected:
  CPaintManagerUI* m_pManager;
  CControlUI* m_pParent;
  CDuiString m_sName;
  bool m_bVisible;
  bool m_bInternVisible;
  bool m_bFocused;
  bool m_bEnabled;
  RECT m_rcItem;
  RECT m_rcPadding;
  SIZE m_cxyFixed;
  SIZE m_cxyMin;
  SIZE m_cxyMax;
  RECT m_rcPaint;

  CDuiString m_sText;
  CDuiString m_sToolTip;

  DWORD m_dwBackColor;
  DWORD m_dwBorderColor;
  int m_nBorderSize;
};

}  // namespace DuiLib
