// Hosting ActiveX controls: the control is activated in place in a child window of our own
// ("the host window") and talks to the library through its client site (ActiveXSite.h).
#include "ActiveXSite.h"

namespace DuiLib {

using internal::Is;

namespace {

const wchar_t kHostClass[] = L"DuiLibActiveXHost";

}  // namespace

// The host window keeps the control's in-place rectangle in step with its own size, and lets
// the control go when the window it lives in is destroyed.
LRESULT CALLBACK CActiveXUI::HostProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CActiveXUI* owner = reinterpret_cast<CActiveXUI*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  switch (uMsg) {
    case WM_NCCREATE: {
      const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_SIZE:
      if (owner && owner->m_pHost->object) {
        if (const auto inPlace =
                owner->m_pHost->object.query<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
          RECT rc = {0, 0, LOWORD(lParam), HIWORD(lParam)};
          inPlace->SetObjectRects(&rc, &rc);
        }
      }
      return 0;
    case WM_ERASEBKGND: {
      RECT rc = {};
      ::GetClientRect(hWnd, &rc);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rc,
                 static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      return 1;
    }
    case WM_DESTROY:
      ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
      if (owner && owner->m_pHost->window.get() == hWnd) {
        // The window we live in is going: let the control go with it, while its window
        // exists (the window is the system's to destroy now, not ours).
        owner->m_pHost->window.release();
        owner->ReleaseControl();
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

namespace {

bool RegisterHostClass(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(NULL);
    wc.hCursor = ::LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = kHostClass;
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

CActiveXUI::CActiveXUI() : m_clsid(CLSID_NULL), m_bCreated(false), m_pHost(new Host) {}

CActiveXUI::~CActiveXUI() {
  CActiveXUI::ReleaseControl();
  delete m_pHost;
}

LPCTSTR CActiveXUI::GetClass() const { return L"ActiveXUI"; }

LPVOID CActiveXUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_ACTIVEX)) return static_cast<CActiveXUI*>(this);
  return CControlUI::GetInterface(pstrName);
}

HWND CActiveXUI::GetHostWindow() const { return m_pHost->window.get(); }

bool CActiveXUI::CreateControl(const CLSID clsid) {
  m_clsid = clsid;
  if (clsid == CLSID_NULL) return false;
  // Before the control joins a window there is nothing to host it in: it is created then.
  if (!m_pManager || !m_pManager->GetPaintWindow()) return true;
  return DoCreateControl();
}

void CActiveXUI::DoInit() {
  if (m_clsid != CLSID_NULL && !m_bCreated) DoCreateControl();
}

HRESULT CActiveXUI::GetControl(const IID iid, LPVOID* ppRet) {
  if (!ppRet) return E_POINTER;
  *ppRet = NULL;
  if (!m_pHost->object) return E_PENDING;
  return m_pHost->object->QueryInterface(iid, ppRet);
}

internal::ActiveXSite* CActiveXUI::CreateSite() { return new internal::ActiveXSite(this); }
internal::ActiveXSite* CActiveXUI::Site() const { return m_pHost->site.get(); }

void CActiveXUI::OnControlCreated() {}

bool CActiveXUI::DoCreateControl() {
  ReleaseControl();
  if (!m_pManager || !m_pManager->GetPaintWindow() || m_clsid == CLSID_NULL) return false;
  if (!RegisterHostClass(HostProc)) return false;

  Host& h = *m_pHost;
  h.window.reset(::CreateWindowExW(
      0, kHostClass, NULL,
      WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (IsVisible() ? WS_VISIBLE : 0), m_rcItem.left,
      m_rcItem.top, m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top,
      m_pManager->GetPaintWindow(), NULL, ::GetModuleHandleW(NULL), this));
  if (!h.window ||
      FAILED(::CoCreateInstance(m_clsid, NULL, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IOleObject, h.object.put_void()))) {
    ReleaseControl();
    return false;
  }
  h.site = com_ptr<internal::ActiveXSite>::attach(CreateSite());
  IOleClientSite* site = h.site.get();

  DWORD misc = 0;
  h.object->GetMiscStatus(DVASPECT_CONTENT, &misc);
  if (misc & OLEMISC_SETCLIENTSITEFIRST) h.object->SetClientSite(site);
  if (const auto init = h.object.query<IPersistStreamInit>(IID_IPersistStreamInit)) init->InitNew();
  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) h.object->SetClientSite(site);

  RECT rc = {};
  ::GetClientRect(h.window.get(), &rc);
  if (FAILED(h.object->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, site, 0, h.window.get(), &rc))) {
    ReleaseControl();
    return false;
  }
  m_bCreated = true;
  OnControlCreated();
  return true;
}

void CActiveXUI::ReleaseControl() {
  Host& h = *m_pHost;
  if (h.object) {
    if (const auto inPlace = h.object.query<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
      inPlace->InPlaceDeactivate();
    }
    h.object->Close(OLECLOSE_NOSAVE);
    h.object->SetClientSite(NULL);
    h.object.reset();
  }
  if (h.site) {
    h.site->Detach();
    h.site.reset();
  }
  if (h.window) {
    ::SetWindowLongPtrW(h.window.get(), GWLP_USERDATA, 0);
    h.window.reset();
  }
  m_bCreated = false;
}

void CActiveXUI::UpdateHostWindow() {
  if (!m_pHost->window) return;
  ::SetWindowPos(m_pHost->window.get(), NULL, m_rcItem.left, m_rcItem.top,
                 m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (IsVisible() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void CActiveXUI::SetVisible(bool bVisible) {
  CControlUI::SetVisible(bVisible);
  UpdateHostWindow();
}

void CActiveXUI::SetInternVisible(bool bVisible) {
  CControlUI::SetInternVisible(bVisible);
  UpdateHostWindow();
}

void CActiveXUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  UpdateHostWindow();
}

void CActiveXUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  // The hosted control paints its own window; until it exists the background shows.
  if (!m_pHost->window) CControlUI::DoPaint(hDC, rcPaint);
}

}  // namespace DuiLib
