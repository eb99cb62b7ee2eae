#include "Internal.h"

namespace DuiLib {

using internal::Is;

namespace {
// What the handlers that leave a message to the default handling answer.
LRESULT NotHandled(BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}
}  // namespace

WindowImplBase::WindowImplBase() {}

WindowImplBase::~WindowImplBase() {
  // The window must not outlive the object: messages would reach a half-destroyed window
  // object while its members (the control tree) are taken down.
  DetachAndDestroy();
}

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnFinalMessage(HWND /*hWnd*/) {
  m_PaintManager.RemovePreMessageFilter(this);
  m_PaintManager.RemoveNotifier(this);
  m_PaintManager.ReapObjects(m_PaintManager.GetRoot());
  m_PaintManager.Init(NULL);
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_CLICK) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == L"closebtn")
    Close();
  else if (name == L"minbtn")
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else if (name == L"maxbtn")
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  else if (name == L"restorebtn")
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
  // Escape dismisses a modal window as a cancel; a main window ignores it (closing a game
  // window on a stray key would lose the user's session).
  if (wParam == VK_ESCAPE && IsModal()) {
    Close(IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

UINT WindowImplBase::GetClassStyle() const { return CS_DBLCLKS; }
UILIB_RESOURCETYPE WindowImplBase::GetResourceType() const { return UILIB_FILE; }
CControlUI* WindowImplBase::CreateControl(LPCTSTR /*pstrClass*/) { return NULL; }

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM /*lParam*/,
                                       bool& bHandled) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE) &&
      ::GetFocus() == m_hWnd) {
    // Only keys meant for the window itself, not for a browser or other child inside it.
    const LRESULT lRes = ResponseDefaultKeyEvent(wParam);
    bHandled = lRes != FALSE;
    return lRes;
  }
  return FALSE;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (::IsIconic(m_hWnd)) bHandled = FALSE;
  return (wParam == 0) ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, BOOL& /*bHandled*/) {
  // The skin draws the whole window: the client area is the window.
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, BOOL& /*bHandled*/) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& /*bHandled*/) {
  POINT pt = {internal::LParamX(lParam), internal::LParamY(lParam)};
  ::ScreenToClient(m_hWnd, &pt);
  RECT rcClient = {};
  ::GetClientRect(m_hWnd, &rcClient);

  if (!::IsZoomed(m_hWnd)) {
    const RECT& box = m_PaintManager.GetSizeBox();
    const bool top = pt.y < rcClient.top + box.top;
    const bool bottom = pt.y >= rcClient.bottom - box.bottom;
    const bool left = pt.x < rcClient.left + box.left;
    const bool right = pt.x >= rcClient.right - box.right;
    if (top) return left ? HTTOPLEFT : (right ? HTTOPRIGHT : HTTOP);
    if (bottom) return left ? HTBOTTOMLEFT : (right ? HTBOTTOMRIGHT : HTBOTTOM);
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }

  const RECT& caption = m_PaintManager.GetCaptionRect();
  if (pt.x >= rcClient.left + caption.left && pt.x < rcClient.right - caption.right &&
      pt.y >= caption.top && pt.y < caption.bottom) {
    // Buttons (and texts, which may hold links) in the caption stay clickable; everything
    // else there drags the window.
    CControlUI* control = m_PaintManager.FindControl(pt);
    if (!control ||
        (!control->GetInterface(DUI_CTR_BUTTON) && !control->GetInterface(DUI_CTR_TEXT) &&
         !control->GetInterface(DUI_CTR_ACTIVEX))) {
      return HTCAPTION;
    }
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL& /*bHandled*/) {
  MINMAXINFO* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
  MONITORINFO mi = {};
  mi.cbSize = sizeof(mi);
  RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  RECT monitor = work;
  if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi)) {
    work = mi.rcWork;
    monitor = mi.rcMonitor;
  }
  // Without a frame, a maximised window covers exactly the work area (not the task bar).
  mmi->ptMaxPosition.x = work.left - monitor.left;
  mmi->ptMaxPosition.y = work.top - monitor.top;
  mmi->ptMaxSize.x = work.right - work.left;
  mmi->ptMaxSize.y = work.bottom - work.top;
  const SIZE maxInfo = m_PaintManager.GetMaxInfo();
  const SIZE minInfo = m_PaintManager.GetMinInfo();
  mmi->ptMaxTrackSize.x = maxInfo.cx > 0 ? maxInfo.cx : mmi->ptMaxSize.x;
  mmi->ptMaxTrackSize.y = maxInfo.cy > 0 ? maxInfo.cy : mmi->ptMaxSize.y;
  if (maxInfo.cx > 0 && maxInfo.cx < mmi->ptMaxSize.x) mmi->ptMaxSize.x = maxInfo.cx;
  if (maxInfo.cy > 0 && maxInfo.cy < mmi->ptMaxSize.y) mmi->ptMaxSize.y = maxInfo.cy;
  mmi->ptMinTrackSize.x = minInfo.cx;
  mmi->ptMinTrackSize.y = minInfo.cy;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (wParam == SC_CLOSE) {
    bHandled = TRUE;
    SendMessage(WM_CLOSE);
    return 0;
  }
  const BOOL zoomed = ::IsZoomed(m_hWnd);
  const LRESULT lRes = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  if (::IsWindow(m_hWnd) && ::IsZoomed(m_hWnd) != zoomed) {
    // The library's standard window buttons follow the state.
    CControlUI* maxBtn = m_PaintManager.FindControl(L"maxbtn");
    CControlUI* restoreBtn = m_PaintManager.FindControl(L"restorebtn");
    if (maxBtn) maxBtn->SetVisible(zoomed != FALSE);
    if (restoreBtn) restoreBtn->SetVisible(zoomed == FALSE);
  }
  return lRes;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL& /*bHandled*/) {
  const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  ::SetWindowPos(m_hWnd, NULL, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddPreMessageFilter(this);

  CDialogBuilder builder;
  CControlUI* root = NULL;
  if (GetResourceType() == UILIB_FILE) {
    root = builder.Create(GetSkinFolder() + GetSkinFile(), this, &m_PaintManager);
  }
  if (!root) {
    // Without its controls the window can't work (the program relies on every control it
    // names): say why and fail the creation instead of showing a broken window.
    CDuiString location = builder.GetLastErrorLocation();
    if (location.IsEmpty())
      location = CPaintManagerUI::GetResourcePath() + GetSkinFolder() + GetSkinFile();
    const CDuiString reason = GetResourceType() == UILIB_FILE ? builder.GetLastErrorMessage()
                                                              : L"此版本只能从文件读取界面";
    CDuiString text;
    text.Format(L"无法加载界面文件：\n%s\n\n%s", location.GetData(), reason.GetData());
    ::MessageBoxW(::GetWindow(m_hWnd, GW_OWNER), text, L"界面加载失败", MB_OK | MB_ICONERROR);
    return -1;
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.AddNotifier(this);

  // A window created without a size takes the skin's size.
  const SIZE created = GetCreateSize();
  const SIZE skin = m_PaintManager.GetInitSize();
  RECT rc = {};
  ::GetWindowRect(m_hWnd, &rc);
  int cx = created.cx > 0 ? created.cx : skin.cx;
  int cy = created.cy > 0 ? created.cy : skin.cy;
  if (cx <= 0) cx = 400;
  if (cy <= 0) cy = 300;
  if (cx != rc.right - rc.left || cy != rc.bottom - rc.top) {
    ::SetWindowPos(m_hWnd, NULL, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  typedef LRESULT (WindowImplBase::*Handler)(UINT, WPARAM, LPARAM, BOOL&);
  static const struct {
    UINT message;
    Handler handler;
  } kHandlers[] = {
      {WM_CREATE, &WindowImplBase::OnCreate},
      {WM_CLOSE, &WindowImplBase::OnClose},
      {WM_DESTROY, &WindowImplBase::OnDestroy},
      {WM_NCACTIVATE, &WindowImplBase::OnNcActivate},
      {WM_NCCALCSIZE, &WindowImplBase::OnNcCalcSize},
      {WM_NCPAINT, &WindowImplBase::OnNcPaint},
      {WM_NCHITTEST, &WindowImplBase::OnNcHitTest},
      {WM_GETMINMAXINFO, &WindowImplBase::OnGetMinMaxInfo},
      {WM_MOUSEWHEEL, &WindowImplBase::OnMouseWheel},
      {WM_SIZE, &WindowImplBase::OnSize},
      {WM_CHAR, &WindowImplBase::OnChar},
      {WM_SYSCOMMAND, &WindowImplBase::OnSysCommand},
      {WM_KEYDOWN, &WindowImplBase::OnKeyDown},
      {WM_KILLFOCUS, &WindowImplBase::OnKillFocus},
      {WM_SETFOCUS, &WindowImplBase::OnSetFocus},
      {WM_LBUTTONUP, &WindowImplBase::OnLButtonUp},
      {WM_LBUTTONDOWN, &WindowImplBase::OnLButtonDown},
      {WM_MOUSEMOVE, &WindowImplBase::OnMouseMove},
      {WM_MOUSEHOVER, &WindowImplBase::OnMouseHover},
  };
  LRESULT lRes = 0;
  BOOL bHandled = FALSE;
  for (const auto& entry : kHandlers) {
    if (entry.message != uMsg) continue;
    bHandled = TRUE;
    lRes = (this->*entry.handler)(uMsg, wParam, lParam, bHandled);
    break;
  }
  if (bHandled) return lRes;
  lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
  if (bHandled) return lRes;
  if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  return NotHandled(bHandled);
}

LONG WindowImplBase::GetStyle() { return ::GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_CAPTION; }

}  // namespace DuiLib
