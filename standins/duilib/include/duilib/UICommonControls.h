// Labels, texts, buttons, option buttons and progress bars.
#pragma once

#include "UIControl.h"

namespace DuiLib {

// Text in one font and colour. With showhtml="true" the text may be made bold in parts with
// {b}...{/b}; a line feed character breaks the line in any text.
class UILIB_API CLabelUI : public CControlUI {
 public:
  CLabelUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // DT_LEFT/DT_CENTER/DT_RIGHT, DT_TOP/DT_VCENTER/DT_BOTTOM, DT_SINGLELINE, DT_WORDBREAK,
  // DT_END_ELLIPSIS.
  void SetTextStyle(UINT uStyle);
  UINT GetTextStyle() const;
  void SetTextColor(DWORD dwTextColor);
  DWORD GetTextColor() const;
  void SetFont(int index);
  int GetFont() const;
  RECT GetTextPadding() const;
  void SetTextPadding(RECT rc);
  bool IsShowHtml();
  void SetShowHtml(bool bShowHtml = true);

  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintText(HDC hDC) override;

 protected:
  // Draws the text in rc with the given colour (the label's own or a state's).
  void DrawLabelText(HDC hDC, const RECT& rc, DWORD dwColor);

  DWORD m_dwTextColor;
  int m_iFont;
  UINT m_uTextStyle;
  RECT m_rcTextPadding;
  bool m_bShowHtml;
};

// A label for longer texts: top-left aligned and word-wrapped.
class UILIB_API CTextUI : public CLabelUI {
 public:
  CTextUI();
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
};

// A push button. Looks: normal, hot (pointer over it) and pushed, each with its own
// background, text and border colour; glyph="close|min|max|restore|pin" draws a window-button
// symbol instead of (or beside) the text. A click is a left press and release over the button.
class UILIB_API CButtonUI : public CLabelUI {
 public:
  CButtonUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  // Sends the "click" notification.
  bool Activate() override;
  void SetEnabled(bool bEnable = true) override;
  void DoEvent(TEventUI& event) override;

  // Current state flags (UISTATE_HOT, UISTATE_PUSHED, UISTATE_CAPTURED...).
  UINT GetButtonState() const;

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintBkColor(HDC hDC) override;
  void PaintText(HDC hDC) override;
  void PaintBorder(HDC hDC) override;

 protected:
  // Colours for the current state, falling back to the normal ones.
  virtual DWORD StateBkColor() const;
  virtual DWORD StateTextColor() const;
  virtual DWORD StateBorderColor() const;
  virtual LPCTSTR StateGlyph() const;
  // Takes a colour (color) or glyph (glyph) attribute of the looks; false when neither is
  // given (the attribute is none of them).
  bool SetLook(LPCTSTR pstrValue, DWORD* color, CDuiString* glyph);

  UINT m_uButtonState;
  DWORD m_dwHotBkColor;
  DWORD m_dwPushedBkColor;
  DWORD m_dwHotTextColor;
  DWORD m_dwHotBorderColor;
  CDuiString m_sGlyph;
};

// A button with a selected state. A click first sends the "click" notification and only then
// flips the state (so a handler of the click still reads the state before it), and afterwards
// sends "selectchanged".
class UILIB_API COptionUI : public CButtonUI {
 public:
  COptionUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  bool Activate() override;

  bool IsSelected() const;
  // Changes the state; bTriggerEvent sends "selectchanged" when it changed.
  virtual void Selected(bool bSelected, bool bTriggerEvent = true);

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 protected:
  DWORD StateBkColor() const override;
  LPCTSTR StateGlyph() const override;

  bool m_bSelected;
  DWORD m_dwSelectedBkColor;
  DWORD m_dwSelectedHotBkColor;
  CDuiString m_sSelectedGlyph;
};

// A progress bar from 0 to 100 that also shows its own text (for example a percentage) over
// the bar; the text is drawn in the text colour over the empty part and in the "foretextcolor"
// over the filled part.
class UILIB_API CProgressUI : public CLabelUI {
 public:
  CProgressUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  int GetValue() const;
  // Clamped to 0..100; repaints the bar.
  void SetValue(int nValue);
  DWORD GetForeColor() const;
  void SetForeColor(DWORD dwColor);

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintStatusImage(HDC hDC) override;
  void PaintText(HDC hDC) override;

 protected:
  // The filled part of the bar.
  RECT ForeRect() const;

  int m_nValue;
  DWORD m_dwForeColor;
  DWORD m_dwForeTextColor;
};

}  // namespace DuiLib
