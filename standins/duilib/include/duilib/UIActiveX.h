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

namespace internal {
class ActiveXSite;  // the client site, private to the library
class WebBrowserSite;
}  // namespace internal

class CWebBrowserUI;

// Hosts an ActiveX control in place, in a child window of its own that covers the control's
// rectangle. The hosted control talks to a client site of the library's: a COM object of its
// own, which outlives this control for as long as the hosted control keeps it, and answers
// "nothing there" once the control is gone.
class UILIB_API CActiveXUI : public CControlUI {
  friend class internal::ActiveXSite;

 public:
  CActiveXUI();
  ~CActiveXUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // The child window that holds the hosted control (null before it is created).
  HWND GetHostWindow() const;

  // Hosts a control of that class: at once when this control is in a window, else when it
  // joins one.
  bool CreateControl(const CLSID clsid);
  // The hosted control's interface iid (AddRef'ed), or an error.
  HRESULT GetControl(const IID iid, LPVOID* ppRet);

  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoInit() override;
  void DoPaint(HDC hDC, const RECT& rcPaint) override;

 protected:
  virtual void ReleaseControl();
  virtual bool DoCreateControl();
  // The site for the hosted control (one reference, which the caller takes over). A derived
  // control offers one with more interfaces (the browser's document host, for example).
  virtual internal::ActiveXSite* CreateSite();
  // The site made by CreateSite while a control is hosted, else null.
  internal::ActiveXSite* Site() const;
  // Called once the control is in place.
  virtual void OnControlCreated();
  void UpdateHostWindow();

  CLSID m_clsid;
  bool m_bCreated;

 private:
  static LRESULT CALLBACK HostProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  struct Host;  // the hosted control, its site and its window
  Host* m_pHost;
};

// What a browser control asks of the program. Every operation has a default answer that
// suits a host that shows a web page as part of its own window: no browser context menu, no
// 3-D border, no external object for scripts, keys to the browser, downloads swallowed.
// pWeb is the control that asks (null once the control is gone).
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
  // An operation that answers S_FALSE or an error without handing anything out sets its
  // output to null, so that the browser never reads what was there before.
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

// The system's web browser (IWebBrowser2) hosted in place. Its site serves as the browser's
// document host, download manager and command target and receives the browser's events; all
// of them go to the event handler set with SetWebBrowserEventHandler, or get the handler's
// default answers.
class UILIB_API CWebBrowserUI : public CActiveXUI, public ITranslateAccelerator {
  friend class internal::WebBrowserSite;

 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // The handler must stay alive while it is set: one that goes first sets null here.
  void SetWebBrowserEventHandler(CWebBrowserEventHandler* pEventHandler);
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const;

  void Navigate2(LPCTSTR lpszUrl);
  // The browser's current address ("" before the first navigation).
  CDuiString GetLocationURL();
  // The hosted browser (not AddRef'ed; valid while the browser is hosted), or null.
  IWebBrowser2* GetWebBrowser2();

  // Keys for the page (Tab, arrows, shortcuts) go to the browser first.
  LRESULT TranslateAccelerator(MSG* pMsg) override;

 protected:
  void ReleaseControl() override;
  internal::ActiveXSite* CreateSite() override;
  void OnControlCreated() override;
  // The handler that answers: the program's, or the defaults.
  CWebBrowserEventHandler* Handler();
  internal::WebBrowserSite* BrowserSite() const;

  CWebBrowserEventHandler* m_pWebBrowserEventHandler;
};

}  // namespace DuiLib
