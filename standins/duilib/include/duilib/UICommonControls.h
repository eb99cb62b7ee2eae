// Labels, texts, buttons, option buttons and progress bars.
#pragma once

#include "UIControl.h"

namespace DuiLib {

// Text in one font and colour. With showhtml="true" the text may carry inline markup:
// {b}bold{/b}, {i}italic{/i}, {u}underline{/u}, {c #RRGGBB}colour{/c}, {f 1}font 1{/f} and
// {n} for a line break; a line feed character breaks the line in any text.
class UILIB_API CLabelUI : public CControlUI {
 public:
  CLabelUI();
  ~CLabelUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // DT_LEFT/DT_CENTER/DT_RIGHT, DT_TOP/DT_VCENTER/DT_BOTTOM, DT_SINGLELINE, DT_WORDBREAK,
  // DT_END_ELLIPSIS.
  void SetTextStyle(UINT uStyle);
  UINT GetTextStyle() const;
  void SetTextColor(DWORD dwTextColor);
  DWORD GetTextColor() const;
  void SetDisabledTextColor(DWORD dwTextColor);
  DWORD GetDisabledTextColor() const;
  void SetFont(int index);
  int GetFont() const;
  RECT GetTextPadding() const;
  void SetTextPadding(RECT rc);
  bool IsShowHtml();
  void SetShowHtml(bool bShowHtml = true);

  void SetText(LPCTSTR pstrText) override;
  SIZE EstimateSize(SIZE szAvailable) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintText(HDC hDC) override;

 protected:
  // Draws the text in rc with the given colour (the label's own or a state's).
  void DrawLabelText(HDC hDC, const RECT& rc, DWORD dwColor);

  DWORD m_dwTextColor;
  DWORD m_dwDisabledTextColor;
  int m_iFont;
  UINT m_uTextStyle;
  RECT m_rcTextPadding;
  bool m_bShowHtml;
  bool m_bAutoCalcWidth;
};

// A label for longer texts: top-left aligned and word-wrapped by default.
class UILIB_API CTextUI : public CLabelUI {
 public:
  CTextUI();
  ~CTextUI() override;
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
};

// A push button. Looks: normal, hot (pointer over it), pushed and disabled, each with its own
// background, text and border colour; glyph="close|min|max|restore|pin" draws a window-button
// symbol instead of (or beside) the text. A click is a left press and release over the button.
class UILIB_API CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  ~CButtonUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  // Sends the "click" notification.
  bool Activate() override;
  void SetEnabled(bool bEnable = true) override;
  void DoEvent(TEventUI& event) override;

  LPCTSTR GetNormalImage();
  void SetNormalImage(LPCTSTR pStrImage);
  LPCTSTR GetHotImage();
  void SetHotImage(LPCTSTR pStrImage);
  LPCTSTR GetPushedImage();
  void SetPushedImage(LPCTSTR pStrImage);
  LPCTSTR GetDisabledImage();
  void SetDisabledImage(LPCTSTR pStrImage);

  void SetHotBkColor(DWORD dwColor);
  DWORD GetHotBkColor() const;
  void SetPushedBkColor(DWORD dwColor);
  DWORD GetPushedBkColor() const;
  void SetDisabledBkColor(DWORD dwColor);
  DWORD GetDisabledBkColor() const;
  void SetHotTextColor(DWORD dwColor);
  DWORD GetHotTextColor() const;
  void SetPushedTextColor(DWORD dwColor);
  DWORD GetPushedTextColor() const;
  void SetHotBorderColor(DWORD dwColor);
  DWORD GetHotBorderColor() const;
  void SetGlyph(LPCTSTR pstrGlyph);
  LPCTSTR GetGlyph() const;

  // Current state flags (UISTATE_HOT, UISTATE_PUSHED, UISTATE_CAPTURED...).
  UINT GetButtonState() const;

  SIZE EstimateSize(SIZE szAvailable) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintBkColor(HDC hDC) override;
  void PaintText(HDC hDC) override;
  void PaintStatusImage(HDC hDC) override;
  void PaintBorder(HDC hDC) override;

 protected:
  // Colours for the current state, falling back to the normal ones.
  virtual DWORD StateBkColor() const;
  virtual DWORD StateTextColor() const;
  virtual DWORD StateBorderColor() const;
  virtual LPCTSTR StateGlyph() const;
  void PaintGlyph(HDC hDC, LPCTSTR pstrGlyph, DWORD dwColor);

  UINT m_uButtonState;
  DWORD m_dwHotBkColor;
  DWORD m_dwPushedBkColor;
  DWORD m_dwDisabledBkColor;
  DWORD m_dwHotTextColor;
  DWORD m_dwPushedTextColor;
  DWORD m_dwHotBorderColor;
  int m_iGlyphSize;
  CDuiString m_sGlyph;
  CDuiString m_sNormalImage;
  CDuiString m_sHotImage;
  CDuiString m_sPushedImage;
  CDuiString m_sDisabledImage;
};

// A button with a selected state. A click first sends the "click" notification and only then
// flips the state (so a handler of the click still reads the state before it), and afterwards
// sends "selectchanged". Options sharing a group name are selected one at a time.
class UILIB_API COptionUI : public CButtonUI {
 public:
  COptionUI();
  ~COptionUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  bool Activate() override;
  void SetEnabled(bool bEnable = true) override;

  LPCTSTR GetGroup() const;
  void SetGroup(LPCTSTR pStrGroupName = NULL);
  bool IsSelected() const;
  // Changes the state; bTriggerEvent sends "selectchanged" when it changed.
  virtual void Selected(bool bSelected, bool bTriggerEvent = true);

  LPCTSTR GetSelectedImage();
  void SetSelectedImage(LPCTSTR pStrImage);
  void SetSelectedBkColor(DWORD dwBkColor);
  DWORD GetSelectedBkColor() const;
  void SetSelectedTextColor(DWORD dwTextColor);
  DWORD GetSelectedTextColor() const;

  SIZE EstimateSize(SIZE szAvailable) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 protected:
  DWORD StateBkColor() const override;
  DWORD StateTextColor() const override;
  LPCTSTR StateGlyph() const override;

  bool m_bSelected;
  CDuiString m_sGroupName;
  DWORD m_dwSelectedBkColor;
  DWORD m_dwSelectedHotBkColor;
  DWORD m_dwSelectedTextColor;
  CDuiString m_sSelectedGlyph;
  CDuiString m_sSelectedImage;
};

// A progress bar that also shows its own text (for example a percentage) over the bar; the
// text is drawn in the text colour over the empty part and in the "foretextcolor" over the
// filled part.
class UILIB_API CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  ~CProgressUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  bool IsHorizontal();
  void SetHorizontal(bool bHorizontal = true);
  int GetMinValue() const;
  void SetMinValue(int nMin);
  int GetMaxValue() const;
  void SetMaxValue(int nMax);
  int GetValue() const;
  // Clamped to the range; repaints the bar.
  void SetValue(int nValue);
  LPCTSTR GetForeImage() const;
  void SetForeImage(LPCTSTR pStrImage);
  DWORD GetForeColor() const;
  void SetForeColor(DWORD dwColor);

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintStatusImage(HDC hDC) override;
  void PaintText(HDC hDC) override;

 protected:
  // The filled part of the bar.
  RECT ForeRect() const;

  bool m_bHorizontal;
  int m_nMax;
  int m_nMin;
  int m_nValue;
  DWORD m_dwForeColor;
  DWORD m_dwForeTextColor;
  CDuiString m_sForeImage;
};

}  // namespace DuiLib
