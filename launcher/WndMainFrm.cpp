#include "WndMainFrm.h"

#include <time.h>

#include <new>

#include "ThisLauncher.h"
#include "WndExitTip.h"

using namespace DuiLib;

namespace {

// The control of that name if the skin gives it the expected type (interface name), else null.
template <typename T>
T* FindTyped(CPaintManagerUI& manager, const wchar_t* name, const wchar_t* interfaceName) {
  if (name == NULL) return NULL;
  CControlUI* control = manager.FindControl(name);
  return control ? static_cast<T*>(control->GetInterface(interfaceName)) : NULL;
}

}  // namespace

CWndMainFrm::CWndMainFrm()
    : m_pStick(NULL),
      m_pBrowser(NULL),
      m_pCaption(NULL),
      m_pMaxButton(NULL),
      m_pRestoreButton(NULL),
      m_hExitTip(NULL) {}

// The handler part of this object is destroyed before the window base, which takes the
// browser down with it: the browser must not call into it meanwhile.
CWndMainFrm::~CWndMainFrm() {
  if (m_pBrowser) m_pBrowser->SetWebBrowserEventHandler(NULL);
}

LPCTSTR CWndMainFrm::GetWindowClassName() const { return L"MainFrmWnd"; }

UINT CWndMainFrm::GetClassStyle() const { return CS_DBLCLKS; }

CDuiString CWndMainFrm::GetSkinFolder() { return L"skin\\"; }

CDuiString CWndMainFrm::GetSkinFile() { return ThisLauncher().mainSkin; }

void CWndMainFrm::InitWindow() {
  const LauncherBuild& build = ThisLauncher();
  SetIcon(launcher::kIconId);
  ::SetWindowTextW(m_hWnd, launcher::kCaption);

  m_pStick = FindTyped<COptionUI>(m_PaintManager, build.stickButton, DUI_CTR_OPTION);
  m_pMaxButton = FindTyped<CControlUI>(m_PaintManager, build.maximizeButton, DUI_CTR_CONTROL);
  m_pRestoreButton = FindTyped<CControlUI>(m_PaintManager, build.restoreButton, DUI_CTR_CONTROL);
  m_pBrowser = FindTyped<CWebBrowserUI>(m_PaintManager, build.browserName, DUI_CTR_WEBBROWSER);
  m_pCaption = FindTyped<CControlUI>(m_PaintManager, build.captionLabel, DUI_CTR_CONTROL);

  if (m_pBrowser) m_pBrowser->SetWebBrowserEventHandler(this);
  if (m_pCaption) m_pCaption->SetText(launcher::kCaptionMarkup);
}

void CWndMainFrm::NavigateToGame() {
  const LauncherBuild& build = ThisLauncher();
  const Utf16String address = BuildGameAddress(
      build.address, launcherSettings.baseAddress, launcherSettings.userId,
      launcherSettings.password, build.address.suffixTakesSeconds ? _time64(NULL) : 0);
  // The control tree owns the browser control; no reference of it is ours to release.
  if (m_pBrowser) m_pBrowser->Navigate2(address.c_str());
}

void CWndMainFrm::Notify(TNotifyUI& msg) {
  if (msg.sType != DUI_MSGTYPE_CLICK || msg.pSender == NULL) return;
  const LauncherBuild& build = ThisLauncher();
  const CDuiString name = msg.pSender->GetName();
  const auto is = [&name](const wchar_t* buttonName) {
    return buttonName != NULL && name == buttonName;
  };
  if (is(build.minimizeButton)) {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (is(build.stickButton)) {
    ToggleStayOnTop();
  } else if (is(build.maximizeButton)) {
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (is(build.restoreButton)) {
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (is(build.closeButton)) {
    ConfirmExit();
  }
}

void CWndMainFrm::ToggleStayOnTop() {
  if (m_pStick == NULL) return;
  // The option announces the click before it flips: the state read here is the one the user
  // clicked on, so turning it on puts the window on top and turning it off takes it off.
  const HWND insertAfter = m_pStick->IsSelected() ? HWND_NOTOPMOST : HWND_TOPMOST;
  // Only the z-order changes: the window keeps its place, its size and the activation.
  ::SetWindowPos(m_hWnd, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CWndMainFrm::ConfirmExit() {
  if (m_hExitTip != NULL) {
    // Already asking (a second close request while the question is up): show the question.
    ::SetForegroundWindow(m_hExitTip);
    return;
  }
  // The question belongs over the game, not over a button on the task bar. Restored as the
  // system menu would, so that pellam's window buttons follow.
  if (::IsIconic(m_hWnd)) SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);

  UINT code = 0;
  CWndExitTip* tip = new (std::nothrow) CWndExitTip();
  if (tip != NULL) {
    if (tip->Create(m_hWnd, L"", launcher::kDialogStyle, launcher::kExitExStyle, 0, 0, 0, 0,
                    NULL) != NULL) {
      m_hExitTip = tip->GetHWND();
      tip->CenterWindow();
      code = tip->ShowModal();
      m_hExitTip = NULL;
    } else {
      // The exit window's skin could not be loaded (the library has said so): ask plainly
      // rather than leave the user with a game window that can never be closed.
      code = ::MessageBoxW(m_hWnd, L"确定要退出游戏吗？", launcher::kCaption,
                           MB_YESNO | MB_ICONQUESTION) == IDYES
                 ? launcher::kExitConfirmed
                 : launcher::kExitCancelled;
    }
    delete tip;
  }
  if (code == static_cast<UINT>(launcher::kExitConfirmed)) ::PostQuitMessage(0);
}

LRESULT CWndMainFrm::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  // Nothing closes the game window behind the user's back: Alt+F4, the system menu, the task
  // bar or another program asking it to close all lead to the same question as the close
  // button (pellam swallows the system's close command before it gets here).
  bHandled = TRUE;
  ConfirmExit();
  return 0;
}

LRESULT CWndMainFrm::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (!ThisLauncher().ignoreSystemClose) {
    return WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
  }
  // The low four bits of the command are the system's own.
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    bHandled = TRUE;
    return 0;
  }
  const bool wasZoomed = ::IsZoomed(m_hWnd) != FALSE;
  const LRESULT lRes = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  if (::IsWindow(m_hWnd)) {
    const bool zoomed = ::IsZoomed(m_hWnd) != FALSE;
    if (zoomed != wasZoomed) FollowZoomState(zoomed);
  }
  return lRes;
}

void CWndMainFrm::FollowZoomState(bool zoomed) {
  const LauncherBuild& build = ThisLauncher();
  // Looked up again now: a skin may lack either button.
  CControlUI* maxButton =
      build.maximizeButton ? m_PaintManager.FindControl(build.maximizeButton) : NULL;
  CControlUI* restoreButton =
      build.restoreButton ? m_PaintManager.FindControl(build.restoreButton) : NULL;
  if (maxButton) maxButton->SetVisible(!zoomed);
  if (restoreButton) restoreButton->SetVisible(zoomed);
}
