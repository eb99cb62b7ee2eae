#include "ControlSite.h"

#include "MovieHost.h"
#include "ShockwaveFlash.h"

namespace quillon {

ControlSite::ControlSite(MovieHost* owner) : owner_(owner) {}

ControlSite::~ControlSite() = default;

HRESULT STDMETHODCALLTYPE ControlSite::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) ||
      IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleInPlaceSiteEx) ||
      IsEqualIID(iid, IID_IOleInPlaceSiteWindowless)) {
    *object = static_cast<IOleInPlaceSiteWindowless*>(this);
  } else if (IsEqualIID(iid, IID_IOleClientSite)) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_ShockwaveFlashEvents)) {
    // The control may look for its event sink here. Nothing handles Flash events and this object
    // has no IDispatch, so handing it out would let the control call methods that are not
    // there: refuse plainly.
    *object = nullptr;
    return E_NOINTERFACE;
  } else {
    *object = nullptr;
    return E_NOTIMPL;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ControlSite::AddRef() { return static_cast<ULONG>(++refCount_); }

ULONG STDMETHODCALLTYPE ControlSite::Release() {
  const LONG count = --refCount_;
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

// ---- IOleWindow: the control gets no window ----

HRESULT STDMETHODCALLTYPE ControlSite::GetWindow(HWND* window) {
  if (window) *window = nullptr;
  return E_FAIL;
}

HRESULT STDMETHODCALLTYPE ControlSite::ContextSensitiveHelp(BOOL) { return S_OK; }

// ---- IOleInPlaceSite ----

HRESULT STDMETHODCALLTYPE ControlSite::CanInPlaceActivate() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::OnInPlaceActivate() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::OnUIActivate() { return S_OK; }

HRESULT STDMETHODCALLTYPE ControlSite::GetWindowContext(IOleInPlaceFrame** frame,
                                                        IOleInPlaceUIWindow** doc, LPRECT position,
                                                        LPRECT clip,
                                                        LPOLEINPLACEFRAMEINFO frameInfo) {
  // There is no frame: asking ourselves for one is refused and leaves it null.
  if (frame) QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame));
  if (doc) *doc = nullptr;
  const RECT objectRect = owner_ ? owner_->ObjectRect() : RECT{0, 0, 0, 0};
  if (position) *position = objectRect;
  if (clip) *clip = objectRect;
  if (frameInfo) {
    // The caller owns the size field; everything else says "no frame, no accelerators".
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = nullptr;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ControlSite::Scroll(SIZE) { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::DiscardUndoState() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::DeactivateAndUndo() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::OnPosRectChange(LPCRECT) { return S_OK; }

// ---- IOleInPlaceSiteEx ----

HRESULT STDMETHODCALLTYPE ControlSite::OnInPlaceActivateEx(BOOL*, DWORD) { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::OnInPlaceDeactivateEx(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::RequestUIActivate() { return S_FALSE; }

// ---- IOleInPlaceSiteWindowless ----

HRESULT STDMETHODCALLTYPE ControlSite::CanWindowlessActivate() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::GetCapture() { return S_FALSE; }
HRESULT STDMETHODCALLTYPE ControlSite::SetCapture(BOOL) { return S_FALSE; }
HRESULT STDMETHODCALLTYPE ControlSite::GetFocus() { return S_OK; }
HRESULT STDMETHODCALLTYPE ControlSite::SetFocus(BOOL) { return S_OK; }

// Refused, so that the control never paints on its own and every frame goes through the
// invalidation flag into the one back buffer.
HRESULT STDMETHODCALLTYPE ControlSite::GetDC(LPCRECT, DWORD, HDC* dc) {
  if (dc) *dc = nullptr;
  return E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE ControlSite::ReleaseDC(HDC) { return E_INVALIDARG; }

// Any invalidation, whatever its area, means "draw the whole movie at the next tick".
HRESULT STDMETHODCALLTYPE ControlSite::InvalidateRect(LPCRECT, BOOL) {
  if (owner_) owner_->RequestRedraw();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ControlSite::InvalidateRgn(HRGN, BOOL) {
  if (owner_) owner_->RequestRedraw();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ControlSite::ScrollRect(INT, INT, LPCRECT, LPCRECT) { return S_OK; }

HRESULT STDMETHODCALLTYPE ControlSite::AdjustRect(LPRECT rect) {
  return rect ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE ControlSite::OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) {
  return S_FALSE;
}

// ---- IOleClientSite ----

HRESULT STDMETHODCALLTYPE ControlSite::SaveObject() { return S_OK; }

HRESULT STDMETHODCALLTYPE ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ControlSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ControlSite::ShowObject() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ControlSite::OnShowWindow(BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

}  // namespace quillon
