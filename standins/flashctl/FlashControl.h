// The test control: an in-process stand-in for the Shockwave Flash control that implements what
// QuillonFlash calls (IOleObject, IOleInPlaceObjectWindowless, IViewObject and IShockwaveFlash in
// the real vtable order). It plays the small movie format of MovieFile.h on its own timer,
// windowless only, and records every call that matters to a test (see Record.h).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <string>

#include "MovieFile.h"
#include "ShockwaveFlash.h"
#include "UniqueHandle.h"

namespace flashctl {

// Live objects of this module (controls and class factories), for DllCanUnloadNow.
extern LONG g_liveObjects;
extern LONG g_serverLocks;

class FlashControl final : public quillon::IShockwaveFlash,
                           public IOleObject,
                           public IOleInPlaceObjectWindowless,
                           public IViewObject {
 public:
  FlashControl();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch: no type information; the vtable is the only way in.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argError) override;

  // IShockwaveFlash, in the control's order
  HRESULT STDMETHODCALLTYPE get_ReadyState(long* state) override;
  HRESULT STDMETHODCALLTYPE get_TotalFrames(long* frames) override;
  HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* playing) override;
  HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL playing) override;
  HRESULT STDMETHODCALLTYPE get_Quality(int* quality) override;
  HRESULT STDMETHODCALLTYPE put_Quality(int quality) override;
  HRESULT STDMETHODCALLTYPE get_ScaleMode(int* mode) override;
  HRESULT STDMETHODCALLTYPE put_ScaleMode(int mode) override;
  HRESULT STDMETHODCALLTYPE get_AlignMode(int* mode) override;
  HRESULT STDMETHODCALLTYPE put_AlignMode(int mode) override;
  HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* color) override;
  HRESULT STDMETHODCALLTYPE put_BackgroundColor(long color) override;
  HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* loop) override;
  HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL loop) override;
  HRESULT STDMETHODCALLTYPE get_Movie(BSTR* movie) override;
  HRESULT STDMETHODCALLTYPE put_Movie(BSTR movie) override;
  HRESULT STDMETHODCALLTYPE get_FrameNum(long* frame) override;
  HRESULT STDMETHODCALLTYPE put_FrameNum(long frame) override;
  HRESULT STDMETHODCALLTYPE SetZoomRect(long left, long top, long right, long bottom) override;
  HRESULT STDMETHODCALLTYPE Zoom(int factor) override;
  HRESULT STDMETHODCALLTYPE Pan(long x, long y, int mode) override;
  HRESULT STDMETHODCALLTYPE Play() override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Back() override;
  HRESULT STDMETHODCALLTYPE Forward() override;
  HRESULT STDMETHODCALLTYPE Rewind() override;
  HRESULT STDMETHODCALLTYPE StopPlay() override;
  HRESULT STDMETHODCALLTYPE GotoFrame(long frame) override;
  HRESULT STDMETHODCALLTYPE CurrentFrame(long* frame) override;
  HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* playing) override;
  HRESULT STDMETHODCALLTYPE PercentLoaded(long* percent) override;
  HRESULT STDMETHODCALLTYPE FrameLoaded(long frame, VARIANT_BOOL* loaded) override;
  HRESULT STDMETHODCALLTYPE FlashVersion(long* version) override;
  HRESULT STDMETHODCALLTYPE get_WMode(BSTR* mode) override;
  HRESULT STDMETHODCALLTYPE put_WMode(BSTR mode) override;
  HRESULT STDMETHODCALLTYPE get_SAlign(BSTR* align) override;
  HRESULT STDMETHODCALLTYPE put_SAlign(BSTR align) override;
  HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL* menu) override;
  HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL menu) override;
  HRESULT STDMETHODCALLTYPE get_Base(BSTR* base) override;
  HRESULT STDMETHODCALLTYPE put_Base(BSTR base) override;
  HRESULT STDMETHODCALLTYPE get_Scale(BSTR* scale) override;
  HRESULT STDMETHODCALLTYPE put_Scale(BSTR scale) override;
  HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL* deviceFont) override;
  HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL deviceFont) override;
  HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL* embed) override;
  HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL embed) override;
  HRESULT STDMETHODCALLTYPE get_BGColor(BSTR* color) override;
  HRESULT STDMETHODCALLTYPE put_BGColor(BSTR color) override;
  HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* quality) override;
  HRESULT STDMETHODCALLTYPE put_Quality2(BSTR quality) override;
  HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) override;
  HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR target, long frame) override;
  HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR target, BSTR label) override;
  HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR target, long* frame) override;
  HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR target, BSTR* label) override;
  HRESULT STDMETHODCALLTYPE TPlay(BSTR target) override;
  HRESULT STDMETHODCALLTYPE TStopPlay(BSTR target) override;
  HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) override;
  HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE TSetProperty(BSTR target, int property, BSTR value) override;
  HRESULT STDMETHODCALLTYPE TGetProperty(BSTR target, int property, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE TCallFrame(BSTR target, int frame) override;
  HRESULT STDMETHODCALLTYPE TCallLabel(BSTR target, BSTR label) override;
  HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR target, int property, double value) override;
  HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR target, int property, double* value) override;
  HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(BSTR target, int property, double* value) override;
  HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR* remote) override;
  HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR remote) override;
  HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR* vars) override;
  HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR vars) override;
  HRESULT STDMETHODCALLTYPE get_AllowScriptAccess(BSTR* access) override;
  HRESULT STDMETHODCALLTYPE put_AllowScriptAccess(BSTR access) override;
  HRESULT STDMETHODCALLTYPE get_MovieData(BSTR* data) override;
  HRESULT STDMETHODCALLTYPE put_MovieData(BSTR data) override;
  HRESULT STDMETHODCALLTYPE get_InlineData(IUnknown** data) override;
  HRESULT STDMETHODCALLTYPE put_InlineData(IUnknown* data) override;
  HRESULT STDMETHODCALLTYPE get_SeamlessTabbing(VARIANT_BOOL* seamless) override;
  HRESULT STDMETHODCALLTYPE put_SeamlessTabbing(VARIANT_BOOL seamless) override;
  HRESULT STDMETHODCALLTYPE EnforceLocalSecurity() override;
  HRESULT STDMETHODCALLTYPE get_Profile(VARIANT_BOOL* profile) override;
  HRESULT STDMETHODCALLTYPE put_Profile(VARIANT_BOOL profile) override;
  HRESULT STDMETHODCALLTYPE get_ProfileAddress(BSTR* address) override;
  HRESULT STDMETHODCALLTYPE put_ProfileAddress(BSTR address) override;
  HRESULT STDMETHODCALLTYPE get_ProfilePort(long* port) override;
  HRESULT STDMETHODCALLTYPE put_ProfilePort(long port) override;
  HRESULT STDMETHODCALLTYPE CallFunction(BSTR request, BSTR* response) override;
  HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR value) override;
  HRESULT STDMETHODCALLTYPE DisableLocalSecurity() override;
  HRESULT STDMETHODCALLTYPE get_AllowNetworking(BSTR* networking) override;
  HRESULT STDMETHODCALLTYPE put_AllowNetworking(BSTR networking) override;
  HRESULT STDMETHODCALLTYPE get_AllowFullScreen(BSTR* fullScreen) override;
  HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR fullScreen) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index,
                                   HWND parent, LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow / IOleInPlaceObject / IOleInPlaceObjectWindowless
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                            LRESULT* result) override;
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** target) override;

  // IViewObject
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectData,
                                 DVTARGETDEVICE* targetDevice, HDC targetInfo, HDC dc,
                                 LPCRECTL bounds, LPCRECTL windowBounds,
                                 BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR),
                                 ULONG_PTR keepGoingArgument) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectData,
                                        DVTARGETDEVICE* targetDevice, HDC targetInfo,
                                        LOGPALETTE** colours) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectData,
                                   DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;

 private:
  ~FlashControl();
  FlashControl(const FlashControl&) = delete;
  FlashControl& operator=(const FlashControl&) = delete;

  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void Tick();
  void StartTimer();
  void StopTimer();
  void StopPlaying(const char* why);
  // A new frame is showing: ask the site for a device context first (a windowless control may
  // paint directly when given one), else invalidate as often as the movie says.
  void FrameChanged();
  HRESULT Activate(IOleClientSite* site);
  void LoadMovieFile(const std::wstring& path);
  long FrameCount() const { return static_cast<long>(movie_.frames.size()); }

  LONG refs_ = 1;
  quenda::com_ptr<IOleClientSite> clientSite_;
  quenda::com_ptr<IOleInPlaceSiteWindowless> inPlaceSite_;
  bool noScripting_ = false;  // from the switches file: no IShockwaveFlash at all

  std::wstring moviePath_;
  Movie movie_;
  bool movieLoaded_ = false;
  bool leaked_ = false;

  std::wstring windowMode_ = L"Window";
  std::wstring quality_ = L"High";
  bool loop_ = true;
  bool playing_ = false;
  long frame_ = 0;
  UINT_PTR timer_ = 0;
  RECT position_ = {0, 0, 0, 0};
  SIZEL extent_ = {0, 0};
  bool getDcRefused_ = false;

  // Counters of the calls a container makes over and over; written when the control ends.
  long draws_ = 0;
  long currentFrameCalls_ = 0;
  long totalFramesCalls_ = 0;
  long frameNumCalls_ = 0;
  long playingCalls_ = 0;
};

}  // namespace flashctl
