// The web browser control: the system's WebBrowser hosted in place, with a site that is also
// its document host (IDocHostUIHandler), download manager, command target and event sink.
#include "ActiveXSite.h"

#include <exdispid.h>

namespace DuiLib {

using internal::Is;

namespace {

// SID_SDownloadManager is the download manager's interface id; declared here so the library
// does not depend on which GUIDs a toolkit's uuid library happens to carry.
const GUID kSidDownloadManager = {
    0x988934a4, 0x064b, 0x11d3, {0xbb, 0x80, 0x00, 0x10, 0x4b, 0x35, 0xe7, 0xf9}};
const GUID kCgidDocHostCommandHandler = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

// An event argument by position (DISPPARAMS holds them last first).
VARIANT* Arg(DISPPARAMS* params, UINT fromLast) {
  if (!params || fromLast >= params->cArgs || !params->rgvarg) return NULL;
  return &params->rgvarg[fromLast];
}

// A by-reference VARIANT argument's target (the browser passes most as VT_BYREF|VT_VARIANT).
VARIANT* Deref(VARIANT* v) {
  if (v && v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) return v->pvarVal;
  return v;
}

LONG AsLong(VARIANT* v) {
  if (!v) return 0;
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, Deref(v), 0, VT_I4))) return 0;
  return converted.lVal;
}

IDispatch* AsDispatch(VARIANT* v) {
  v = Deref(v);
  if (!v) return NULL;
  if (v->vt == VT_DISPATCH) return v->pdispVal;
  if (v->vt == (VT_BYREF | VT_DISPATCH) && v->ppdispVal) return *v->ppdispVal;
  return NULL;
}

BSTR AsBstr(VARIANT* v) {
  v = Deref(v);
  if (!v) return NULL;
  if (v->vt == VT_BSTR) return v->bstrVal;
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) return *v->pbstrVal;
  return NULL;
}

VARIANT_BOOL* AsBoolRef(VARIANT* v) {
  return v && v->vt == (VT_BYREF | VT_BOOL) ? v->pboolVal : NULL;
}

// The answers when no control is left to ask.
CWebBrowserEventHandler& DefaultHandler() {
  static CWebBrowserEventHandler defaults;
  return defaults;
}

}  // namespace

namespace internal {

// The browser's site: besides the client site's interfaces, the document host, the download
// manager (as a service), the command target and the sink of the browser's events, all of one
// COM object. Everything the browser asks goes to the control's event handler.
class WebBrowserSite : public ActiveXSite,
                       public IDocHostUIHandler,
                       public IServiceProvider,
                       public IOleCommandTarget,
                       public IDownloadManager {
 public:
  explicit WebBrowserSite(CWebBrowserUI* owner) : ActiveXSite(owner) {}

  // Connects the site to the browser's events (or disconnects it).
  void Advise(IUnknown* browser, bool on) {
    if (!browser || on == (m_cookie != 0)) return;
    com_ptr<IConnectionPointContainer> container;
    com_ptr<IConnectionPoint> point;
    if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, container.put_void())) ||
        FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put()))) {
      return;
    }
    if (on) {
      if (FAILED(point->Advise(static_cast<IDispatch*>(this), &m_cookie))) m_cookie = 0;
    } else {
      point->Unadvise(m_cookie);
      m_cookie = 0;
    }
  }

  // ---- IUnknown: the site's own identity ------------------------------------------------
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = NULL;
    if (riid == IID_IDocHostUIHandler) {
      *ppv = static_cast<IDocHostUIHandler*>(this);
    } else if (riid == IID_IServiceProvider) {
      *ppv = static_cast<IServiceProvider*>(this);
    } else if (riid == IID_IOleCommandTarget) {
      *ppv = static_cast<IOleCommandTarget*>(this);
    } else if (riid == kSidDownloadManager) {
      *ppv = static_cast<IDownloadManager*>(this);
    } else if (riid == DIID_DWebBrowserEvents2) {
      *ppv = static_cast<IDispatch*>(this);
    } else {
      return ActiveXSite::QueryInterface(riid, ppv);
    }
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ActiveXSite::AddRef(); }
  STDMETHOD_(ULONG, Release)() override { return ActiveXSite::Release(); }

  // ---- IDispatch: the browser's events, then the ambient properties ----------------------
  STDMETHOD(Invoke)
  (DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* p, VARIANT* pVarResult,
   EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ---- IDocHostUIHandler --------------------------------------------------------------
  STDMETHOD(ShowContextMenu)
  (DWORD dwID, POINT* ppt, IUnknown* pcmdt, IDispatch* pdisp) override {
    return Handler()->ShowContextMenu(Web(), dwID, ppt, pcmdt, pdisp);
  }
  STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* pInfo) override {
    return Handler()->GetHostInfo(Web(), pInfo);
  }
  STDMETHOD(ShowUI)
  (DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
   IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) override {
    return Handler()->ShowUI(Web(), dwID, pActiveObject, pCommandTarget, pFrame, pDoc);
  }
  STDMETHOD(HideUI)() override { return Handler()->HideUI(Web()); }
  STDMETHOD(UpdateUI)() override { return Handler()->UpdateUI(Web()); }
  STDMETHOD(EnableModeless)(BOOL fEnable) override {
    return Handler()->EnableModeless(Web(), fEnable);
  }
  STDMETHOD(OnDocWindowActivate)(BOOL fActivate) override {
    return Handler()->OnDocWindowActivate(Web(), fActivate);
  }
  STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) override {
    return Handler()->OnFrameWindowActivate(Web(), fActivate);
  }
  STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrame) override {
    return Handler()->ResizeBorder(Web(), prcBorder, pUIWindow, fFrame);
  }
  STDMETHOD(TranslateAccelerator)(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override {
    return Handler()->TranslateAccelerator(Web(), lpMsg, pguidCmdGroup, nCmdID);
  }
  STDMETHOD(GetOptionKeyPath)(LPOLESTR* pchKey, DWORD dwReserved) override {
    return Handler()->GetOptionKeyPath(Web(), pchKey, dwReserved);
  }
  STDMETHOD(GetDropTarget)(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override {
    return Handler()->GetDropTarget(Web(), pDropTarget, ppDropTarget);
  }
  STDMETHOD(GetExternal)(IDispatch** ppDispatch) override {
    return Handler()->GetExternal(Web(), ppDispatch);
  }
  STDMETHOD(TranslateUrl)(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) override {
    return Handler()->TranslateUrl(Web(), dwTranslate, pchURLIn, ppchURLOut);
  }
  STDMETHOD(FilterDataObject)(IDataObject* pDO, IDataObject** ppDORet) override {
    return Handler()->FilterDataObject(Web(), pDO, ppDORet);
  }

  // ---- IServiceProvider ---------------------------------------------------------------
  STDMETHOD(QueryService)(REFGUID guidService, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = NULL;
    if (guidService == kSidDownloadManager) return QueryInterface(riid, ppvObject);
    return E_NOINTERFACE;
  }

  // ---- IOleCommandTarget: script errors are not shown to the user -----------------------
  STDMETHOD(QueryStatus)(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
    return OLECMDERR_E_UNKNOWNGROUP;
  }
  STDMETHOD(Exec)
  (const GUID* pguidCmdGroup, DWORD nCmdID, DWORD, VARIANT*, VARIANT* pvaOut) override {
    if (!pguidCmdGroup || *pguidCmdGroup != kCgidDocHostCommandHandler) {
      return OLECMDERR_E_UNKNOWNGROUP;
    }
    if (nCmdID != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
    // Keep running the page's scripts and show nothing.
    if (pvaOut) {
      ::VariantClear(pvaOut);
      pvaOut->vt = VT_BOOL;
      pvaOut->boolVal = VARIANT_TRUE;
    }
    return S_OK;
  }

  // ---- IDownloadManager ---------------------------------------------------------------
  STDMETHOD(Download)
  (IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF, BINDINFO* pBindInfo,
   LPCOLESTR pszHeaders, LPCOLESTR pszRedir, UINT uiCP) override {
    return Handler()->Download(Web(), pmk, pbc, dwBindVerb, grfBINDF, pBindInfo, pszHeaders,
                               pszRedir, uiCP);
  }

 private:
  CWebBrowserUI* Web() const { return static_cast<CWebBrowserUI*>(m_pOwner); }
  CWebBrowserEventHandler* Handler() const {
    return m_pOwner ? Web()->Handler() : &DefaultHandler();
  }
  // One browser event to the handler; false when it is none the handler knows.
  bool Event(DISPID id, DISPPARAMS* p);

  DWORD m_cookie = 0;
};

STDMETHODIMP WebBrowserSite::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                    DISPPARAMS* p, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                    UINT* puArgErr) {
  // Events carry positive ids, ambient properties negative ones.
  if (dispIdMember > 0) return Event(dispIdMember, p) ? S_OK : DISP_E_MEMBERNOTFOUND;
  return ActiveXSite::Invoke(dispIdMember, riid, lcid, wFlags, p, pVarResult, pExcepInfo, puArgErr);
}

bool WebBrowserSite::Event(DISPID id, DISPPARAMS* p) {
  CWebBrowserEventHandler* h = Handler();
  CWebBrowserUI* web = Web();
  const UINT n = p ? p->cArgs : 0;
  // Arguments come last first; each event is handled only with all of its arguments.
  VARIANT* a[7] = {};
  for (UINT i = 0; i < n && i < 7; ++i) a[i] = Arg(p, i);
  if (id == DISPID_BEFORENAVIGATE2 && n >= 7) {
    VARIANT *url = Deref(a[5]), *flags = Deref(a[4]), *frame = Deref(a[3]), *post = Deref(a[2]),
            *headers = Deref(a[1]);
    VARIANT_BOOL* cancel = AsBoolRef(a[0]);
    h->BeforeNavigate2(web, AsDispatch(a[6]), url, flags, frame, post, headers, cancel);
  } else if (id == DISPID_NAVIGATEERROR && n >= 5) {
    VARIANT *url = Deref(a[3]), *frame = Deref(a[2]), *status = Deref(a[1]);
    VARIANT_BOOL* cancel = AsBoolRef(a[0]);
    h->NavigateError(web, AsDispatch(a[4]), url, frame, status, cancel);
  } else if (id == DISPID_NAVIGATECOMPLETE2 && n >= 2) {
    VARIANT* url = Deref(a[0]);
    h->NavigateComplete2(web, AsDispatch(a[1]), url);
  } else if (id == DISPID_PROGRESSCHANGE && n >= 2) {
    h->ProgressChange(web, AsLong(a[1]), AsLong(a[0]));
  } else if (id == DISPID_NEWWINDOW3 && n >= 5) {
    VARIANT_BOOL* cancel = AsBoolRef(a[3]);
    h->NewWindow3(web, a[4]->vt == (VT_BYREF | VT_DISPATCH) ? a[4]->ppdispVal : NULL, cancel,
                  static_cast<DWORD>(AsLong(a[2])), AsBstr(a[1]), AsBstr(a[0]));
  } else if (id == DISPID_COMMANDSTATECHANGE && n >= 2) {
    h->CommandStateChange(web, AsLong(a[1]), AsLong(a[0]) ? VARIANT_TRUE : VARIANT_FALSE);
  } else if (id == DISPID_DOCUMENTCOMPLETE) {
    h->DocumentComplete(web);
  } else if (id == DISPID_DOWNLOADBEGIN) {
    h->DownloadBegin(web);
  } else if (id == DISPID_DOWNLOADCOMPLETE) {
    h->DownloadComplete(web);
  } else {
    return false;
  }
  return true;
}

}  // namespace internal

// ---- CWebBrowserEventHandler: the default answers -------------------------------------------

CWebBrowserEventHandler::CWebBrowserEventHandler() {}
CWebBrowserEventHandler::~CWebBrowserEventHandler() {}

void CWebBrowserEventHandler::BeforeNavigate2(CWebBrowserUI*, IDispatch*, VARIANT*&, VARIANT*&,
                                              VARIANT*&, VARIANT*&, VARIANT*&, VARIANT_BOOL*&) {}
void CWebBrowserEventHandler::NavigateError(CWebBrowserUI*, IDispatch*, VARIANT*&, VARIANT*&,
                                            VARIANT*&, VARIANT_BOOL*&) {}
void CWebBrowserEventHandler::NavigateComplete2(CWebBrowserUI*, IDispatch*, VARIANT*&) {}
void CWebBrowserEventHandler::ProgressChange(CWebBrowserUI*, LONG, LONG) {}
void CWebBrowserEventHandler::NewWindow3(CWebBrowserUI*, IDispatch**, VARIANT_BOOL*&, DWORD, BSTR,
                                         BSTR) {}
void CWebBrowserEventHandler::CommandStateChange(CWebBrowserUI*, long, VARIANT_BOOL) {}
bool CWebBrowserEventHandler::OnContextMenu(CWebBrowserUI*, int, int) { return true; }
void CWebBrowserEventHandler::DocumentComplete(CWebBrowserUI*) {}
void CWebBrowserEventHandler::DownloadBegin(CWebBrowserUI*) {}
void CWebBrowserEventHandler::DownloadComplete(CWebBrowserUI*) {}

HRESULT CWebBrowserEventHandler::ShowContextMenu(CWebBrowserUI* pWeb, DWORD, POINT* ppt, IUnknown*,
                                                 IDispatch*) {
  return OnContextMenu(pWeb, ppt ? ppt->x : 0, ppt ? ppt->y : 0) ? S_OK : S_FALSE;
}

HRESULT CWebBrowserEventHandler::GetHostInfo(CWebBrowserUI*, DOCHOSTUIINFO* pInfo) {
  if (pInfo) pInfo->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER;
  return S_OK;
}

HRESULT CWebBrowserEventHandler::ShowUI(CWebBrowserUI*, DWORD, IOleInPlaceActiveObject*,
                                        IOleCommandTarget*, IOleInPlaceFrame*,
                                        IOleInPlaceUIWindow*) {
  return S_FALSE;
}
HRESULT CWebBrowserEventHandler::HideUI(CWebBrowserUI*) { return S_OK; }
HRESULT CWebBrowserEventHandler::UpdateUI(CWebBrowserUI*) { return S_OK; }
HRESULT CWebBrowserEventHandler::EnableModeless(CWebBrowserUI*, BOOL) { return S_OK; }
HRESULT CWebBrowserEventHandler::OnDocWindowActivate(CWebBrowserUI*, BOOL) { return S_OK; }
HRESULT CWebBrowserEventHandler::OnFrameWindowActivate(CWebBrowserUI*, BOOL) { return S_OK; }
HRESULT CWebBrowserEventHandler::ResizeBorder(CWebBrowserUI*, LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  return S_OK;
}
HRESULT CWebBrowserEventHandler::TranslateAccelerator(CWebBrowserUI*, LPMSG, const GUID*, DWORD) {
  return S_FALSE;
}
HRESULT CWebBrowserEventHandler::GetOptionKeyPath(CWebBrowserUI*, LPOLESTR* pchKey, DWORD) {
  // No registry key of our own: the browser keeps its own settings.
  return internal::ActiveXSite::NoObject(pchKey, S_FALSE);
}
HRESULT CWebBrowserEventHandler::GetDropTarget(CWebBrowserUI*, IDropTarget*,
                                               IDropTarget** ppDropTarget) {
  return internal::ActiveXSite::NoObject(ppDropTarget, E_NOTIMPL);
}
HRESULT CWebBrowserEventHandler::GetExternal(CWebBrowserUI*, IDispatch** ppDispatch) {
  return internal::ActiveXSite::NoObject(ppDispatch, E_NOTIMPL);
}
HRESULT CWebBrowserEventHandler::TranslateUrl(CWebBrowserUI*, DWORD, OLECHAR*,
                                              OLECHAR** ppchURLOut) {
  // The address stays as it is.
  return internal::ActiveXSite::NoObject(ppchURLOut, S_FALSE);
}
HRESULT CWebBrowserEventHandler::FilterDataObject(CWebBrowserUI*, IDataObject*,
                                                  IDataObject** ppDORet) {
  // The data object stays as it is.
  return internal::ActiveXSite::NoObject(ppDORet, S_FALSE);
}
HRESULT CWebBrowserEventHandler::Download(CWebBrowserUI*, IMoniker*, IBindCtx*, DWORD, LONG,
                                          BINDINFO*, LPCOLESTR, LPCOLESTR, UINT) {
  return S_OK;
}

// ---- CWebBrowserUI ----------------------------------------------------------------------------

CWebBrowserUI::CWebBrowserUI() : m_pWebBrowserEventHandler(NULL) { m_clsid = CLSID_WebBrowser; }

CWebBrowserUI::~CWebBrowserUI() { CWebBrowserUI::ReleaseControl(); }

LPCTSTR CWebBrowserUI::GetClass() const { return L"WebBrowserUI"; }

LPVOID CWebBrowserUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_WEBBROWSER)) return static_cast<CWebBrowserUI*>(this);
  return CActiveXUI::GetInterface(pstrName);
}

void CWebBrowserUI::SetWebBrowserEventHandler(CWebBrowserEventHandler* pEventHandler) {
  m_pWebBrowserEventHandler = pEventHandler;
}

CWebBrowserEventHandler* CWebBrowserUI::GetWebBrowserEventHandler() const {
  return m_pWebBrowserEventHandler;
}

CWebBrowserEventHandler* CWebBrowserUI::Handler() {
  return m_pWebBrowserEventHandler ? m_pWebBrowserEventHandler : &DefaultHandler();
}

IWebBrowser2* CWebBrowserUI::GetWebBrowser2() {
  // The hosted object holds the browser; the reference taken here is given back at once.
  com_ptr<IWebBrowser2> browser;
  GetControl(IID_IWebBrowser2, browser.put_void());
  return browser.get();
}

void CWebBrowserUI::Navigate2(LPCTSTR lpszUrl) {
  if (!lpszUrl || !*lpszUrl) return;
  if (!m_bCreated && m_pManager && m_pManager->GetPaintWindow()) DoCreateControl();
  com_ptr<IWebBrowser2> browser;
  if (FAILED(GetControl(IID_IWebBrowser2, browser.put_void()))) return;
  VARIANT url, empty;
  ::VariantInit(&url);
  ::VariantInit(&empty);
  url.vt = VT_BSTR;
  url.bstrVal = ::SysAllocString(lpszUrl);
  if (!url.bstrVal) return;
  browser->Navigate2(&url, &empty, &empty, &empty, &empty);
  ::VariantClear(&url);
}

CDuiString CWebBrowserUI::GetLocationURL() {
  CDuiString url;
  com_ptr<IWebBrowser2> browser;
  if (FAILED(GetControl(IID_IWebBrowser2, browser.put_void()))) return url;
  BSTR location = NULL;
  if (SUCCEEDED(browser->get_LocationURL(&location)) && location) {
    url = location;
    ::SysFreeString(location);
  }
  return url;
}

internal::ActiveXSite* CWebBrowserUI::CreateSite() { return new internal::WebBrowserSite(this); }

internal::WebBrowserSite* CWebBrowserUI::BrowserSite() const {
  // Our own CreateSite made it.
  return static_cast<internal::WebBrowserSite*>(Site());
}

void CWebBrowserUI::OnControlCreated() {
  com_ptr<IWebBrowser2> browser;
  if (FAILED(GetControl(IID_IWebBrowser2, browser.put_void()))) return;
  // No script error boxes and the like over the game.
  browser->put_Silent(VARIANT_TRUE);
  BrowserSite()->Advise(browser.get(), true);
  if (m_pManager) m_pManager->AddTranslateAccelerator(this);
}

void CWebBrowserUI::ReleaseControl() {
  if (m_pManager) m_pManager->RemoveTranslateAccelerator(this);
  com_ptr<IUnknown> browser;
  if (BrowserSite() && SUCCEEDED(GetControl(IID_IUnknown, browser.put_void()))) {
    BrowserSite()->Advise(browser.get(), false);
  }
  CActiveXUI::ReleaseControl();
}

LRESULT CWebBrowserUI::TranslateAccelerator(MSG* pMsg) {
  HWND host = GetHostWindow();
  if (!pMsg || !host || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return S_FALSE;
  if (pMsg->hwnd != host && !::IsChild(host, pMsg->hwnd)) return S_FALSE;
  com_ptr<IOleInPlaceActiveObject> active;
  if (FAILED(GetControl(IID_IOleInPlaceActiveObject, active.put_void()))) return S_FALSE;
  return active->TranslateAccelerator(pMsg);
}

}  // namespace DuiLib
