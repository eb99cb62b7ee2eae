// The client site of a hosted ActiveX control (library-private). One COM object with one
// identity: every interface the hosted control can get from it, derived sites' included,
// belongs to it and leads back to it. It lives by its reference count; the control UI holds
// one reference and cuts the link (Detach) when it lets the control go, so a control that
// keeps its site longer only ever sees "nothing there".
#pragma once

#include "Internal.h"

namespace DuiLib {

struct CActiveXUI::Host {
  com_ptr<IOleObject> object;
  com_ptr<internal::ActiveXSite> site;
  internal::unique_hwnd window;
};

namespace internal {

class ActiveXSite : public IOleClientSite,
                    public IOleInPlaceSite,
                    public IOleInPlaceFrame,
                    public IOleControlSite,
                    public IDispatch {
 public:
  explicit ActiveXSite(CActiveXUI* owner) : m_pOwner(owner) {}

  void Detach() {
    m_pOwner = NULL;
    m_inPlace.reset();
    m_active.reset();
  }

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
    } else {
      return E_NOINTERFACE;
    }
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
    return NoObject(ppmk, E_NOTIMPL);
  }
  STDMETHOD(GetContainer)(IOleContainer** ppContainer) override {
    return NoObject(ppContainer, E_NOINTERFACE);
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
    if (!m_pOwner || !m_pOwner->m_pHost->object) return E_UNEXPECTED;
    if (!m_inPlace)
      m_inPlace = m_pOwner->m_pHost->object.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
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
    m_inPlace.reset();
    return S_OK;
  }
  STDMETHOD(DiscardUndoState)() override { return S_OK; }
  STDMETHOD(DeactivateAndUndo)() override { return S_OK; }
  STDMETHOD(OnPosRectChange)(LPCRECT lprcPosRect) override {
    if (m_inPlace && lprcPosRect) m_inPlace->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
  }

  // ---- IOleInPlaceUIWindow / IOleInPlaceFrame -----------------------------------------
  STDMETHOD(GetBorder)(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override {
    if (pActiveObject) pActiveObject->AddRef();
    m_active = com_ptr<IOleInPlaceActiveObject>::attach(pActiveObject);
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
  STDMETHOD(GetExtendedControl)(IDispatch** ppDisp) override { return NoObject(ppDisp, E_NOTIMPL); }
  STDMETHOD(TransformCoords)(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override {
    if (!pPtlHimetric || !pPtfContainer) return E_POINTER;
    // HIMETRIC (0.01 mm) and pixels at the screen's resolution.
    int dpiX = 96, dpiY = 96;
    {
      const unique_screen_dc screen(::GetDC(NULL));
      if (screen) {
        dpiX = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
        dpiY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
      }
    }
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
    return NoObject(ppTInfo, E_NOTIMPL);
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

  // An answer that hands out no object: the output set to null (when there is one).
  template <typename T>
  static HRESULT NoObject(T** out, HRESULT hr) {
    if (out) *out = NULL;
    return hr;
  }

 protected:
  virtual ~ActiveXSite() {}

  HWND Host() const { return m_pOwner ? m_pOwner->m_pHost->window.get() : NULL; }

  CActiveXUI* m_pOwner;

 private:
  LONG m_refs = 1;
  com_ptr<IOleInPlaceObject> m_inPlace;
  com_ptr<IOleInPlaceActiveObject> m_active;
};

}  // namespace internal
}  // namespace DuiLib
