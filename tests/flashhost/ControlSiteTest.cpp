// The site's fixed answers, called directly the way a control would call them.
#include <gtest/gtest.h>

#include "ControlSite.h"
#include "MovieHost.h"
#include "Owners.h"
#include "ShockwaveFlash.h"

using quillon::ControlSite;
using quillon::MovieHost;

namespace {

// One site with the host's reference, released at the end of each test.
class ControlSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_ = new ControlSite(&host_);
    ASSERT_EQ(site_->AddRef(), 1u);
    host_.TakeRedrawFlag();  // the first tick's flag is not what these tests look at
  }
  void TearDown() override { EXPECT_EQ(site_->Release(), 0u); }

  IOleInPlaceSiteWindowless* Main() { return site_; }
  IOleClientSite* Client() { return site_; }

  MovieHost host_;
  ControlSite* site_ = nullptr;
};

TEST_F(ControlSiteTest, QueryInterfaceHandsOutTheTwoInterfaces) {
  const IID* mainIids[] = {&IID_IUnknown, &IID_IOleWindow, &IID_IOleInPlaceSite,
                           &IID_IOleInPlaceSiteEx, &IID_IOleInPlaceSiteWindowless};
  ULONG expected = 1;
  for (const IID* iid : mainIids) {
    void* out = nullptr;
    EXPECT_EQ(site_->QueryInterface(*iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(Main()));
    ++expected;
  }
  void* client = nullptr;
  EXPECT_EQ(site_->QueryInterface(IID_IOleClientSite, &client), S_OK);
  EXPECT_EQ(client, static_cast<void*>(Client()));
  EXPECT_NE(client, static_cast<void*>(Main()));
  ++expected;
  // Every successful answer took a reference; the client interface shares the count.
  EXPECT_EQ(site_->AddRef(), expected + 1);
  for (ULONG i = 1; i < expected; ++i) Client()->Release();
  EXPECT_EQ(Main()->Release(), 1u);
}

TEST_F(ControlSiteTest, QueryInterfaceRefusesEverythingElse) {
  const IID* others[] = {&IID_IDispatch, &IID_IOleInPlaceFrame, &IID_IViewObject,
                         &IID_IOleContainer, &quillon::IID_IShockwaveFlash};
  for (const IID* iid : others) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(site_->QueryInterface(*iid, &out), E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
  }
  // The control's event interface: this site has no IDispatch to offer for it.
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(site_->QueryInterface(quillon::IID_ShockwaveFlashEvents, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(site_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(site_->AddRef(), 2u);  // nothing above took a reference
  EXPECT_EQ(site_->Release(), 1u);
}

TEST_F(ControlSiteTest, WindowAndInPlaceAnswers) {
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(Main()->GetWindow(&window), E_FAIL);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(Main()->ContextSensitiveHelp(TRUE), S_OK);
  EXPECT_EQ(Main()->CanInPlaceActivate(), S_OK);
  EXPECT_EQ(Main()->OnInPlaceActivate(), S_OK);
  EXPECT_EQ(Main()->OnUIActivate(), S_OK);
  EXPECT_EQ(Main()->Scroll(SIZE{3, 4}), S_OK);
  EXPECT_EQ(Main()->OnUIDeactivate(FALSE), S_OK);
  EXPECT_EQ(Main()->OnInPlaceDeactivate(), S_OK);
  EXPECT_EQ(Main()->DiscardUndoState(), S_OK);
  EXPECT_EQ(Main()->DeactivateAndUndo(), S_OK);
  const RECT r = {1, 2, 3, 4};
  EXPECT_EQ(Main()->OnPosRectChange(&r), S_OK);
  BOOL noRedraw = 7;
  EXPECT_EQ(Main()->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS), S_OK);
  EXPECT_EQ(noRedraw, 7);
  EXPECT_EQ(Main()->OnInPlaceDeactivateEx(TRUE), S_OK);
  EXPECT_EQ(Main()->RequestUIActivate(), S_FALSE);
  EXPECT_EQ(Main()->CanWindowlessActivate(), S_OK);
  EXPECT_EQ(Main()->GetCapture(), S_FALSE);
  EXPECT_EQ(Main()->SetCapture(TRUE), S_FALSE);
  EXPECT_EQ(Main()->GetFocus(), S_OK);
  EXPECT_EQ(Main()->SetFocus(TRUE), S_OK);
  EXPECT_EQ(Main()->ScrollRect(1, 1, &r, &r), S_OK);
  LRESULT result = 5;
  EXPECT_EQ(Main()->OnDefWindowMessage(WM_MOUSEMOVE, 0, 0, &result), S_FALSE);
  EXPECT_FALSE(host_.TakeRedrawFlag());  // none of these asks for a redraw
}

TEST_F(ControlSiteTest, GetWindowContextGivesNoFrameAndTheObjectRectangle) {
  IOleInPlaceFrame* frame = reinterpret_cast<IOleInPlaceFrame*>(1);
  IOleInPlaceUIWindow* doc = reinterpret_cast<IOleInPlaceUIWindow*>(1);
  RECT position = {9, 9, 9, 9}, clip = {9, 9, 9, 9};
  OLEINPLACEFRAMEINFO info;
  info.cb = 12345;
  info.fMDIApp = TRUE;
  info.hwndFrame = reinterpret_cast<HWND>(1);
  info.haccel = reinterpret_cast<HACCEL>(1);
  info.cAccelEntries = 3;
  EXPECT_EQ(Main()->GetWindowContext(&frame, &doc, &position, &clip, &info), S_OK);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(doc, nullptr);
  EXPECT_TRUE(EqualRect(&position, &host_.ObjectRect()));
  EXPECT_TRUE(EqualRect(&clip, &host_.ObjectRect()));
  EXPECT_EQ(info.cb, 12345u);  // the caller's field
  EXPECT_EQ(info.fMDIApp, FALSE);
  EXPECT_EQ(info.hwndFrame, nullptr);
  EXPECT_EQ(info.haccel, nullptr);
  EXPECT_EQ(info.cAccelEntries, 0u);
}

TEST_F(ControlSiteTest, NoDeviceContextForTheControl) {
  HDC dc = reinterpret_cast<HDC>(1);
  EXPECT_EQ(Main()->GetDC(nullptr, 0, &dc), E_INVALIDARG);
  EXPECT_EQ(dc, nullptr);
  const RECT r = {0, 0, 10, 10};
  EXPECT_EQ(Main()->GetDC(&r, OLEDC_NODRAW, &dc), E_INVALIDARG);
  const quillon::window_dc screen(nullptr);
  EXPECT_EQ(Main()->ReleaseDC(screen.get()), E_INVALIDARG);
}

TEST_F(ControlSiteTest, EveryInvalidationSetsOneRedrawFlag) {
  EXPECT_FALSE(host_.TakeRedrawFlag());
  const RECT r = {10, 10, 20, 20};
  const quenda::unique_gdi<HRGN> region(CreateRectRgn(0, 0, 5, 5));
  EXPECT_EQ(Main()->InvalidateRect(nullptr, FALSE), S_OK);
  EXPECT_EQ(Main()->InvalidateRect(&r, TRUE), S_OK);
  EXPECT_EQ(Main()->InvalidateRgn(region.get(), FALSE), S_OK);
  EXPECT_EQ(Main()->InvalidateRgn(nullptr, TRUE), S_OK);
  // Four invalidations before a tick: one redraw.
  EXPECT_TRUE(host_.TakeRedrawFlag());
  EXPECT_FALSE(host_.TakeRedrawFlag());
  EXPECT_EQ(Main()->InvalidateRgn(nullptr, FALSE), S_OK);
  EXPECT_TRUE(host_.TakeRedrawFlag());
}

TEST_F(ControlSiteTest, AdjustRectNeedsARectangle) {
  RECT r = {1, 2, 3, 4};
  EXPECT_EQ(Main()->AdjustRect(&r), S_OK);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
  EXPECT_EQ(Main()->AdjustRect(nullptr), E_INVALIDARG);
}

TEST_F(ControlSiteTest, ClientSiteAnswers) {
  EXPECT_EQ(Client()->SaveObject(), S_OK);
  IMoniker* moniker = reinterpret_cast<IMoniker*>(1);
  EXPECT_EQ(Client()->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, &moniker),
            E_NOTIMPL);
  EXPECT_EQ(moniker, nullptr);
  IOleContainer* container = reinterpret_cast<IOleContainer*>(1);
  EXPECT_EQ(Client()->GetContainer(&container), E_NOINTERFACE);
  EXPECT_EQ(container, nullptr);
  EXPECT_EQ(Client()->ShowObject(), E_NOTIMPL);
  EXPECT_EQ(Client()->OnShowWindow(TRUE), E_NOTIMPL);
  EXPECT_EQ(Client()->RequestNewObjectLayout(), E_NOTIMPL);
  // The client interface counts on the same object.
  EXPECT_EQ(Client()->AddRef(), 2u);
  EXPECT_EQ(Main()->Release(), 1u);
}

TEST_F(ControlSiteTest, ADetachedSiteNoLongerReachesItsHost) {
  site_->Detach();
  EXPECT_EQ(Main()->InvalidateRect(nullptr, FALSE), S_OK);
  EXPECT_EQ(Main()->InvalidateRgn(nullptr, FALSE), S_OK);
  EXPECT_FALSE(host_.TakeRedrawFlag());
  RECT position = {9, 9, 9, 9}, clip = {9, 9, 9, 9};
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* doc = nullptr;
  OLEINPLACEFRAMEINFO info = {};
  EXPECT_EQ(Main()->GetWindowContext(&frame, &doc, &position, &clip, &info), S_OK);
  EXPECT_TRUE(IsRectEmpty(&position));
  EXPECT_TRUE(IsRectEmpty(&clip));
}

}  // namespace
