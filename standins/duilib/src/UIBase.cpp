#include "Internal.h"

namespace DuiLib {

// ---- Windows of the library on this thread -----------------------------------------------

namespace internal {

namespace {
thread_local int t_liveWindows = 0;
const wchar_t kCountedProp[] = L"DuiLib.CountedWindow";
}  // namespace

void CountWindow(HWND hWnd) {
  if (::SetPropW(hWnd, kCountedProp, reinterpret_cast<HANDLE>(1))) ++t_liveWindows;
}

void UncountWindow(HWND hWnd) {
  if (::RemovePropW(hWnd, kCountedProp) != NULL && t_liveWindows > 0) --t_liveWindows;
}

int LiveWindows() { return t_liveWindows; }

UINT AsyncNotifyMessage() {
  static const UINT msg = ::RegisterWindowMessageW(L"DuiLib.AsyncNotify");
  return msg;
}

}  // namespace internal

// ---- CWindowWnd ---------------------------------------------------------------------------

namespace {

// What a running ShowModal needs to know about its window; lives on ShowModal's stack.
struct ModalState {
  HWND owner;
  bool ownerDisabled;
  bool destroyed;
  bool codeSet;
  UINT code;
};

void EnableOwner(ModalState* state) {
  if (state->owner && state->ownerDisabled) {
    ::EnableWindow(state->owner, TRUE);
    state->ownerDisabled = false;
  }
}

}  // namespace

CWindowWnd::CWindowWnd()
    : m_hWnd(NULL), m_szCreate(), m_nCloseCode(0), m_bCloseCodeSet(false), m_pModalState(NULL) {}

CWindowWnd::~CWindowWnd() { DetachAndDestroy(); }

HWND CWindowWnd::GetHWND() const { return m_hWnd; }
CWindowWnd::operator HWND() const { return m_hWnd; }

UINT CWindowWnd::GetClassStyle() const { return 0; }

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSW wc = {};
  wc.style = GetClassStyle();
  wc.lpfnWndProc = CWindowWnd::__WndProc;
  wc.hInstance = CPaintManagerUI::GetInstance();
  wc.hCursor = ::LoadCursorW(NULL, IDC_ARROW);
  wc.hbrBackground = NULL;
  wc.lpszClassName = GetWindowClassName();
  return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x,
                        int y, int cx, int cy, HMENU hMenu) {
  if (m_hWnd && ::IsWindow(m_hWnd)) return NULL;  // one window per object
  if (!RegisterWindowClass()) return NULL;
  m_szCreate.cx = cx == CW_USEDEFAULT ? 0 : cx;
  m_szCreate.cy = cy == CW_USEDEFAULT ? 0 : cy;
  m_bCloseCodeSet = false;
  m_nCloseCode = 0;
  m_hWnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName ? pstrName : L"", dwStyle, x,
                             y, cx, cy, hwndParent, hMenu, CPaintManagerUI::GetInstance(), this);
  return m_hWnd;
}

SIZE CWindowWnd::GetCreateSize() const { return m_szCreate; }
bool CWindowWnd::IsModal() const { return m_pModalState != NULL; }

void CWindowWnd::DetachAndDestroy() {
  if (m_hWnd == NULL) return;
  HWND hWnd = m_hWnd;
  m_hWnd = NULL;
  if (!::IsWindow(hWnd)) return;
  ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
  if (m_pModalState) {
    EnableOwner(static_cast<ModalState*>(m_pModalState));
    static_cast<ModalState*>(m_pModalState)->destroyed = true;
    m_pModalState = NULL;
  }
  ::DestroyWindow(hWnd);
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
  if (!::IsWindow(m_hWnd)) return;
  ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  if (!::IsWindow(m_hWnd)) return 0;
  ModalState state = {};
  state.owner = ::GetWindow(m_hWnd, GW_OWNER);
  HWND hWnd = m_hWnd;
  m_pModalState = &state;
  ::ShowWindow(hWnd, SW_SHOWNORMAL);
  if (state.owner && ::IsWindowEnabled(state.owner)) {
    ::EnableWindow(state.owner, FALSE);
    state.ownerDisabled = true;
  }

  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg;
  while (!state.destroyed && ::IsWindow(hWnd)) {
    const BOOL got = ::GetMessageW(&msg, NULL, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got < 0) break;
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  // The window object may be gone by now (a window may delete itself when destroyed): only
  // the state on this stack is used from here on.
  if (!state.destroyed && ::IsWindow(hWnd)) {
    // The loop ended for WM_QUIT: the window stays, but is no longer modal.
    m_pModalState = NULL;
  }
  EnableOwner(&state);
  if (state.owner && ::IsWindow(state.owner)) {
    ::SetActiveWindow(state.owner);
  }
  // Whoever posted WM_QUIT meant the thread's main loop: pass it on.
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
  return state.codeSet ? state.code : 0;
}

void CWindowWnd::Close(UINT nRet) {
  if (!::IsWindow(m_hWnd)) return;
  m_nCloseCode = nRet;
  m_bCloseCodeSet = true;
  ::PostMessageW(m_hWnd, WM_CLOSE, static_cast<WPARAM>(nRet), 0L);
}

void CWindowWnd::CenterWindow() {
  if (!::IsWindow(m_hWnd)) return;
  if (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) return;
  RECT rcDlg = {};
  ::GetWindowRect(m_hWnd, &rcDlg);
  HWND hWndCenter = ::GetWindow(m_hWnd, GW_OWNER);
  HMONITOR monitor =
      ::MonitorFromWindow(hWndCenter ? hWndCenter : m_hWnd, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi = {};
  mi.cbSize = sizeof(mi);
  RECT rcArea = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (::GetMonitorInfoW(monitor, &mi)) rcArea = mi.rcWork;
  RECT rcCenter = rcArea;
  if (hWndCenter && ::IsWindowVisible(hWndCenter) && !::IsIconic(hWndCenter)) {
    ::GetWindowRect(hWndCenter, &rcCenter);
  }
  const int w = rcDlg.right - rcDlg.left, h = rcDlg.bottom - rcDlg.top;
  int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
  int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
  // Keep the window on the work area, its top-left corner first.
  if (x + w > rcArea.right) x = rcArea.right - w;
  if (y + h > rcArea.bottom) y = rcArea.bottom - h;
  if (x < rcArea.left) x = rcArea.left;
  if (y < rcArea.top) y = rcArea.top;
  ::SetWindowPos(m_hWnd, NULL, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes) {
  if (!::IsWindow(m_hWnd)) return;
  HINSTANCE inst = CPaintManagerUI::GetInstance();
  // Shared icons are freed by the system; the window only borrows them.
  HICON big = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON),
                                              ::GetSystemMetrics(SM_CYICON), LR_SHARED));
  if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  HICON small = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON),
                                                ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND /*hWnd*/) {}

LRESULT CALLBACK CWindowWnd::__WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* pThis = NULL;
  if (uMsg == WM_NCCREATE) {
    const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    pThis = static_cast<CWindowWnd*>(cs->lpCreateParams);
    if (pThis) {
      pThis->m_hWnd = hWnd;
      ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
      if (!(cs->style & WS_CHILD)) internal::CountWindow(hWnd);
    }
  } else {
    pThis = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (uMsg == WM_NCDESTROY) {
      internal::UncountWindow(hWnd);
      if (pThis != NULL) {
        const LRESULT lRes = ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0L);
        if (ModalState* state = static_cast<ModalState*>(pThis->m_pModalState)) {
          state->destroyed = true;
          state->codeSet = pThis->m_bCloseCodeSet;
          state->code = pThis->m_nCloseCode;
          EnableOwner(state);
          pThis->m_pModalState = NULL;
        }
        pThis->m_hWnd = NULL;
        pThis->OnFinalMessage(hWnd);
        return lRes;
      }
    }
  }
  if (pThis == NULL) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);

  if (uMsg == WM_CLOSE && pThis->m_pModalState) {
    // Enable the owner before the modal window goes, so that the system hands activation
    // back to it rather than to some other program. Should the window refuse to close, it
    // stays modal.
    ModalState* state = static_cast<ModalState*>(pThis->m_pModalState);
    EnableOwner(state);
    const LRESULT lRes = pThis->HandleMessage(uMsg, wParam, lParam);
    if (!state->destroyed && ::IsWindow(hWnd) && state->owner && ::IsWindowEnabled(state->owner)) {
      ::EnableWindow(state->owner, FALSE);
      state->ownerDisabled = true;
    }
    return lRes;
  }
  return pThis->HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
