// Hosting ActiveX controls: a client site and in-place frame for the control, and a child
// window of our own ("the host window") that the control is activated in.
#include "Internal.h"

namespace DuiLib {

using internal::Is;

namespace {

const wchar_t kHostClass[] = L"DuiLibActiveXHost";

}  // namespace

// The client site of one hosted control. COM reference counted; the control UI holds one
// reference and cuts the link (m_pOwner) when it lets the control go, so a control that
// keeps its site longer only ever sees "nothing there".
class CActiveXCtrl : public IOleClientSite,
                     public IOleInPlaceSite,
                     public IOleInPlaceFrame,
                     public IOleControlSite,
                     public IDispatch {
 public:
  explicit CActiveXCtrl(CActiveXUI* owner) : m_pOwner(owner) {}

  void Detach() {
    m_pOwner = NULL;
    if (m_pInPlaceObject) {
      m_pInPlaceObject->Release();
      m_pInPlaceObject = NULL;
    }
    if (m_pActiveObject) {
      m_pActiveObject->Release();
      m_pActiveObject = NULL;
    }
  }

  IOleInPlaceObject* InPlaceObject() const { return m_pInPlaceObject; }
  IOleInPlaceActiveObject* ActiveObject() const { return m_pActiveObject; }
  HWND Host() const { return m_pOwner ? m_pOwner->m_hwndHost : NULL; }

  // ---- IUnknown -----------------------------------------------------------------------
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = NULL;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *ppv = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
      *ppv = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow) {
      *ppv = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IOleControlSite) {
      *ppv = static_cast<IOleControlSite*>(this);
    } else if (riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
    } else if (m_pOwner) {
      // Further interfaces (a browser's document host...) come from the control UI.
      return m_pOwner->QueryHostInterface(riid, ppv);
    }
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
  STDMETHOD_(ULONG, Release)() override {
    const LONG left = InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // ---- IOleClientSite -----------------------------------------------------------------
  STDMETHOD(SaveObject)() override { return E_NOTIMPL; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** ppmk) override {
    if (ppmk) *ppmk = NULL;
    return E_NOTIMPL;
  }
  STDMETHOD(GetContainer)(IOleContainer** ppContainer) override {
    if (ppContainer) *ppContainer = NULL;
    return E_NOINTERFACE;
  }
  STDMETHOD(ShowObject)() override { return S_OK; }
  STDMETHOD(OnShowWindow)(BOOL) override { return S_OK; }
  STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }

  // ---- IOleWindow (shared by the site and the frame) -----------------------------------
  STDMETHOD(GetWindow)(HWND* phwnd) override {
    if (!phwnd) return E_POINTER;
    *phwnd = Host();
    return *phwnd ? S_OK : E_FAIL;
  }
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return S_OK; }

  // ---- IOleInPlaceSite ----------------------------------------------------------------
  STDMETHOD(CanInPlaceActivate)() override { return Host() ? S_OK : S_FALSE; }
  STDMETHOD(OnInPlaceActivate)() override {
    if (!m_pOwner || !m_pOwner->m_pUnk) return E_UNEXPECTED;
    if (!m_pInPlaceObject) {
      m_pOwner->m_pUnk->QueryInterface(IID_IOleInPlaceObject,
                                       reinterpret_cast<void**>(&m_pInPlaceObject));
    }
    return S_OK;
  }
  STDMETHOD(OnUIActivate)() override { return S_OK; }
  STDMETHOD(GetWindowContext)
  (IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect, LPRECT lprcClipRect,
   LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
    if (ppFrame) {
      *ppFrame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (ppDoc) *ppDoc = NULL;
    RECT rc = {};
    if (HWND host = Host()) ::GetClientRect(host, &rc);
    if (lprcPosRect) *lprcPosRect = rc;
    if (lprcClipRect) *lprcClipRect = rc;
    if (lpFrameInfo) {
      lpFrameInfo->fMDIApp = FALSE;
      lpFrameInfo->hwndFrame =
          m_pOwner && m_pOwner->GetManager() ? m_pOwner->GetManager()->GetPaintWindow() : NULL;
      lpFrameInfo->haccel = NULL;
      lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
  STDMETHOD(OnUIDeactivate)(BOOL) override { return S_OK; }
  STDMETHOD(OnInPlaceDeactivate)() override {
    if (m_pInPlaceObject) {
      m_pInPlaceObject->Release();
      m_pInPlaceObject = NULL;
    }
    return S_OK;
  }
  STDMETHOD(DiscardUndoState)() override { return S_OK; }
  STDMETHOD(DeactivateAndUndo)() override { return S_OK; }
  STDMETHOD(OnPosRectChange)(LPCRECT lprcPosRect) override {
    if (m_pInPlaceObject && lprcPosRect) m_pInPlaceObject->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
  }

  // ---- IOleInPlaceUIWindow / IOleInPlaceFrame -----------------------------------------
  STDMETHOD(GetBorder)(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override {
    if (pActiveObject) pActiveObject->AddRef();
    if (m_pActiveObject) m_pActiveObject->Release();
    m_pActiveObject = pActiveObject;
    return S_OK;
  }
  STDMETHOD(InsertMenus)(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHOD(SetMenu)(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHOD(RemoveMenus)(HMENU) override { return S_OK; }
  STDMETHOD(SetStatusText)(LPCOLESTR) override { return S_OK; }
  STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }
  STDMETHOD(TranslateAccelerator)(LPMSG, WORD) override { return S_FALSE; }

  // ---- IOleControlSite ----------------------------------------------------------------
  STDMETHOD(OnControlInfoChanged)() override { return S_OK; }
  STDMETHOD(LockInPlaceActive)(BOOL) override { return S_OK; }
  STDMETHOD(GetExtendedControl)(IDispatch** ppDisp) override {
    if (ppDisp) *ppDisp = NULL;
    return E_NOTIMPL;
  }
  STDMETHOD(TransformCoords)(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override {
    if (!pPtlHimetric || !pPtfContainer) return E_POINTER;
    // HIMETRIC (0.01 mm) and pixels at the screen's resolution.
    HDC screen = ::GetDC(NULL);
    const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX),
              dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(NULL, screen);
    if (dwFlags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      pPtfContainer->x = static_cast<float>(pPtlHimetric->x) * dpiX / 2540.0f;
      pPtfContainer->y = static_cast<float>(pPtlHimetric->y) * dpiY / 2540.0f;
    } else if (dwFlags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
      pPtlHimetric->x = static_cast<LONG>(pPtfContainer->x * 2540.0f / dpiX);
      pPtlHimetric->y = static_cast<LONG>(pPtfContainer->y * 2540.0f / dpiY);
    }
    return S_OK;
  }
  STDMETHOD(TranslateAccelerator)(MSG*, DWORD) override { return S_FALSE; }
  STDMETHOD(OnFocus)(BOOL) override { return S_OK; }
  STDMETHOD(ShowPropertyFrame)() override { return E_NOTIMPL; }

  // ---- IDispatch: ambient properties --------------------------------------------------
  STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override {
    if (pctinfo) *pctinfo = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo) *ppTInfo = NULL;
    return E_NOTIMPL;
  }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)
  (DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*,
   UINT*) override {
    if (dispIdMember == DISPID_AMBIENT_USERMODE && pVarResult) {
      // The control runs for a user, not in a form designer.
      ::VariantInit(pVarResult);
      pVarResult->vt = VT_BOOL;
      pVarResult->boolVal = VARIANT_TRUE;
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  virtual ~CActiveXCtrl() {}

  LONG m_refs = 1;
  CActiveXUI* m_pOwner;
  IOleInPlaceObject* m_pInPlaceObject = NULL;
  IOleInPlaceActiveObject* m_pActiveObject = NULL;
};

namespace {

// The host window keeps the control's in-place rectangle in step with its own size, and lets
// the control go when the window it lives in is destroyed.
LRESULT CALLBACK HostProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CActiveXUI* owner = reinterpret_cast<CActiveXUI*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  switch (uMsg) {
    case WM_NCCREATE: {
      const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_SIZE:
      if (owner) {
        IOleInPlaceObject* inPlace = NULL;
        if (SUCCEEDED(
                owner->GetControl(IID_IOleInPlaceObject, reinterpret_cast<LPVOID*>(&inPlace)))) {
          RECT rc = {0, 0, LOWORD(lParam), HIWORD(lParam)};
          inPlace->SetObjectRects(&rc, &rc);
          inPlace->Release();
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
      if (owner) {
        bool handled = false;
        owner->MessageHandler(WM_DESTROY, reinterpret_cast<WPARAM>(hWnd), 0, handled);
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

bool RegisterHostClass() {
  static const bool registered = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleW(NULL);
    wc.hCursor = ::LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = kHostClass;
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

// ---- CActiveXUI -------------------------------------------------------------------------------

CActiveXUI::CActiveXUI()
    : m_clsid(CLSID_NULL),
      m_bCreated(false),
      m_bDelayCreate(false),
      m_pUnk(NULL),
      m_pControl(NULL),
      m_hwndHost(NULL) {}

CActiveXUI::~CActiveXUI() { CActiveXUI::ReleaseControl(); }

LPCTSTR CActiveXUI::GetClass() const { return L"ActiveXUI"; }

LPVOID CActiveXUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_ACTIVEX)) return static_cast<CActiveXUI*>(this);
  return CControlUI::GetInterface(pstrName);
}

HWND CActiveXUI::GetHostWindow() const { return m_hwndHost; }
bool CActiveXUI::IsDelayCreate() const { return m_bDelayCreate; }
void CActiveXUI::SetDelayCreate(bool bDelayCreate) { m_bDelayCreate = bDelayCreate; }
CLSID CActiveXUI::GetClisd() const { return m_clsid; }
CDuiString CActiveXUI::GetModuleName() const { return m_sModuleName; }
void CActiveXUI::SetModuleName(LPCTSTR pszModuleName) { m_sModuleName = pszModuleName; }

bool CActiveXUI::CreateControl(LPCTSTR pstrCLSID) {
  if (!pstrCLSID) return false;
  CLSID clsid = CLSID_NULL;
  wchar_t buffer[128];
  wcsncpy_s(buffer, pstrCLSID, _TRUNCATE);
  // Either a "{...}" class id or a program id such as "Shell.Explorer.2".
  if (buffer[0] == L'{') {
    if (FAILED(::CLSIDFromString(buffer, &clsid))) return false;
  } else if (FAILED(::CLSIDFromProgID(buffer, &clsid))) {
    return false;
  }
  return CreateControl(clsid);
}

bool CActiveXUI::CreateControl(const CLSID clsid) {
  m_clsid = clsid;
  if (clsid == CLSID_NULL) return false;
  // Before the control joins a window there is nothing to host it in: it is created then.
  if (!m_pManager || !m_pManager->GetPaintWindow()) return true;
  return DoCreateControl();
}

void CActiveXUI::DoInit() {
  // A delayed control is created when it is first laid out.
  if (m_clsid != CLSID_NULL && !m_bCreated && !m_bDelayCreate) DoCreateControl();
}

HRESULT CActiveXUI::GetControl(const IID iid, LPVOID* ppRet) {
  if (!ppRet) return E_POINTER;
  *ppRet = NULL;
  if (!m_pUnk) return E_PENDING;
  return m_pUnk->QueryInterface(iid, ppRet);
}

HRESULT CActiveXUI::QueryHostInterface(REFIID, void** ppvObject) {
  if (ppvObject) *ppvObject = NULL;
  return E_NOINTERFACE;
}

void CActiveXUI::OnControlCreated() {}

bool CActiveXUI::DoCreateControl() {
  ReleaseControl();
  if (!m_pManager || !m_pManager->GetPaintWindow() || m_clsid == CLSID_NULL) return false;
  if (!RegisterHostClass()) return false;

  HWND parent = m_pManager->GetPaintWindow();
  m_hwndHost = ::CreateWindowExW(
      0, kHostClass, NULL,
      WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (IsVisible() ? WS_VISIBLE : 0), m_rcItem.left,
      m_rcItem.top, m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top, parent, NULL,
      ::GetModuleHandleW(NULL), this);
  if (!m_hwndHost) return false;

  IOleObject* object = NULL;
  HRESULT hr = E_FAIL;
  if (!m_sModuleName.IsEmpty()) {
    // A control shipped beside the program, used without registration.
    typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, LPVOID*);
    HMODULE module = ::LoadLibraryW(m_sModuleName);
    GetClassObjectFn getClassObject =
        module ? reinterpret_cast<GetClassObjectFn>(
                     reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")))
               : NULL;
    IClassFactory* factory = NULL;
    if (getClassObject && SUCCEEDED(getClassObject(m_clsid, IID_IClassFactory,
                                                   reinterpret_cast<LPVOID*>(&factory)))) {
      hr = factory->CreateInstance(NULL, IID_IOleObject, reinterpret_cast<LPVOID*>(&object));
      factory->Release();
    }
  } else {
    hr = ::CoCreateInstance(m_clsid, NULL, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_IOleObject, reinterpret_cast<LPVOID*>(&object));
  }
  if (FAILED(hr) || !object) {
    ReleaseControl();
    return false;
  }
  m_pUnk = object;
  m_pControl = new CActiveXCtrl(this);
  IOleClientSite* site = static_cast<IOleClientSite*>(m_pControl);

  DWORD misc = 0;
  m_pUnk->GetMiscStatus(DVASPECT_CONTENT, &misc);
  if (misc & OLEMISC_SETCLIENTSITEFIRST) m_pUnk->SetClientSite(site);
  IPersistStreamInit* init = NULL;
  if (SUCCEEDED(m_pUnk->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<LPVOID*>(&init)))) {
    init->InitNew();
    init->Release();
  }
  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) m_pUnk->SetClientSite(site);

  RECT rc = {};
  ::GetClientRect(m_hwndHost, &rc);
  hr = m_pUnk->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, site, 0, m_hwndHost, &rc);
  if (FAILED(hr)) {
    ReleaseControl();
    return false;
  }
  m_bCreated = true;
  OnControlCreated();
  return true;
}

void CActiveXUI::ReleaseControl() {
  if (m_pUnk) {
    IOleInPlaceObject* inPlace = NULL;
    if (SUCCEEDED(
            m_pUnk->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<LPVOID*>(&inPlace)))) {
      inPlace->InPlaceDeactivate();
      inPlace->Release();
    }
    m_pUnk->Close(OLECLOSE_NOSAVE);
    m_pUnk->SetClientSite(NULL);
    m_pUnk->Release();
    m_pUnk = NULL;
  }
  if (m_pControl) {
    m_pControl->Detach();
    m_pControl->Release();
    m_pControl = NULL;
  }
  if (m_hwndHost) {
    HWND host = m_hwndHost;
    m_hwndHost = NULL;
    if (::IsWindow(host)) {
      ::SetWindowLongPtrW(host, GWLP_USERDATA, 0);
      ::DestroyWindow(host);
    }
  }
  m_bCreated = false;
}

void CActiveXUI::UpdateHostWindow() {
  if (!m_hwndHost) return;
  ::SetWindowPos(m_hwndHost, NULL, m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                 m_rcItem.bottom - m_rcItem.top,
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
  if (!m_bCreated && m_bDelayCreate && m_clsid != CLSID_NULL) DoCreateControl();
  UpdateHostWindow();
}

void CActiveXUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  // The hosted control paints its own window; until it exists the background shows.
  if (!m_hwndHost) CControlUI::DoPaint(hDC, rcPaint);
}

void CActiveXUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"clsid")) {
    CreateControl(pstrValue);
  } else if (Is(pstrName, L"modulename")) {
    SetModuleName(pstrValue);
  } else if (Is(pstrName, L"delaycreate")) {
    SetDelayCreate(internal::IsTrue(pstrValue));
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
}

LRESULT CActiveXUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM /*lParam*/, bool& bHandled) {
  bHandled = false;
  if (uMsg == WM_DESTROY && reinterpret_cast<HWND>(wParam) == m_hwndHost) {
    // The window we live in is going: let the control go with it, while its window exists.
    m_hwndHost = NULL;
    ReleaseControl();
    bHandled = true;
  }
  return 0;
}

}  // namespace DuiLib
