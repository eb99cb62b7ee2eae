// CWndMainFrm: the launcher's one main window. Its skin holds the game's browser control and
// the window buttons; it is its browser's event handler (keeping every default answer: no
// browser context menu, no 3-D border, no external object) and it ends the program only once
// the user confirms leaving in CWndExitTip.
#pragma once

#include <UIlib.h>

class CWndMainFrm : public DuiLib::WindowImplBase, public DuiLib::CWebBrowserEventHandler {
 public:
  CWndMainFrm();
  ~CWndMainFrm() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  // Builds the game address from the run settings and sends the browser there; called once,
  // right after the window is created and centred.
  void NavigateToGame();

  // Asks in the exit window whether to leave; on a confirmation ends the message loop.
  void ConfirmExit();

 protected:
  LPCTSTR GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  DuiLib::CDuiString GetSkinFolder() override;
  DuiLib::CDuiString GetSkinFile() override;
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 private:
  void ToggleStayOnTop();
  // Shows the maximise or the restore button, whichever fits the window's state.
  void FollowZoomState(bool zoomed);

  // Controls of the skin, owned by its control tree; null where the build has none.
  DuiLib::COptionUI* m_pStick;
  DuiLib::CWebBrowserUI* m_pBrowser;
  DuiLib::CControlUI* m_pCaption;
  DuiLib::CControlUI* m_pMaxButton;
  DuiLib::CControlUI* m_pRestoreButton;

  HWND m_hExitTip;  // the exit window while it asks, else null
};
