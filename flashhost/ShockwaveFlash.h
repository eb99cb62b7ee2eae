// The Shockwave Flash control's identifiers and its scripting interface, declared here from the
// control's published type library (no header of the control's maker is used). The host drives
// the real control through this declaration, so the method order below is the control's own
// vtable order and must never be rearranged: put_Quality2 sits at byte offset 228 of the
// vtable and LoadMovie at 232 on 32-bit builds.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

namespace quillon {

// The control's class, its scripting interface and its (unused) event interface.
inline const CLSID CLSID_ShockwaveFlash = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline const IID IID_IShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline const IID IID_ShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Dual interface: the seven IDispatch slots come first, then these, every one returning HRESULT.
struct IShockwaveFlash : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_ReadyState(long* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TotalFrames(long* frames) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* playing) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL playing) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Quality(int* quality) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Quality(int quality) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ScaleMode(int* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ScaleMode(int mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AlignMode(int* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AlignMode(int mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* color) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_BackgroundColor(long color) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* loop) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL loop) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Movie(BSTR* movie) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Movie(BSTR movie) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FrameNum(long* frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FrameNum(long frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetZoomRect(long left, long top, long right, long bottom) = 0;
  virtual HRESULT STDMETHODCALLTYPE Zoom(int factor) = 0;
  virtual HRESULT STDMETHODCALLTYPE Pan(long x, long y, int mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE Play() = 0;
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE Back() = 0;
  virtual HRESULT STDMETHODCALLTYPE Forward() = 0;
  virtual HRESULT STDMETHODCALLTYPE Rewind() = 0;
  virtual HRESULT STDMETHODCALLTYPE StopPlay() = 0;
  virtual HRESULT STDMETHODCALLTYPE GotoFrame(long frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE CurrentFrame(long* frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* playing) = 0;
  virtual HRESULT STDMETHODCALLTYPE PercentLoaded(long* percent) = 0;
  virtual HRESULT STDMETHODCALLTYPE FrameLoaded(long frame, VARIANT_BOOL* loaded) = 0;
  virtual HRESULT STDMETHODCALLTYPE FlashVersion(long* version) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_WMode(BSTR* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_WMode(BSTR mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SAlign(BSTR* align) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_SAlign(BSTR align) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL* menu) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL menu) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Base(BSTR* base) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Base(BSTR base) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Scale(BSTR* scale) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Scale(BSTR scale) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL* deviceFont) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL deviceFont) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL* embed) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL embed) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BGColor(BSTR* color) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_BGColor(BSTR color) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* quality) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Quality2(BSTR quality) = 0;
  virtual HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR target, long frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR target, BSTR label) = 0;
  virtual HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR target, long* frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR target, BSTR* label) = 0;
  virtual HRESULT STDMETHODCALLTYPE TPlay(BSTR target) = 0;
  virtual HRESULT STDMETHODCALLTYPE TStopPlay(BSTR target) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE TSetProperty(BSTR target, int property, BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGetProperty(BSTR target, int property, BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE TCallFrame(BSTR target, int frame) = 0;
  virtual HRESULT STDMETHODCALLTYPE TCallLabel(BSTR target, BSTR label) = 0;
  virtual HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR target, int property, double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR target, int property, double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(BSTR target, int property,
                                                         double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR* remote) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR remote) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR* vars) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR vars) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AllowScriptAccess(BSTR* access) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AllowScriptAccess(BSTR access) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MovieData(BSTR* data) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MovieData(BSTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_InlineData(IUnknown** data) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_InlineData(IUnknown* data) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SeamlessTabbing(VARIANT_BOOL* seamless) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_SeamlessTabbing(VARIANT_BOOL seamless) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnforceLocalSecurity() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Profile(VARIANT_BOOL* profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Profile(VARIANT_BOOL profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ProfileAddress(BSTR* address) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ProfileAddress(BSTR address) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ProfilePort(long* port) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ProfilePort(long port) = 0;
  virtual HRESULT STDMETHODCALLTYPE CallFunction(BSTR request, BSTR* response) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableLocalSecurity() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AllowNetworking(BSTR* networking) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AllowNetworking(BSTR networking) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AllowFullScreen(BSTR* fullScreen) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR fullScreen) = 0;
};

}  // namespace quillon
