// The web browser control: the system's WebBrowser hosted in place, with this object as its
// document host (IDocHostUIHandler), download manager, command target and event sink.
#include "Internal.h"

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

}  // namespace

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
HRESULT CWebBrowserEventHandler::GetOptionKeyPath(CWebBrowserUI*, LPOLESTR*, DWORD) { return S_OK; }
HRESULT CWebBrowserEventHandler::GetDropTarget(CWebBrowserUI*, IDropTarget*, IDropTarget**) {
  return E_NOTIMPL;
}
HRESULT CWebBrowserEventHandler::GetExternal(CWebBrowserUI*, IDispatch** ppDispatch) {
  if (ppDispatch) *ppDispatch = NULL;
  return E_NOTIMPL;
}
HRESULT CWebBrowserEventHandler::TranslateUrl(CWebBrowserUI*, DWORD, OLECHAR*, OLECHAR**) {
  return S_OK;
}
HRESULT CWebBrowserEventHandler::FilterDataObject(CWebBrowserUI*, IDataObject*, IDataObject**) {
  return S_OK;
}
HRESULT CWebBrowserEventHandler::Download(CWebBrowserUI*, IMoniker*, IBindCtx*, DWORD, LONG,
                                          BINDINFO*, LPCOLESTR, LPCOLESTR, UINT) {
  return S_OK;
}

// ---- CWebBrowserUI ----------------------------------------------------------------------------

CWebBrowserUI::CWebBrowserUI()
    : m_pWebBrowser2(NULL),
      m_dwRef(0),
      m_dwCookie(0),
      m_bAutoNavi(false),
      m_pWebBrowserEventHandler(NULL),
      m_pDefaultHandler(new CWebBrowserEventHandler) {
  m_clsid = CLSID_WebBrowser;
}

CWebBrowserUI::~CWebBrowserUI() {
  ReleaseControl();
  delete m_pDefaultHandler;
}

LPCTSTR CWebBrowserUI::GetClass() const { return L"WebBrowserUI"; }

LPVOID CWebBrowserUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && Is(pstrName, DUI_CTR_WEBBROWSER)) return static_cast<CWebBrowserUI*>(this);
  return CActiveXUI::GetInterface(pstrName);
}

void CWebBrowserUI::SetHomePage(LPCTSTR lpszUrl) { m_sHomePage = lpszUrl; }
LPCTSTR CWebBrowserUI::GetHomePage() { return m_sHomePage; }
void CWebBrowserUI::SetAutoNavigation(bool bAuto) { m_bAutoNavi = bAuto; }
bool CWebBrowserUI::IsAutoNavigation() { return m_bAutoNavi; }

void CWebBrowserUI::SetWebBrowserEventHandler(CWebBrowserEventHandler* pEventHandler) {
  m_pWebBrowserEventHandler = pEventHandler;
}

CWebBrowserEventHandler* CWebBrowserUI::GetWebBrowserEventHandler() const {
  return m_pWebBrowserEventHandler;
}

CWebBrowserEventHandler* CWebBrowserUI::Handler() {
  return m_pWebBrowserEventHandler ? m_pWebBrowserEventHandler : m_pDefaultHandler;
}

void CWebBrowserUI::Navigate2(LPCTSTR lpszUrl) {
  if (!lpszUrl || !*lpszUrl) return;
  if (!m_pWebBrowser2 && m_pManager && m_pManager->GetPaintWindow() && !m_bCreated)
    DoCreateControl();
  if (!m_pWebBrowser2) return;
  VARIANT url, empty;
  ::VariantInit(&url);
  ::VariantInit(&empty);
  url.vt = VT_BSTR;
  url.bstrVal = ::SysAllocString(lpszUrl);
  if (!url.bstrVal) return;
  m_pWebBrowser2->Navigate2(&url, &empty, &empty, &empty, &empty);
  ::VariantClear(&url);
}

void CWebBrowserUI::Refresh() {
  if (m_pWebBrowser2) m_pWebBrowser2->Refresh();
}

void CWebBrowserUI::Refresh2(int Level) {
  if (!m_pWebBrowser2) return;
  VARIANT level;
  ::VariantInit(&level);
  level.vt = VT_I4;
  level.lVal = Level;
  m_pWebBrowser2->Refresh2(&level);
}

void CWebBrowserUI::GoBack() {
  if (m_pWebBrowser2) m_pWebBrowser2->GoBack();
}

void CWebBrowserUI::GoForward() {
  if (m_pWebBrowser2) m_pWebBrowser2->GoForward();
}

void CWebBrowserUI::NavigateHomePage() {
  if (!m_sHomePage.IsEmpty()) Navigate2(m_sHomePage);
}

void CWebBrowserUI::NavigateUrl(LPCTSTR lpszUrl) { Navigate2(lpszUrl); }

CDuiString CWebBrowserUI::GetLocationURL() {
  CDuiString url;
  if (!m_pWebBrowser2) return url;
  BSTR location = NULL;
  if (SUCCEEDED(m_pWebBrowser2->get_LocationURL(&location)) && location) {
    url = location;
    ::SysFreeString(location);
  }
  return url;
}

IWebBrowser2* CWebBrowserUI::GetWebBrowser2() { return m_pWebBrowser2; }

IDispatch* CWebBrowserUI::GetHtmlWindow() {
  if (!m_pWebBrowser2) return NULL;
  IDispatch* document = NULL;
  if (FAILED(m_pWebBrowser2->get_Document(&document)) || !document) return NULL;
  VARIANT window;
  ::VariantInit(&window);
  IDispatch* result = NULL;
  if (SUCCEEDED(GetProperty(document, const_cast<LPOLESTR>(L"parentWindow"), &window)) &&
      window.vt == VT_DISPATCH && window.pdispVal) {
    result = window.pdispVal;
    result->AddRef();
  }
  ::VariantClear(&window);
  document->Release();
  return result;
}

DISPID CWebBrowserUI::FindId(IDispatch* pObj, LPOLESTR pName) {
  if (!pObj || !pName) return -1;
  DISPID id = -1;
  if (FAILED(pObj->GetIDsOfNames(IID_NULL, &pName, 1, LOCALE_SYSTEM_DEFAULT, &id))) return -1;
  return id;
}

HRESULT CWebBrowserUI::InvokeMethod(IDispatch* pObj, LPOLESTR pMehtod, VARIANT* pVarResult,
                                    VARIANT* ps, int cArgs) {
  const DISPID id = FindId(pObj, pMehtod);
  if (id == -1) return E_FAIL;
  DISPPARAMS params = {ps, NULL, static_cast<UINT>(cArgs < 0 ? 0 : cArgs), 0};
  return pObj->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, pVarResult,
                      NULL, NULL);
}

HRESULT CWebBrowserUI::GetProperty(IDispatch* pObj, LPOLESTR pName, VARIANT* pValue) {
  const DISPID id = FindId(pObj, pName);
  if (id == -1) return E_FAIL;
  DISPPARAMS params = {NULL, NULL, 0, 0};
  return pObj->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &params, pValue,
                      NULL, NULL);
}

HRESULT CWebBrowserUI::SetProperty(IDispatch* pObj, LPOLESTR pName, VARIANT* pValue) {
  const DISPID id = FindId(pObj, pName);
  if (id == -1) return E_FAIL;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {pValue, &named, 1, 1};
  return pObj->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYPUT, &params, NULL,
                      NULL, NULL);
}

void CWebBrowserUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (!pstrName || !pstrValue) return;
  if (Is(pstrName, L"homepage"))
    SetHomePage(pstrValue);
  else if (Is(pstrName, L"autonavi"))
    SetAutoNavigation(internal::IsTrue(pstrValue));
  else
    CActiveXUI::SetAttribute(pstrName, pstrValue);
}

bool CWebBrowserUI::DoCreateControl() { return CActiveXUI::DoCreateControl(); }

void CWebBrowserUI::OnControlCreated() {
  if (FAILED(GetControl(IID_IWebBrowser2, reinterpret_cast<LPVOID*>(&m_pWebBrowser2)))) {
    m_pWebBrowser2 = NULL;
    return;
  }
  // No script error boxes and the like over the game.
  m_pWebBrowser2->put_Silent(VARIANT_TRUE);
  RegisterEventHandler(TRUE);
  if (m_pManager) m_pManager->AddTranslateAccelerator(this);
  if (m_bAutoNavi && !m_sHomePage.IsEmpty()) Navigate2(m_sHomePage);
}

void CWebBrowserUI::ReleaseControl() {
  if (m_pManager) m_pManager->RemoveTranslateAccelerator(this);
  RegisterEventHandler(FALSE);
  if (m_pWebBrowser2) {
    m_pWebBrowser2->Release();
    m_pWebBrowser2 = NULL;
  }
  CActiveXUI::ReleaseControl();
}

HRESULT CWebBrowserUI::QueryHostInterface(REFIID riid, void** ppvObject) {
  if (riid == IID_IDocHostUIHandler || riid == IID_IServiceProvider ||
      riid == IID_IOleCommandTarget) {
    return QueryInterface(riid, ppvObject);
  }
  return CActiveXUI::QueryHostInterface(riid, ppvObject);
}

HRESULT CWebBrowserUI::RegisterEventHandler(BOOL inAdvise) {
  if (!m_pWebBrowser2) return E_FAIL;
  if (inAdvise && m_dwCookie) return S_OK;
  if (!inAdvise && !m_dwCookie) return S_OK;
  IConnectionPointContainer* container = NULL;
  HRESULT hr = m_pWebBrowser2->QueryInterface(IID_IConnectionPointContainer,
                                              reinterpret_cast<void**>(&container));
  if (FAILED(hr)) return hr;
  IConnectionPoint* point = NULL;
  hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
  container->Release();
  if (FAILED(hr)) return hr;
  if (inAdvise) {
    hr = point->Advise(static_cast<IDispatch*>(this), &m_dwCookie);
  } else {
    hr = point->Unadvise(m_dwCookie);
    m_dwCookie = 0;
  }
  point->Release();
  return hr;
}

// ---- IUnknown ---------------------------------------------------------------------------------

STDMETHODIMP_(ULONG) CWebBrowserUI::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_dwRef));
}

STDMETHODIMP_(ULONG) CWebBrowserUI::Release() {
  // The control tree owns this object: the count never frees it, and never goes below zero
  // (a caller that releases once too often does no harm).
  LONG now = m_dwRef;
  while (now > 0) {
    const LONG seen = InterlockedCompareExchange(&m_dwRef, now - 1, now);
    if (seen == now) return static_cast<ULONG>(now - 1);
    now = seen;
  }
  return 0;
}

STDMETHODIMP CWebBrowserUI::QueryInterface(REFIID riid, LPVOID* ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = NULL;
  if (riid == IID_IUnknown || riid == IID_IDocHostUIHandler) {
    *ppvObject = static_cast<IDocHostUIHandler*>(this);
  } else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
    *ppvObject = static_cast<IDispatch*>(this);
  } else if (riid == IID_IServiceProvider) {
    *ppvObject = static_cast<IServiceProvider*>(this);
  } else if (riid == IID_IOleCommandTarget) {
    *ppvObject = static_cast<IOleCommandTarget*>(this);
  } else if (riid == kSidDownloadManager) {
    *ppvObject = static_cast<IDownloadManager*>(this);
  }
  if (!*ppvObject) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// ---- IDispatch: browser events ----------------------------------------------------------------

STDMETHODIMP CWebBrowserUI::GetTypeInfoCount(UINT* iTInfo) {
  if (iTInfo) *iTInfo = 0;
  return S_OK;
}

STDMETHODIMP CWebBrowserUI::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = NULL;
  return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserUI::GetIDsOfNames(REFIID, OLECHAR**, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserUI::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                   EXCEPINFO*, UINT*) {
  CWebBrowserEventHandler* handler = Handler();
  const UINT n = p ? p->cArgs : 0;
  switch (dispIdMember) {
    case DISPID_BEFORENAVIGATE2: {
      if (n < 7) return DISP_E_BADPARAMCOUNT;
      VARIANT* url = Deref(Arg(p, 5));
      VARIANT* flags = Deref(Arg(p, 4));
      VARIANT* frame = Deref(Arg(p, 3));
      VARIANT* post = Deref(Arg(p, 2));
      VARIANT* headers = Deref(Arg(p, 1));
      VARIANT_BOOL* cancel = Arg(p, 0)->vt == (VT_BYREF | VT_BOOL) ? Arg(p, 0)->pboolVal : NULL;
      handler->BeforeNavigate2(this, AsDispatch(Arg(p, 6)), url, flags, frame, post, headers,
                               cancel);
      return S_OK;
    }
    case DISPID_NAVIGATEERROR: {
      if (n < 5) return DISP_E_BADPARAMCOUNT;
      VARIANT* url = Deref(Arg(p, 3));
      VARIANT* frame = Deref(Arg(p, 2));
      VARIANT* status = Deref(Arg(p, 1));
      VARIANT_BOOL* cancel = Arg(p, 0)->vt == (VT_BYREF | VT_BOOL) ? Arg(p, 0)->pboolVal : NULL;
      handler->NavigateError(this, AsDispatch(Arg(p, 4)), url, frame, status, cancel);
      return S_OK;
    }
    case DISPID_NAVIGATECOMPLETE2: {
      if (n < 2) return DISP_E_BADPARAMCOUNT;
      VARIANT* url = Deref(Arg(p, 0));
      handler->NavigateComplete2(this, AsDispatch(Arg(p, 1)), url);
      return S_OK;
    }
    case DISPID_PROGRESSCHANGE:
      if (n < 2) return DISP_E_BADPARAMCOUNT;
      handler->ProgressChange(this, AsLong(Arg(p, 1)), AsLong(Arg(p, 0)));
      return S_OK;
    case DISPID_NEWWINDOW3: {
      if (n < 5) return DISP_E_BADPARAMCOUNT;
      VARIANT* ppDisp = Arg(p, 4);
      VARIANT_BOOL* cancel = Arg(p, 3)->vt == (VT_BYREF | VT_BOOL) ? Arg(p, 3)->pboolVal : NULL;
      handler->NewWindow3(this, ppDisp->vt == (VT_BYREF | VT_DISPATCH) ? ppDisp->ppdispVal : NULL,
                          cancel, static_cast<DWORD>(AsLong(Arg(p, 2))), AsBstr(Arg(p, 1)),
                          AsBstr(Arg(p, 0)));
      return S_OK;
    }
    case DISPID_COMMANDSTATECHANGE:
      if (n < 2) return DISP_E_BADPARAMCOUNT;
      handler->CommandStateChange(this, AsLong(Arg(p, 1)),
                                  AsLong(Arg(p, 0)) ? VARIANT_TRUE : VARIANT_FALSE);
      return S_OK;
    case DISPID_DOCUMENTCOMPLETE:
      handler->DocumentComplete(this);
      return S_OK;
    case DISPID_DOWNLOADBEGIN:
      handler->DownloadBegin(this);
      return S_OK;
    case DISPID_DOWNLOADCOMPLETE:
      handler->DownloadComplete(this);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- IDocHostUIHandler ------------------------------------------------------------------------

STDMETHODIMP CWebBrowserUI::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                            IDispatch* pdispReserved) {
  return Handler()->ShowContextMenu(this, dwID, ppt, pcmdtReserved, pdispReserved);
}
STDMETHODIMP CWebBrowserUI::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  return Handler()->GetHostInfo(this, pInfo);
}
STDMETHODIMP CWebBrowserUI::ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                   IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                                   IOleInPlaceUIWindow* pDoc) {
  return Handler()->ShowUI(this, dwID, pActiveObject, pCommandTarget, pFrame, pDoc);
}
STDMETHODIMP CWebBrowserUI::HideUI() { return Handler()->HideUI(this); }
STDMETHODIMP CWebBrowserUI::UpdateUI() { return Handler()->UpdateUI(this); }
STDMETHODIMP CWebBrowserUI::EnableModeless(BOOL fEnable) {
  return Handler()->EnableModeless(this, fEnable);
}
STDMETHODIMP CWebBrowserUI::OnDocWindowActivate(BOOL fActivate) {
  return Handler()->OnDocWindowActivate(this, fActivate);
}
STDMETHODIMP CWebBrowserUI::OnFrameWindowActivate(BOOL fActivate) {
  return Handler()->OnFrameWindowActivate(this, fActivate);
}
STDMETHODIMP CWebBrowserUI::ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                         BOOL fFrameWindow) {
  return Handler()->ResizeBorder(this, prcBorder, pUIWindow, fFrameWindow);
}
STDMETHODIMP CWebBrowserUI::TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup,
                                                 DWORD nCmdID) {
  return Handler()->TranslateAccelerator(this, lpMsg, pguidCmdGroup, nCmdID);
}
STDMETHODIMP CWebBrowserUI::GetOptionKeyPath(LPOLESTR* pchKey, DWORD dwReserved) {
  return Handler()->GetOptionKeyPath(this, pchKey, dwReserved);
}
STDMETHODIMP CWebBrowserUI::GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) {
  return Handler()->GetDropTarget(this, pDropTarget, ppDropTarget);
}
STDMETHODIMP CWebBrowserUI::GetExternal(IDispatch** ppDispatch) {
  return Handler()->GetExternal(this, ppDispatch);
}
STDMETHODIMP CWebBrowserUI::TranslateUrl(DWORD dwTranslate, OLECHAR* pchURLIn,
                                         OLECHAR** ppchURLOut) {
  return Handler()->TranslateUrl(this, dwTranslate, pchURLIn, ppchURLOut);
}
STDMETHODIMP CWebBrowserUI::FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) {
  return Handler()->FilterDataObject(this, pDO, ppDORet);
}

// ---- IServiceProvider -------------------------------------------------------------------------

STDMETHODIMP CWebBrowserUI::QueryService(REFGUID guidService, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = NULL;
  if (guidService == kSidDownloadManager) return QueryInterface(riid, ppvObject);
  return E_NOINTERFACE;
}

// ---- IOleCommandTarget ------------------------------------------------------------------------

STDMETHODIMP CWebBrowserUI::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) {
  return OLECMDERR_E_UNKNOWNGROUP;
}

STDMETHODIMP CWebBrowserUI::Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD, VARIANT*,
                                 VARIANT* pvaOut) {
  if (pguidCmdGroup && *pguidCmdGroup == kCgidDocHostCommandHandler) {
    if (nCmdID == OLECMDID_SHOWSCRIPTERROR) {
      // Keep running the page's scripts and show nothing.
      if (pvaOut) {
        ::VariantClear(pvaOut);
        pvaOut->vt = VT_BOOL;
        pvaOut->boolVal = VARIANT_TRUE;
      }
      return S_OK;
    }
    return OLECMDERR_E_NOTSUPPORTED;
  }
  return OLECMDERR_E_UNKNOWNGROUP;
}

// ---- IDownloadManager -------------------------------------------------------------------------

STDMETHODIMP CWebBrowserUI::Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF,
                                     BINDINFO* pBindInfo, LPCOLESTR pszHeaders, LPCOLESTR pszRedir,
                                     UINT uiCP) {
  return Handler()->Download(this, pmk, pbc, dwBindVerb, grfBINDF, pBindInfo, pszHeaders, pszRedir,
                             uiCP);
}

// ---- ITranslateAccelerator --------------------------------------------------------------------

LRESULT CWebBrowserUI::TranslateAccelerator(MSG* pMsg) {
  if (!pMsg || !m_pWebBrowser2 || !m_hwndHost) return S_FALSE;
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return S_FALSE;
  if (pMsg->hwnd != m_hwndHost && !::IsChild(m_hwndHost, pMsg->hwnd)) return S_FALSE;
  IOleInPlaceActiveObject* active = NULL;
  if (FAILED(m_pWebBrowser2->QueryInterface(IID_IOleInPlaceActiveObject,
                                            reinterpret_cast<void**>(&active)))) {
    return S_FALSE;
  }
  const HRESULT hr = active->TranslateAccelerator(pMsg);
  active->Release();
  return hr;
}

}  // namespace DuiLib
