#include "MovieHost.h"

#include "ControlSite.h"

namespace quillon {

namespace {

// The control's names for its quality levels, indexed by FlashQuality.
const wchar_t* const kQualityNames[] = {L"Low", L"Medium", L"High"};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// GetProcAddress hands back a generic function pointer; going through void (*)() keeps the
// conversion to the real signature explicit.
template <typename Fn>
Fn LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Text reaches the control as a BSTR made from ANSI text with the system code page.
BSTR AnsiToBstr(const char* text) {
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return SysAllocString(L"");
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(units - 1));
  if (out) MultiByteToWideChar(CP_ACP, 0, text, -1, out, units);
  return out;
}

template <typename T>
void ReleaseAndClear(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

}  // namespace

MovieHost::MovieHost() = default;

MovieHost::~MovieHost() { Destroy(); }

bool MovieHost::Create() {
  // The process ends soon after the host does, so the apartment is never left.
  CoInitialize(nullptr);

  site_ = new ControlSite(this);
  site_->AddRef();  // the host's own reference, given up last in Destroy

  object_ = CreateControlObject();
  if (!object_) {
    Destroy();
    return false;
  }

  IOleClientSite* clientSite = nullptr;
  site_->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
  object_->SetClientSite(clientSite);

  if (FAILED(object_->QueryInterface(IID_IShockwaveFlash, reinterpret_cast<void**>(&flash_))) ||
      !flash_) {
    // Without its scripting interface the control cannot be given a movie: nothing to host.
    flash_ = nullptr;
    clientSite->Release();
    Destroy();
    return false;
  }

  // Transparent: the control draws only its shapes over what the target context already holds.
  BSTR mode = SysAllocString(L"Transparent");
  flash_->put_WMode(mode);
  SysFreeString(mode);

  object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, nullptr, nullptr);
  clientSite->Release();

  if (FAILED(object_->QueryInterface(IID_IOleInPlaceObjectWindowless,
                                     reinterpret_cast<void**>(&windowless_)))) {
    windowless_ = nullptr;
  }
  return true;
}

// "Flash.ocx" found by the normal library search (a copy beside the program first); the
// control registered on the system only when there is no such file. A file that loads but
// yields no object leaves nothing to host.
IOleObject* MovieHost::CreateControlObject() {
  IOleObject* object = nullptr;
  controlModule_ = LoadLibraryA("Flash.ocx");
  if (!controlModule_) {
    if (FAILED(CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&object)))) {
      return nullptr;
    }
    return object;
  }

  const GetClassObjectFn getClassObject =
      LookUp<GetClassObjectFn>(controlModule_, "DllGetClassObject");
  if (!getClassObject) return nullptr;
  IClassFactory* factory = nullptr;
  if (FAILED(getClassObject(CLSID_ShockwaveFlash, IID_IClassFactory,
                            reinterpret_cast<void**>(&factory))) ||
      !factory) {
    return nullptr;
  }
  if (FAILED(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&object)))) {
    object = nullptr;
  }
  factory->Release();
  return object;
}

bool MovieHost::LoadMovie(const char* path, int width, int height) {
  if (!flash_) return false;
  BSTR movie = AnsiToBstr(path ? path : "");
  flash_->put_Movie(movie);
  SysFreeString(movie);
  if (flash_->Play() != S_OK) return false;

  width_ = width;
  height_ = height;
  objectRect_ = RECT{0, 0, width, height};
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(
          object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
      inPlace) {
    inPlace->SetObjectRects(&objectRect_, &objectRect_);
    inPlace->Release();
  }
  state_ = kStarted;
  return true;
}

void MovieHost::SetQuality(int index) {
  if (!flash_ || index < kQualityLow || index > kQualityHigh) return;
  BSTR quality = SysAllocString(kQualityNames[index]);
  flash_->put_Quality2(quality);
  SysFreeString(quality);
}

void MovieHost::SetLoopOff() {
  if (flash_) flash_->put_Loop(VARIANT_FALSE);
}

void MovieHost::Poll() {
  if (!flash_) return;
  // The frame counters are read every tick, as the control expects of a container, but
  // nothing depends on their values.
  long value = 0;
  flash_->CurrentFrame(&value);
  flash_->get_TotalFrames(&value);
  flash_->get_FrameNum(&value);
  if (state_ == kStarted) {
    VARIANT_BOOL playing = VARIANT_TRUE;
    if (SUCCEEDED(flash_->get_Playing(&playing)) && playing == VARIANT_FALSE) state_ = kEnded;
  }
}

bool MovieHost::TakeRedrawFlag() {
  if (!redraw_) return false;
  redraw_ = 0;
  return true;
}

SIZE MovieHost::GetSize() const { return SIZE{width_, height_}; }

bool MovieHost::Draw(HDC dc, bool fillFirst) {
  // No movie started: there is nothing to draw, and the control is not asked to.
  if (!flash_ || width_ <= 0 || height_ <= 0) return false;
  IViewObject* view = nullptr;
  if (FAILED(flash_->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view))) || !view) {
    return false;
  }
  if (fillFirst) {
    const RECT area = {0, 0, width_, height_};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  const RECTL bounds = {0, 0, width_, height_};
  const HRESULT hr =
      view->Draw(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  view->Release();
  return hr == S_OK;
}

void MovieHost::Destroy() {
  ReleaseAndClear(windowless_);
  ReleaseAndClear(flash_);
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    ReleaseAndClear(object_);
  }
  // The site goes last: the control may have called it up to its own final release. Should the
  // control still hold it, it must not reach this host any more.
  if (site_) {
    site_->Detach();
    site_->Release();
    site_ = nullptr;
  }
  if (controlModule_) {
    // Unloading code that still has live objects would leave them pointing into nothing; a
    // control that says it is still in use stays loaded until the process ends.
    const CanUnloadNowFn canUnloadNow = LookUp<CanUnloadNowFn>(controlModule_, "DllCanUnloadNow");
    if (!canUnloadNow || canUnloadNow() == S_OK) FreeLibrary(controlModule_);
    controlModule_ = nullptr;
  }
}

}  // namespace quillon
