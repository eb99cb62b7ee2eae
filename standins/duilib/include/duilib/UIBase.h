// Notifications, the callback interfaces and the plain window class that every skinned window
// is built on.
#pragma once

#include "UIDefine.h"
#include "UIString.h"

namespace DuiLib {

// A notification from a control to the window: "click" from a button, "windowinit" once the
// window has been laid out for the first time, and so on.
struct TNotifyUI {
  CDuiString sType;
  CControlUI* pSender;
  DWORD dwTimestamp;
  POINT ptMouse;
  WPARAM wParam;
  LPARAM lParam;
};

// Receives the notifications of a window's controls.
class UILIB_API INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees the window's messages before the controls do.
class UILIB_API IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

// Gets a chance at keyboard messages before they are translated and dispatched.
class UILIB_API ITranslateAccelerator {
 public:
  virtual LRESULT TranslateAccelerator(MSG* pMsg) = 0;
};

// Creates the controls of skin elements the library does not know itself.
class UILIB_API IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;
};

// A Win32 window owned by a C++ object: registers its class, creates the window, routes the
// window's messages to HandleMessage and runs modal loops.
class UILIB_API CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();

  HWND GetHWND() const;
  operator HWND() const;

  bool RegisterWindowClass();
  HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
              int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT,
              int cy = CW_USEDEFAULT, HMENU hMenu = NULL);

  void ShowWindow(bool bShow = true, bool bTakeFocus = true);
  // Shows the window modally: its owner is disabled, a nested message loop runs until the
  // window closes, the owner is enabled and activated again. Returns the code given to Close,
  // or 0 when the window was closed another way.
  UINT ShowModal();
  // Closes the window with a result code (the one ShowModal returns).
  void Close(UINT nRet = IDOK);
  // Centres the window over its owner, or over the work area when it has none.
  void CenterWindow();
  void SetIcon(UINT nRes);
  LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0L);

  // The size given to Create (0 where the caller left the size to the skin).
  SIZE GetCreateSize() const;
  // True while ShowModal runs for this window.
  bool IsModal() const;

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  virtual UINT GetClassStyle() const;

  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  virtual void OnFinalMessage(HWND hWnd);

  static LRESULT CALLBACK __WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  // Cuts the window loose from this object and destroys it; for destructors, which must not
  // let messages reach a half-destroyed object.
  void DetachAndDestroy();

  HWND m_hWnd;

 private:
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  SIZE m_szCreate;
  UINT m_nCloseCode;
  bool m_bCloseCodeSet;
  void* m_pModalState;  // the running ShowModal's record, while one runs
};

}  // namespace DuiLib
