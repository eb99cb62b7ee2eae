// The paint manager: one per skinned window. It owns the window's control tree, fonts and
// skin settings, lays the controls out, paints them double-buffered, turns mouse input into
// control events and delivers notifications. Its static part holds the process-wide settings
// (module instance, resource path) and runs the message loop.
#pragma once

#include "UIBase.h"

namespace DuiLib {

class UILIB_API CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();

  // ---- The window ---------------------------------------------------------------------
  // Attaches the manager to its window (null: detaches it).
  void Init(HWND hWnd);
  HWND GetPaintWindow() const;
  // A memory device context for measuring text.
  HDC GetPaintDC() const;

  // Skin-level window settings (the skin's <Window> element).
  SIZE GetInitSize();
  void SetInitSize(int cx, int cy);
  RECT& GetSizeBox();
  void SetSizeBox(RECT& rcSizeBox);
  RECT& GetCaptionRect();
  void SetCaptionRect(RECT& rcCaption);
  SIZE GetMinInfo() const;
  void SetMinInfo(int cx, int cy);
  SIZE GetMaxInfo() const;
  void SetMaxInfo(int cx, int cy);

  // ---- Process-wide settings ----------------------------------------------------------
  static HINSTANCE GetInstance();
  // Folder of the module given to SetInstance (the program), ending in a backslash.
  static CDuiString GetInstancePath();
  // Folder that skin folders are looked up in, ending in a backslash.
  static const CDuiString& GetResourcePath();
  static void SetInstance(HINSTANCE hInst);
  static void SetResourcePath(LPCTSTR pStrPath);

  // ---- Fonts --------------------------------------------------------------------------
  // Adds a font under an id; a face the system lacks falls back to an installed Chinese UI
  // font. Returns the font, or null when the id is negative.
  HFONT AddFont(int id, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
  // The font of that id, or the default font.
  HFONT GetFont(int id);
  // The default font: the one added with default="true", else the built-in UI font.
  void SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
  // The bold variant of a font (the font itself when it is bold already), cached for the
  // manager's life.
  HFONT GetBoldFont(HFONT hBase);

  // ---- Controls -----------------------------------------------------------------------
  bool AttachDialog(CControlUI* pControl);
  bool InitControls(CControlUI* pControl, CControlUI* pParent = NULL);
  // Forgets every reference to a control (and its children) that is leaving the window.
  void ReapObjects(CControlUI* pControl);
  CControlUI* GetRoot() const;
  CControlUI* FindControl(POINT pt) const;
  CControlUI* FindControl(LPCTSTR pstrName) const;

  CControlUI* GetFocus() const;
  void SetFocus(CControlUI* pControl);
  void SetCapture();
  void ReleaseCapture();

  // ---- Layout and painting ------------------------------------------------------------
  void NeedUpdate();
  void Invalidate(RECT& rcItem);
  // Lays the controls out now if anything asked for it (normally done before painting).
  void UpdateLayout();

  // ---- Notifications and messages -----------------------------------------------------
  bool AddNotifier(INotifyUI* pControl);
  bool RemoveNotifier(INotifyUI* pControl);
  void SendNotify(TNotifyUI& Msg, bool bAsync = false);
  void SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0,
                  bool bAsync = false);

  bool AddPreMessageFilter(IMessageFilterUI* pFilter);
  bool RemovePreMessageFilter(IMessageFilterUI* pFilter);
  bool AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);
  bool RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);
  bool TranslateAccelerator(LPMSG pMsg);

  bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

  // Runs the thread's message loop until WM_QUIT, or until the last window that this
  // library created on the thread is gone (nothing could end the loop after that).
  static void MessageLoop();
  // Gives the managers of the message's window and of its parents the keys and the
  // pre-translation filters; true when one of them took the message.
  static bool TranslateMessage(const LPMSG pMsg);
  // Releases what the library holds for the thread; called once after the message loop.
  static void Term();

 private:
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  struct Impl;
  Impl* m_pImpl;
  friend struct Impl;
};

}  // namespace DuiLib
