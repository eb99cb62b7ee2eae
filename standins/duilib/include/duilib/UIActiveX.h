// Hosting ActiveX controls in a skinned window, and the web browser control built on that.
#pragma once

#include "UIControl.h"

#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>
#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <urlmon.h>
#include <downloadmgr.h>

namespace DuiLib {

class CActiveXCtrl;  // the client site, private to the library
class CWebBrowserUI;

// Hosts an ActiveX control in place, in a child window of its own that covers the control's
// rectangle. The control is created when the control joins a window (or on CreateControl
// with delaycreate="true").
class UILIB_API CActiveXUI : public CControlUI, public IMessageFilterUI {
  friend class CActiveXCtrl;

 public:
  CActiveXUI();
  ~CActiveXUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // The child window that holds the hosted control (null before it is created).
  HWND GetHostWindow() const;

  virtual bool IsDelayCreate() const;
  virtual void SetDelayCreate(bool bDelayCreate = true);

  bool CreateControl(const CLSID clsid);
  bool CreateControl(LPCTSTR pstrCLSID);
  // The hosted control's interface iid (AddRef'ed), or an error.
  HRESULT GetControl(const IID iid, LPVOID* ppRet);
  CLSID GetClisd() const;
  CDuiString GetModuleName() const;
  void SetModuleName(LPCTSTR pszModuleName);

  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoInit() override;
  void DoPaint(HDC hDC, const RECT& rcPaint) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

 protected:
  virtual void ReleaseControl();
  virtual bool DoCreateControl();
  // Lets a derived control answer the hosted control's questions to its site for further
  // interfaces (the browser's document host, for example). Default: E_NOINTERFACE.
  virtual HRESULT QueryHostInterface(REFIID riid, void** ppvObject);
  // Called once the control is in place.
  virtual void OnControlCreated();
  void UpdateHostWindow();

  CLSID m_clsid;
  CDuiString m_sModuleName;
  bool m_bCreated;
  bool m_bDelayCreate;
  IOleObject* m_pUnk;
  CActiveXCtrl* m_pControl;
  HWND m_hwndHost;
};

// What a browser control asks of the program. Every operation has a default answer that
// suits a host that shows a web page as part of its own window: no browser context menu, no
// 3-D border, no external object for scripts, keys to the browser, downloads swallowed.
// pWeb is the control that asks.
class UILIB_API CWebBrowserEventHandler {
 public:
  CWebBrowserEventHandler();
  virtual ~CWebBrowserEventHandler();

  // ---- Browser events (DWebBrowserEvents2) --------------------------------------------
  virtual void BeforeNavigate2(CWebBrowserUI* pWeb, IDispatch* pDisp, VARIANT*& url,
                               VARIANT*& Flags, VARIANT*& TargetFrameName, VARIANT*& PostData,
                               VARIANT*& Headers, VARIANT_BOOL*& Cancel);
  virtual void NavigateError(CWebBrowserUI* pWeb, IDispatch* pDisp, VARIANT*& url,
                             VARIANT*& TargetFrameName, VARIANT*& StatusCode,
                             VARIANT_BOOL*& Cancel);
  virtual void NavigateComplete2(CWebBrowserUI* pWeb, IDispatch* pDisp, VARIANT*& url);
  virtual void ProgressChange(CWebBrowserUI* pWeb, LONG nProgress, LONG nProgressMax);
  virtual void NewWindow3(CWebBrowserUI* pWeb, IDispatch** pDisp, VARIANT_BOOL*& Cancel,
                          DWORD dwFlags, BSTR bstrUrlContext, BSTR bstrUrl);
  virtual void CommandStateChange(CWebBrowserUI* pWeb, long Command, VARIANT_BOOL Enable);
  // Asked before a context menu is shown at screen point (x, y); true: the host has dealt
  // with it, and the browser shows no menu of its own.
  virtual bool OnContextMenu(CWebBrowserUI* pWeb, int x, int y);
  // Further events that carry no data.
  virtual void DocumentComplete(CWebBrowserUI* pWeb);
  virtual void DownloadBegin(CWebBrowserUI* pWeb);
  virtual void DownloadComplete(CWebBrowserUI* pWeb);

  // ---- Document host (IDocHostUIHandler) ----------------------------------------------
  virtual HRESULT STDMETHODCALLTYPE ShowContextMenu(CWebBrowserUI* pWeb, DWORD dwID, POINT* ppt,
                                                    IUnknown* pcmdtReserved,
                                                    IDispatch* pdispReserved);
  virtual HRESULT STDMETHODCALLTYPE GetHostInfo(CWebBrowserUI* pWeb, DOCHOSTUIINFO* pInfo);
  virtual HRESULT STDMETHODCALLTYPE ShowUI(CWebBrowserUI* pWeb, DWORD dwID,
                                           IOleInPlaceActiveObject* pActiveObject,
                                           IOleCommandTarget* pCommandTarget,
                                           IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc);
  virtual HRESULT STDMETHODCALLTYPE HideUI(CWebBrowserUI* pWeb);
  virtual HRESULT STDMETHODCALLTYPE UpdateUI(CWebBrowserUI* pWeb);
  virtual HRESULT STDMETHODCALLTYPE EnableModeless(CWebBrowserUI* pWeb, BOOL fEnable);
  virtual HRESULT STDMETHODCALLTYPE OnDocWindowActivate(CWebBrowserUI* pWeb, BOOL fActivate);
  virtual HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(CWebBrowserUI* pWeb, BOOL fActivate);
  virtual HRESULT STDMETHODCALLTYPE ResizeBorder(CWebBrowserUI* pWeb, LPCRECT prcBorder,
                                                 IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow);
  virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(CWebBrowserUI* pWeb, LPMSG lpMsg,
                                                         const GUID* pguidCmdGroup, DWORD nCmdID);
  virtual HRESULT STDMETHODCALLTYPE GetOptionKeyPath(CWebBrowserUI* pWeb, LPOLESTR* pchKey,
                                                     DWORD dwReserved);
  virtual HRESULT STDMETHODCALLTYPE GetDropTarget(CWebBrowserUI* pWeb, IDropTarget* pDropTarget,
                                                  IDropTarget** ppDropTarget);
  virtual HRESULT STDMETHODCALLTYPE GetExternal(CWebBrowserUI* pWeb, IDispatch** ppDispatch);
  virtual HRESULT STDMETHODCALLTYPE TranslateUrl(CWebBrowserUI* pWeb, DWORD dwTranslate,
                                                 OLECHAR* pchURLIn, OLECHAR** ppchURLOut);
  virtual HRESULT STDMETHODCALLTYPE FilterDataObject(CWebBrowserUI* pWeb, IDataObject* pDO,
                                                     IDataObject** ppDORet);

  // ---- Downloads (IDownloadManager) ---------------------------------------------------
  virtual HRESULT STDMETHODCALLTYPE Download(CWebBrowserUI* pWeb, IMoniker* pmk, IBindCtx* pbc,
                                             DWORD dwBindVerb, LONG grfBINDF, BINDINFO* pBindInfo,
                                             LPCOLESTR pszHeaders, LPCOLESTR pszRedir, UINT uiCP);
};

// The system's web browser (IWebBrowser2) hosted in place. It serves as the browser's document
// host and download manager and forwards the browser's events; all of them go to the event
// handler set with SetWebBrowserEventHandler, or get the handler's default answers.
//
// The COM side of this object does not own it: the control tree does. AddRef and Release count
// references for the browser's sake only, and a release too many does no harm.
class UILIB_API CWebBrowserUI : public CActiveXUI,
                                public IDocHostUIHandler,
                                public IServiceProvider,
                                public IOleCommandTarget,
                                public IDispatch,
                                public IDownloadManager,
                                public ITranslateAccelerator {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  void SetHomePage(LPCTSTR lpszUrl);
  LPCTSTR GetHomePage();
  void SetAutoNavigation(bool bAuto = true);
  bool IsAutoNavigation();

  void SetWebBrowserEventHandler(CWebBrowserEventHandler* pEventHandler);
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const;

  void Navigate2(LPCTSTR lpszUrl);
  void Refresh();
  void Refresh2(int Level);
  void GoBack();
  void GoForward();
  void NavigateHomePage();
  void NavigateUrl(LPCTSTR lpszUrl);
  // The browser's current address ("" before the first navigation).
  CDuiString GetLocationURL();

  // The hosted browser (not AddRef'ed; valid while the control lives), or null.
  IWebBrowser2* GetWebBrowser2();
  // The current document's script window (AddRef'ed), or null.
  IDispatch* GetHtmlWindow();

  static DISPID FindId(IDispatch* pObj, LPOLESTR pName);
  static HRESULT InvokeMethod(IDispatch* pObj, LPOLESTR pMehtod, VARIANT* pVarResult, VARIANT* ps,
                              int cArgs);
  static HRESULT GetProperty(IDispatch* pObj, LPOLESTR pName, VARIANT* pValue);
  static HRESULT SetProperty(IDispatch* pObj, LPOLESTR pName, VARIANT* pValue);

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

  // ---- IUnknown -----------------------------------------------------------------------
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(QueryInterface)(REFIID riid, LPVOID* ppvObject) override;

  // ---- IDispatch: the browser's events --------------------------------------------------
  STDMETHOD(GetTypeInfoCount)(UINT* iTInfo) override;
  STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHOD(GetIDsOfNames)
  (REFIID riid, OLECHAR** rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  STDMETHOD(Invoke)
  (DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ---- IDocHostUIHandler --------------------------------------------------------------
  STDMETHOD(ShowContextMenu)
  (DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) override;
  STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* pInfo) override;
  STDMETHOD(ShowUI)
  (DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
   IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) override;
  STDMETHOD(HideUI)() override;
  STDMETHOD(UpdateUI)() override;
  STDMETHOD(EnableModeless)(BOOL fEnable) override;
  STDMETHOD(OnDocWindowActivate)(BOOL fActivate) override;
  STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) override;
  STDMETHOD(ResizeBorder)
  (LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow) override;
  STDMETHOD(TranslateAccelerator)(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
  STDMETHOD(GetOptionKeyPath)(LPOLESTR* pchKey, DWORD dwReserved) override;
  STDMETHOD(GetDropTarget)(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
  STDMETHOD(GetExternal)(IDispatch** ppDispatch) override;
  STDMETHOD(TranslateUrl)(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) override;
  STDMETHOD(FilterDataObject)(IDataObject* pDO, IDataObject** ppDORet) override;

  // ---- IServiceProvider ---------------------------------------------------------------
  STDMETHOD(QueryService)(REFGUID guidService, REFIID riid, void** ppvObject) override;

  // ---- IOleCommandTarget: script errors are not shown to the user -----------------------
  STDMETHOD(QueryStatus)
  (const GUID* pguidCmdGroup, ULONG cCmds, OLECMD prgCmds[], OLECMDTEXT* pCmdText) override;
  STDMETHOD(Exec)
  (const GUID* pguidCmdGroup, DWORD nCmdID, DWORD nCmdexecopt, VARIANT* pvaIn,
   VARIANT* pvaOut) override;

  // ---- IDownloadManager ---------------------------------------------------------------
  STDMETHOD(Download)
  (IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF, BINDINFO* pBindInfo,
   LPCOLESTR pszHeaders, LPCOLESTR pszRedir, UINT uiCP) override;

  // ---- ITranslateAccelerator: keys for the page -------------------------------------------
  LRESULT TranslateAccelerator(MSG* pMsg) override;

 protected:
  void ReleaseControl() override;
  bool DoCreateControl() override;
  HRESULT QueryHostInterface(REFIID riid, void** ppvObject) override;
  void OnControlCreated() override;
  HRESULT RegisterEventHandler(BOOL inAdvise);
  CWebBrowserEventHandler* Handler();

  IWebBrowser2* m_pWebBrowser2;
  LONG m_dwRef;
  DWORD m_dwCookie;
  CDuiString m_sHomePage;
  bool m_bAutoNavi;
  CWebBrowserEventHandler* m_pWebBrowserEventHandler;
  CWebBrowserEventHandler* m_pDefaultHandler;
};

}  // namespace DuiLib
