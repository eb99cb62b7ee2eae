#include "FlashControl.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "Owners.h"
#include "Record.h"

namespace flashctl {

using quillon::IID_IShockwaveFlash;
using quillon::IShockwaveFlash;

LONG g_liveObjects = 0;
LONG g_serverLocks = 0;

namespace {

// Thread timers carry no window, so their callback finds its control through the timer id.
// Everything runs on the host's one UI thread.
std::map<UINT_PTR, FlashControl*>& Timers() {
  static std::map<UINT_PTR, FlashControl*> timers;
  return timers;
}

std::string Utf8(const wchar_t* text) {
  if (!text || !*text) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  return out;
}

std::string RectText(const RECT& r) {
  char text[64];
  wsprintfA(text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
  return text;
}

// Reads a whole (small) movie file.
bool ReadFileText(const std::wstring& path, std::string* out) {
  const quenda::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 16 * 1024 * 1024) return false;
  out->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  return size.QuadPart == 0 ||
         (ReadFile(file.get(), &(*out)[0], static_cast<DWORD>(size.QuadPart), &got, nullptr) &&
          got == size.QuadPart);
}

// The answer of a getter: `value` into the caller's `out`, which must be there.
template <typename T, typename V>
HRESULT Answer(T* out, V value) {
  if (!out) return E_POINTER;
  *out = static_cast<T>(value);
  return S_OK;
}

VARIANT_BOOL Bool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// A text property set by the container: kept, and written to the record as "<call> <text>".
void SetText(std::wstring* property, BSTR text, const char* call) {
  *property = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  Record("%s %s", call, Utf8(property->c_str()).c_str());
}

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

FlashControl::FlashControl() : noScripting_(SwitchSet("no-scripting")) {
  InterlockedIncrement(&g_liveObjects);
  Record("create");
}

FlashControl::~FlashControl() {
  StopTimer();
  Record("destroy draws=%ld CurrentFrame=%ld TotalFrames=%ld FrameNum=%ld Playing=%ld", draws_,
         currentFrameCalls_, totalFramesCalls_, frameNumCalls_, playingCalls_);
  // What the host still holds of its site once the control lets go of it.
  if (inPlaceSite_) Record("release-inplace-site remaining=%lu", inPlaceSite_.detach()->Release());
  if (clientSite_) Record("release-site remaining=%lu", clientSite_.detach()->Release());
  InterlockedDecrement(&g_liveObjects);
}

// ---- IUnknown ----

HRESULT STDMETHODCALLTYPE FlashControl::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *object = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IShockwaveFlash)) {
    if (noScripting_) return E_NOINTERFACE;
    *object = static_cast<IShockwaveFlash*>(this);
  } else if (IsEqualIID(iid, IID_IOleObject)) {
    *object = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject)) {
    if (movie_.noInPlaceObject && IsEqualIID(iid, IID_IOleInPlaceObject)) {
      Record("refuse IOleInPlaceObject");
      return E_NOINTERFACE;
    }
    *object = static_cast<IOleInPlaceObjectWindowless*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceObjectWindowless)) {
    *object = static_cast<IOleInPlaceObjectWindowless*>(this);
  } else if (IsEqualIID(iid, IID_IViewObject)) {
    if (movie_.noViewObject) {
      Record("refuse IViewObject");
      return E_NOINTERFACE;
    }
    *object = static_cast<IViewObject*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE FlashControl::AddRef() { return static_cast<ULONG>(++refs_); }

ULONG STDMETHODCALLTYPE FlashControl::Release() {
  const LONG left = --refs_;
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- IDispatch ----

HRESULT STDMETHODCALLTYPE FlashControl::GetTypeInfoCount(UINT* count) { return Answer(count, 0); }

HRESULT STDMETHODCALLTYPE FlashControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE FlashControl::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                               EXCEPINFO*, UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

// ---- Playing ----

void FlashControl::LoadMovieFile(const std::wstring& path) {
  StopTimer();
  playing_ = false;
  frame_ = 0;
  movie_ = Movie();
  movieLoaded_ = false;
  std::string text, error;
  if (!ReadFileText(path, &text)) {
    Record("movie-error cannot read the file");
  } else if (!ParseMovie(text, &movie_, &error)) {
    Record("movie-error %s", error.c_str());
  } else {
    movieLoaded_ = true;
    Record("movie frames=%ld rate=%d invalidate=%d", FrameCount(), movie_.rate,
           movie_.invalidations);
  }
}

void CALLBACK FlashControl::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = Timers().find(id);
  if (found != Timers().end()) found->second->Tick();
}

void FlashControl::StartTimer() {
  if (timer_) return;
  timer_ = SetTimer(nullptr, 0, static_cast<UINT>(1000 / movie_.rate), &FlashControl::TimerProc);
  if (timer_) Timers()[timer_] = this;
}

void FlashControl::StopTimer() {
  if (!timer_) return;
  KillTimer(nullptr, timer_);
  Timers().erase(timer_);
  timer_ = 0;
}

void FlashControl::StopPlaying(const char* why) {
  StopTimer();
  if (!playing_) return;
  playing_ = false;
  Record("stopped frame=%ld %s", frame_, why);
}

void FlashControl::Tick() {
  if (!playing_) return;
  long next = frame_ + 1;
  if (next >= FrameCount()) {
    if (!loop_) {
      StopPlaying("last-frame");
      return;
    }
    next = 0;
  }
  if (next == frame_) return;
  frame_ = next;
  FrameChanged();
}

void FlashControl::FrameChanged() {
  Record("frame %ld", frame_);
  if (!inPlaceSite_) return;
  if (!getDcRefused_) {
    HDC dc = nullptr;
    const HRESULT hr = inPlaceSite_->GetDC(nullptr, 0, &dc);
    if (SUCCEEDED(hr) && dc) {
      const RECTL bounds = {position_.left, position_.top, position_.right, position_.bottom};
      Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
      inPlaceSite_->ReleaseDC(dc);
      return;
    }
    getDcRefused_ = true;
    Record("GetDC refused hr=0x%08lX dc=%s", static_cast<unsigned long>(hr), dc ? "set" : "null");
  }
  // Whole area, region and rectangle in turn: a container must treat them all alike.
  for (int i = 0; i < movie_.invalidations; ++i) {
    switch (i % 3) {
      case 0:
        inPlaceSite_->InvalidateRect(nullptr, FALSE);
        break;
      case 1:
        inPlaceSite_->InvalidateRgn(nullptr, FALSE);
        break;
      default:
        inPlaceSite_->InvalidateRect(&position_, TRUE);
        break;
    }
  }
  Record("invalidated %d", movie_.invalidations);
}

// ---- IShockwaveFlash ----

HRESULT STDMETHODCALLTYPE FlashControl::get_ReadyState(long* state) {
  return Answer(state, movieLoaded_ ? 4 : 0);  // 4: complete
}

HRESULT STDMETHODCALLTYPE FlashControl::get_TotalFrames(long* frames) {
  ++totalFramesCalls_;
  return Answer(frames, FrameCount());
}

HRESULT STDMETHODCALLTYPE FlashControl::get_Playing(VARIANT_BOOL* playing) {
  ++playingCalls_;
  return Answer(playing, Bool(playing_));
}

HRESULT STDMETHODCALLTYPE FlashControl::put_Playing(VARIANT_BOOL playing) {
  Record("put_Playing %d", playing ? 1 : 0);
  return playing ? Play() : Stop();
}

HRESULT STDMETHODCALLTYPE FlashControl::get_Quality(int* quality) {
  return Answer(quality, quality_ == L"Low" ? 0 : quality_ == L"Medium" ? 2 : 1);
}

HRESULT STDMETHODCALLTYPE FlashControl::put_Quality(int quality) {
  Record("put_Quality %d", quality);
  const wchar_t* const names[] = {L"Low", L"High", L"AutoLow", L"AutoHigh", L"Medium"};
  if (quality < 0 || quality > 4) return E_INVALIDARG;
  quality_ = names[quality];
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::get_Loop(VARIANT_BOOL* loop) {
  return Answer(loop, Bool(loop_));
}

HRESULT STDMETHODCALLTYPE FlashControl::put_Loop(VARIANT_BOOL loop) {
  loop_ = loop != VARIANT_FALSE;
  Record("put_Loop %d", loop_ ? 1 : 0);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::get_Movie(BSTR* movie) {
  return CopyToBstr(moviePath_, movie);
}

HRESULT STDMETHODCALLTYPE FlashControl::put_Movie(BSTR movie) {
  SetText(&moviePath_, movie, "put_Movie");
  LoadMovieFile(moviePath_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::get_FrameNum(long* frame) {
  ++frameNumCalls_;
  return Answer(frame, frame_);
}

HRESULT STDMETHODCALLTYPE FlashControl::put_FrameNum(long frame) { return GotoFrame(frame); }

HRESULT STDMETHODCALLTYPE FlashControl::Play() {
  if (movie_.failPlay) {
    Record("Play E_FAIL (the movie says so)");
    return E_FAIL;
  }
  if (!movieLoaded_) {
    Record("Play E_FAIL (no movie)");
    return E_FAIL;
  }
  Record("Play S_OK");
  if (movie_.leakReference && !leaked_) {
    leaked_ = true;
    AddRef();
    Record("leak");
  }
  if (playing_) return S_OK;
  playing_ = true;
  StartTimer();
  FrameChanged();  // the first frame is showing now
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::Stop() {
  StopPlaying("stop");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::Back() { return GotoFrame(frame_ - 1); }
HRESULT STDMETHODCALLTYPE FlashControl::Forward() { return GotoFrame(frame_ + 1); }
HRESULT STDMETHODCALLTYPE FlashControl::Rewind() { return GotoFrame(0); }
HRESULT STDMETHODCALLTYPE FlashControl::StopPlay() { return Stop(); }

HRESULT STDMETHODCALLTYPE FlashControl::GotoFrame(long frame) {
  if (frame < 0 || frame >= FrameCount()) return E_INVALIDARG;
  if (frame != frame_) {
    frame_ = frame;
    FrameChanged();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::CurrentFrame(long* frame) {
  ++currentFrameCalls_;
  return Answer(frame, frame_);
}

HRESULT STDMETHODCALLTYPE FlashControl::IsPlaying(VARIANT_BOOL* playing) {
  return Answer(playing, Bool(playing_));
}

HRESULT STDMETHODCALLTYPE FlashControl::PercentLoaded(long* percent) {
  return Answer(percent, movieLoaded_ ? 100 : 0);
}

HRESULT STDMETHODCALLTYPE FlashControl::FrameLoaded(long frame, VARIANT_BOOL* loaded) {
  return Answer(loaded, Bool(frame >= 0 && frame < FrameCount()));
}

HRESULT STDMETHODCALLTYPE FlashControl::FlashVersion(long* version) {
  return Answer(version, 0x000A0000);  // 10.0
}

HRESULT STDMETHODCALLTYPE FlashControl::get_WMode(BSTR* mode) {
  return CopyToBstr(windowMode_, mode);
}

HRESULT STDMETHODCALLTYPE FlashControl::put_WMode(BSTR mode) {
  SetText(&windowMode_, mode, "put_WMode");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::get_Quality2(BSTR* quality) {
  return CopyToBstr(quality_, quality);
}

HRESULT STDMETHODCALLTYPE FlashControl::put_Quality2(BSTR quality) {
  SetText(&quality_, quality, "put_Quality2");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::LoadMovie(int layer, BSTR url) {
  Record("LoadMovie %d", layer);
  return layer == 0 ? put_Movie(url) : E_NOTIMPL;
}

// What the stand-in does not need answers as not implemented, in the same slots as the real
// control's.
HRESULT STDMETHODCALLTYPE FlashControl::get_ScaleMode(int*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_ScaleMode(int) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_AlignMode(int*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_AlignMode(int) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_BackgroundColor(long*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_BackgroundColor(long) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::SetZoomRect(long, long, long, long) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::Zoom(int) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::Pan(long, long, int) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_SAlign(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_SAlign(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_Menu(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_Menu(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_Base(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_Base(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_Scale(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_Scale(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_DeviceFont(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_DeviceFont(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_EmbedMovie(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_EmbedMovie(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_BGColor(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_BGColor(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TGotoFrame(BSTR, long) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TGotoLabel(BSTR, BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TCurrentFrame(BSTR, long*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TCurrentLabel(BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TPlay(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TStopPlay(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::SetVariable(BSTR, BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::GetVariable(BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TSetProperty(BSTR, int, BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TGetProperty(BSTR, int, BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TCallFrame(BSTR, int) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TCallLabel(BSTR, BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TSetPropertyNum(BSTR, int, double) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TGetPropertyNum(BSTR, int, double*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::TGetPropertyAsNumber(BSTR, int, double*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FlashControl::get_SWRemote(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_SWRemote(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_FlashVars(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_FlashVars(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_AllowScriptAccess(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_AllowScriptAccess(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_MovieData(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_MovieData(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_InlineData(IUnknown**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_InlineData(IUnknown*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_SeamlessTabbing(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_SeamlessTabbing(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::EnforceLocalSecurity() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_Profile(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_Profile(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_ProfileAddress(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_ProfileAddress(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_ProfilePort(long*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_ProfilePort(long) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::CallFunction(BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::SetReturnValue(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::DisableLocalSecurity() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_AllowNetworking(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_AllowNetworking(BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::get_AllowFullScreen(BSTR*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FlashControl::put_AllowFullScreen(BSTR) { return E_NOTIMPL; }

// ---- IOleObject ----

HRESULT STDMETHODCALLTYPE FlashControl::SetClientSite(IOleClientSite* site) {
  Record("SetClientSite %s", site ? "set" : "null");
  if (site) site->AddRef();
  clientSite_ = quenda::com_ptr<IOleClientSite>::attach(site);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_.get();
  if (clientSite_) clientSite_->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE FlashControl::Close(DWORD saveOption) {
  Record("Close %lu", saveOption);
  StopPlaying("close");
  InPlaceDeactivate();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE FlashControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::InitFromData(IDataObject*, BOOL, DWORD) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite,
                                               LONG index, HWND parent, LPCRECT position) {
  Record("DoVerb %ld index=%ld parent=%s rect=%s", verb, index, parent ? "set" : "null",
         position ? "set" : "null");
  switch (verb) {
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_SHOW:
      return Activate(activeSite ? activeSite : clientSite_.get());
    case OLEIVERB_HIDE:
      return InPlaceDeactivate();
    default:
      return OLEOBJ_S_INVALIDVERB;
  }
}

// Windowless activation only: the stand-in has no window of its own. What the site answers on
// the way is recorded, as a real control would depend on it.
HRESULT FlashControl::Activate(IOleClientSite* site) {
  if (inPlaceSite_) return S_OK;
  if (!site) return E_UNEXPECTED;
  auto windowless = quillon::Query<IOleInPlaceSiteWindowless>(site, IID_IOleInPlaceSiteWindowless);
  if (!windowless) {
    Record("activate failed: no windowless site");
    return E_FAIL;
  }
  if (windowless->CanInPlaceActivate() != S_OK || windowless->CanWindowlessActivate() != S_OK) {
    Record("activate refused by the site");
    return E_FAIL;
  }
  BOOL noRedraw = FALSE;
  windowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);

  HWND window = reinterpret_cast<HWND>(1);
  const HRESULT windowResult = windowless->GetWindow(&window);
  IOleInPlaceFrame* frame = reinterpret_cast<IOleInPlaceFrame*>(1);
  IOleInPlaceUIWindow* doc = reinterpret_cast<IOleInPlaceUIWindow*>(1);
  RECT position = {-1, -1, -1, -1}, clip = {-1, -1, -1, -1};
  OLEINPLACEFRAMEINFO frameInfo = {};
  frameInfo.cb = sizeof frameInfo;
  frameInfo.fMDIApp = TRUE;
  frameInfo.cAccelEntries = 7;
  const HRESULT contextResult =
      windowless->GetWindowContext(&frame, &doc, &position, &clip, &frameInfo);
  Record(
      "activated windowless GetWindow=0x%08lX window=%s GetWindowContext=0x%08lX frame=%s "
      "doc=%s pos=%s clip=%s mdi=%d accel=%u cb=%u",
      static_cast<unsigned long>(windowResult), window ? "set" : "null",
      static_cast<unsigned long>(contextResult), frame ? "set" : "null", doc ? "set" : "null",
      RectText(position).c_str(), RectText(clip).c_str(), frameInfo.fMDIApp,
      frameInfo.cAccelEntries, frameInfo.cb);
  if (SUCCEEDED(contextResult)) {
    // The answer's references (none from QuillonFlash's site) are given back at once.
    const auto frameRef = quenda::com_ptr<IOleInPlaceFrame>::attach(frame);
    const auto docRef = quenda::com_ptr<IOleInPlaceUIWindow>::attach(doc);
    position_ = position;
  }
  inPlaceSite_ = std::move(windowless);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs) *verbs = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::Update() { return S_OK; }
HRESULT STDMETHODCALLTYPE FlashControl::IsUpToDate() { return S_OK; }

HRESULT STDMETHODCALLTYPE FlashControl::GetUserClassID(CLSID* clsid) {
  return Answer(clsid, quillon::CLSID_ShockwaveFlash);
}

HRESULT STDMETHODCALLTYPE FlashControl::GetUserType(DWORD, LPOLESTR* type) {
  if (type) *type = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return E_NOTIMPL;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return E_NOTIMPL;
  return Answer(size, extent_);
}

HRESULT STDMETHODCALLTYPE FlashControl::Advise(IAdviseSink*, DWORD* connection) {
  if (connection) *connection = 0;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::Unadvise(DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE FlashControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (advise) *advise = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetMiscStatus(DWORD, DWORD* status) {
  return Answer(status, OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                            OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST);
}

HRESULT STDMETHODCALLTYPE FlashControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleInPlaceObject(Windowless) ----

HRESULT STDMETHODCALLTYPE FlashControl::GetWindow(HWND* window) {
  if (window) *window = nullptr;
  return E_FAIL;  // windowless
}

HRESULT STDMETHODCALLTYPE FlashControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE FlashControl::InPlaceDeactivate() {
  if (!inPlaceSite_) return S_OK;
  inPlaceSite_->OnInPlaceDeactivateEx(TRUE);
  Record("deactivated site-remaining=%lu", inPlaceSite_.detach()->Release());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::UIDeactivate() { return S_OK; }

HRESULT STDMETHODCALLTYPE FlashControl::SetObjectRects(LPCRECT position, LPCRECT clip) {
  if (!position || !clip) return E_POINTER;
  Record("SetObjectRects %s %s", RectText(*position).c_str(), RectText(*clip).c_str());
  position_ = *position;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::ReactivateAndUndo() { return E_NOTIMPL; }

// No input reaches the movie; a container that forwards messages gets "not handled".
HRESULT STDMETHODCALLTYPE FlashControl::OnWindowMessage(UINT message, WPARAM, LPARAM,
                                                        LRESULT* result) {
  Record("OnWindowMessage 0x%04X", message);
  if (result) *result = 0;
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetDropTarget(IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

// ---- IViewObject ----

HRESULT STDMETHODCALLTYPE FlashControl::Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE*, HDC,
                                             HDC dc, LPCRECTL bounds, LPCRECTL,
                                             BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  ++draws_;
  Record("draw %ld frame=%ld bounds=%ld,%ld,%ld,%ld index=%ld", draws_, frame_, bounds->left,
         bounds->top, bounds->right, bounds->bottom, index);

  const LONG width = bounds->right - bounds->left;
  const LONG height = bounds->bottom - bounds->top;
  if (width <= 0 || height <= 0) return S_OK;
  // Any mode but "Transparent" paints the stage's own white background first.
  if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, windowMode_.c_str(), -1, L"Transparent",
                     -1) != CSTR_EQUAL) {
    const RECT all = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  if (frame_ < 0 || frame_ >= FrameCount()) return S_OK;

  // Stage coordinates scale to the bounds given.
  auto x = [&](int v) {
    return static_cast<int>(bounds->left + static_cast<LONGLONG>(v) * width / movie_.stageWidth);
  };
  auto y = [&](int v) {
    return static_cast<int>(bounds->top + static_cast<LONGLONG>(v) * height / movie_.stageHeight);
  };
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  for (const Shape& s : movie_.frames[static_cast<size_t>(frame_)]) {
    const COLORREF colour = RGB((s.rgb >> 16) & 0xFF, (s.rgb >> 8) & 0xFF, s.rgb & 0xFF);
    const quenda::unique_hbrush brush(CreateSolidBrush(colour));
    const RECT area = {x(s.left), y(s.top), x(s.right), y(s.bottom)};
    if (s.kind == Shape::kRect) {
      FillRect(dc, &area, brush.get());
    } else {
      const HGDIOBJ oldBrush = SelectObject(dc, brush.get());
      // With no pen the ellipse leaves out its right and bottom edges: one more each.
      Ellipse(dc, area.left, area.top, area.right + 1, area.bottom + 1);
      SelectObject(dc, oldBrush);
    }
  }
  SelectObject(dc, oldPen);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FlashControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                                    LOGPALETTE** colours) {
  if (colours) *colours = nullptr;
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE FlashControl::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze) *freeze = 0;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FlashControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE FlashControl::SetAdvise(DWORD, DWORD, IAdviseSink*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE FlashControl::GetAdvise(DWORD* aspects, DWORD* flags,
                                                  IAdviseSink** sink) {
  if (aspects) *aspects = 0;
  if (flags) *flags = 0;
  if (sink) *sink = nullptr;
  return E_NOTIMPL;
}

}  // namespace flashctl
