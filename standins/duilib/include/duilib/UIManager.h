// The paint manager: one per skinned window. It owns the window's control tree, fonts and
// skin settings, lays the controls out, paints them double-buffered, turns mouse input into
// control events and delivers notifications. Its static part holds the process-wide settings
// (module instance, resource path) and runs the message loop.
#pragma once

#include "UIBase.h"

namespace DuiLib {

struct TFontInfo {
  HFONT hFont;
  CDuiString sFontName;  // the face actually used (after falling back)
  int iSize;             // pixel height
  bool bBold;
  bool bUnderline;
  bool bItalic;
  TEXTMETRIC tm;
};

class UILIB_API CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();

  // ---- The window ---------------------------------------------------------------------
  void Init(HWND hWnd);
  HWND GetPaintWindow() const;
  HDC GetPaintDC() const;
  POINT GetMousePos() const;
  SIZE GetClientSize() const;

  // Skin-level window settings (the skin's <Window> element).
  SIZE GetInitSize();
  void SetInitSize(int cx, int cy);
  RECT& GetSizeBox();
  void SetSizeBox(RECT& rcSizeBox);
  RECT& GetCaptionRect();
  void SetCaptionRect(RECT& rcCaption);
  SIZE GetRoundCorner() const;
  void SetRoundCorner(int cx, int cy);
  SIZE GetMinInfo() const;
  void SetMinInfo(int cx, int cy);
  SIZE GetMaxInfo() const;
  void SetMaxInfo(int cx, int cy);
  // Folder of this window's skin file, ending in a backslash: images that the skin names are
  // looked up there.
  CDuiString GetResourceFolder() const;
  void SetResourceFolder(LPCTSTR pStrPath);

  // ---- Process-wide settings ----------------------------------------------------------
  static HINSTANCE GetInstance();
  // Folder of the module given to SetInstance (the program), ending in a backslash.
  static CDuiString GetInstancePath();
  static CDuiString GetCurrentPath();
  static HINSTANCE GetResourceDll();
  // Folder that skin folders are looked up in, ending in a backslash.
  static const CDuiString& GetResourcePath();
  static void SetInstance(HINSTANCE hInst);
  static void SetCurrentPath(LPCTSTR pStrPath);
  static void SetResourceDll(HINSTANCE hInst);
  static void SetResourcePath(LPCTSTR pStrPath);

  // ---- Fonts --------------------------------------------------------------------------
  // Adds a font under an id; a face the system lacks falls back to an installed Chinese UI
  // font. Returns the font, or null when the id is negative.
  HFONT AddFont(int id, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
  HFONT GetFont(int id);
  TFontInfo* GetFontInfo(int id);
  // The default font: the one added with default="true", else the built-in UI font.
  void SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
  TFontInfo* GetDefaultFontInfo();
  // A variant of a font with extra bold/italic/underline, cached for the manager's life.
  HFONT GetFontVariant(HFONT hBase, bool bBold, bool bItalic, bool bUnderline);

  // A BMP image of the skin (a file name below the skin's folder, optionally written as
  // file='name'), loaded once and kept for the manager's life; null when it can't be read.
  HBITMAP GetImage(LPCTSTR bitmap);

  // Attribute lists applied to every control of a class before its own attributes.
  void AddDefaultAttributeList(LPCTSTR pStrControlName, LPCTSTR pStrControlAttrList);
  LPCTSTR GetDefaultAttributeList(LPCTSTR pStrControlName) const;

  // ---- Controls -----------------------------------------------------------------------
  bool AttachDialog(CControlUI* pControl);
  bool InitControls(CControlUI* pControl, CControlUI* pParent = NULL);
  void ReapObjects(CControlUI* pControl);
  CControlUI* GetRoot() const;
  CControlUI* FindControl(POINT pt) const;
  CControlUI* FindControl(LPCTSTR pstrName) const;
  CControlUI* FindSubControlByPoint(CControlUI* pParent, POINT pt) const;
  CControlUI* FindSubControlByName(CControlUI* pParent, LPCTSTR pstrName) const;

  // Option groups: options with the same group name are selected one at a time.
  bool AddOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl);
  CDuiPtrArray* GetOptionGroup(LPCTSTR pStrGroupName);
  void RemoveOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl);

  CControlUI* GetFocus() const;
  void SetFocus(CControlUI* pControl);
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured();

  // ---- Layout and painting ------------------------------------------------------------
  bool IsUpdateNeeded() const;
  void NeedUpdate();
  void Invalidate();
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
  bool AddMessageFilter(IMessageFilterUI* pFilter);
  bool RemoveMessageFilter(IMessageFilterUI* pFilter);
  bool AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);
  bool RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);
  bool TranslateAccelerator(LPMSG pMsg);

  bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

  // Runs the thread's message loop until WM_QUIT, or until the last window that this
  // library created on the thread is gone (nothing could end the loop after that).
  static void MessageLoop();
  static bool TranslateMessage(const LPMSG pMsg);
  // Releases what the library holds for the process; called once after the message loop.
  static void Term();

 private:
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  struct Impl;
  Impl* m_pImpl;
  friend struct Impl;
};

}  // namespace DuiLib
