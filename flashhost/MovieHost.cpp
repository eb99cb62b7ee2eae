#include "MovieHost.h"

#include "ControlSite.h"
#include "Owners.h"

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
unique_bstr AnsiToBstr(const char* text) {
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return unique_bstr(SysAllocString(L""));
  unique_bstr out(SysAllocStringLen(nullptr, static_cast<UINT>(units - 1)));
  if (out) MultiByteToWideChar(CP_ACP, 0, text, -1, out.get(), units);
  return out;
}

}  // namespace

MovieHost::MovieHost() = default;

MovieHost::~MovieHost() { Destroy(); }

bool MovieHost::Create() {
  // The process ends soon after the host does, so the apartment is never left.
  CoInitialize(nullptr);

  ControlSite* site = new ControlSite(this);
  site->AddRef();  // the host's own reference, given up last in Destroy
  site_ = quenda::com_ptr<ControlSite>::attach(site);

  object_ = CreateControlObject();
  if (!object_) {
    Destroy();
    return false;
  }
  {
    const auto clientSite = Query<IOleClientSite>(site_.get(), IID_IOleClientSite);
    object_->SetClientSite(clientSite.get());
    // Without its scripting interface the control cannot be given a movie: nothing to host.
    flash_ = Query<IShockwaveFlash>(object_.get(), IID_IShockwaveFlash);
    if (flash_) {
      // Transparent: the control draws only its shapes over what the target context already
      // holds.
      const unique_bstr mode(SysAllocString(L"Transparent"));
      flash_->put_WMode(mode.get());
      object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite.get(), 0, nullptr, nullptr);
    }
  }
  if (!flash_) {
    Destroy();
    return false;
  }
  windowless_ = Query<IOleInPlaceObjectWindowless>(object_.get(), IID_IOleInPlaceObjectWindowless);
  return true;
}

// "Flash.ocx" found by the normal library search (a copy beside the program first); the
// control registered on the system only when there is no such file. A file that loads but
// yields no object leaves nothing to host.
quenda::com_ptr<IOleObject> MovieHost::CreateControlObject() {
  quenda::com_ptr<IOleObject> object;
  controlModule_.reset(LoadLibraryA("Flash.ocx"));
  if (!controlModule_) {
    DropIfFailed(CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IOleObject, object.put_void()),
                 object);
    return object;
  }

  const GetClassObjectFn getClassObject =
      LookUp<GetClassObjectFn>(controlModule_.get(), "DllGetClassObject");
  if (!getClassObject) return object;
  quenda::com_ptr<IClassFactory> factory;
  DropIfFailed(getClassObject(CLSID_ShockwaveFlash, IID_IClassFactory, factory.put_void()),
               factory);
  if (factory) {
    DropIfFailed(factory->CreateInstance(nullptr, IID_IOleObject, object.put_void()), object);
  }
  return object;
}

bool MovieHost::LoadMovie(const char* path, int width, int height) {
  if (!flash_) return false;
  flash_->put_Movie(AnsiToBstr(path ? path : "").get());
  if (flash_->Play() != S_OK) return false;

  width_ = width;
  height_ = height;
  objectRect_ = RECT{0, 0, width, height};
  if (const auto inPlace = Query<IOleInPlaceObject>(object_.get(), IID_IOleInPlaceObject)) {
    inPlace->SetObjectRects(&objectRect_, &objectRect_);
  }
  state_ = kStarted;
  return true;
}

void MovieHost::SetQuality(int index) {
  if (!flash_ || index < kQualityLow || index > kQualityHigh) return;
  flash_->put_Quality2(unique_bstr(SysAllocString(kQualityNames[index])).get());
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
  const auto view = Query<IViewObject>(flash_.get(), IID_IViewObject);
  if (!view) return false;
  if (fillFirst) {
    const RECT area = {0, 0, width_, height_};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  const RECTL bounds = {0, 0, width_, height_};
  return view->Draw(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr,
                    0) == S_OK;
}

void MovieHost::Destroy() {
  windowless_.reset();
  flash_.reset();
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_.reset();
  }
  // The site goes last: the control may have called it up to its own final release. Should the
  // control still hold it, it must not reach this host any more.
  if (site_) {
    site_->Detach();
    site_.reset();
  }
  if (controlModule_) {
    // Unloading code that still has live objects would leave them pointing into nothing; a
    // control that says it is still in use stays loaded until the process ends.
    const CanUnloadNowFn canUnloadNow =
        LookUp<CanUnloadNowFn>(controlModule_.get(), "DllCanUnloadNow");
    if (!canUnloadNow || canUnloadNow() == S_OK) {
      controlModule_.reset();
    } else {
      controlModule_.release();
    }
  }
}

}  // namespace quillon
