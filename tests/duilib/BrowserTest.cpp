// The web browser control: the system's WebBrowser hosted in place, navigating for real
// against the loopback server, and the default answers that the launchers rely on.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UiHarness.h"
#include "UniqueHandle.h"

using namespace duitest;
using quenda::com_ptr;

namespace {

// Not every toolkit's uuid library carries these two.
const GUID kIidDownloadManager = {
    0x988934a4, 0x064b, 0x11d3, {0xbb, 0x80, 0x00, 0x10, 0x4b, 0x35, 0xe7, 0xf9}};
const GUID kCgidDocHostCommandHandler = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

class RecordingHandler : public CWebBrowserEventHandler {
 public:
  std::vector<std::wstring> before;
  void BeforeNavigate2(CWebBrowserUI*, IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*&, VARIANT*&,
                       VARIANT*&, VARIANT_BOOL*&) override {
    if (url && url->vt == VT_BSTR && url->bstrVal) before.push_back(url->bstrVal);
  }
  // Overridden to see that the control asks the handler, not its own defaults.
  HRESULT STDMETHODCALLTYPE GetExternal(CWebBrowserUI*, IDispatch** ppDispatch) override {
    if (ppDispatch) *ppDispatch = nullptr;
    return S_FALSE;
  }
};

// The client site that a browser control gave its browser.
com_ptr<IOleClientSite> SiteOf(CWebBrowserUI* web) {
  com_ptr<IOleObject> object;
  com_ptr<IOleClientSite> site;
  if (SUCCEEDED(web->GetControl(IID_IOleObject, object.put_void())))
    object->GetClientSite(site.put());
  return site;
}

// The object's identity: its IUnknown.
IUnknown* Identity(IUnknown* object) {
  com_ptr<IUnknown> unknown;
  object->QueryInterface(IID_IUnknown, unknown.put_void());
  return unknown.get();  // still held by the object itself
}

std::string ServerLog() {
  std::string log;
  testsupport::ReadFileBytes(testsupport::WinPath(testsupport::Env(L"QUENDA_HTTP_LOG")), &log);
  return log;
}

TEST(DuiBrowser, NavigatesThroughTheLoopbackServer) {
  const std::wstring base = testsupport::Env(L"QUENDA_HTTP_BASE");
  if (base.empty()) GTEST_SKIP() << "needs the loopback server (run through CTest)";
  const std::vector<HWND> before = testsupport::TopWindows(::GetCurrentProcessId());

  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Browser.xml", kOverlapped, 120, 90, 0, 0));
  ASSERT_TRUE(Settle(w));
  RecordingHandler handler;
  // The server's log outlives a run: every run asks for addresses of its own.
  const std::wstring run =
      std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
  const std::string runA = Narrow(run);
  const std::wstring url = base + L"/page.html?UserID=1234&UserPass=p%20w&run=" + run;
  CWebBrowserUI* web = nullptr;
  Ui().Run([&] {
    web = static_cast<CWebBrowserUI*>(w->Find(L"web")->GetInterface(DUI_CTR_WEBBROWSER));
    ASSERT_NE(web, nullptr);
    ASSERT_NE(web->GetWebBrowser2(), nullptr);
    web->SetWebBrowserEventHandler(&handler);
    web->Navigate2(url.c_str());
  });
  ASSERT_NE(web, nullptr);

  // The browser really asks the server for the page.
  EXPECT_TRUE(WaitFor(
      Ui(),
      [&] {
        return ServerLog().find("GET /page.html?UserID=1234&UserPass=p%20w&run=" + runA + " ") !=
               std::string::npos;
      },
      15000))
      << ServerLog();
  EXPECT_TRUE(WaitFor(
      Ui(), [&] { return web->GetLocationURL() == url.c_str(); }, 10000));
  Ui().Run([&] {
    // Its window sits in place over the control.
    HWND host = web->GetHostWindow();
    ASSERT_NE(host, nullptr);
    EXPECT_TRUE(::IsChild(w.hwnd(), host));
    RECT hr = {};
    ::GetWindowRect(host, &hr);
    EXPECT_EQ(Str(hr), Str(w->ScreenRect(L"web")));
    // It hides and shows with its control.
    web->SetVisible(false);
    EXPECT_FALSE(::IsWindowVisible(host));
    web->SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(host));
    // The document host goes to the program's handler.
    const auto docHost = SiteOf(web).query<IDocHostUIHandler>(IID_IDocHostUIHandler);
    ASSERT_TRUE(docHost);
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(docHost->GetExternal(&external), S_FALSE);
  });
  if (!handler.before.empty()) {
    EXPECT_EQ(handler.before.front(), url);
  }

  // No other window appeared (such as an offer to install an HTML engine).
  testsupport::Pump(500);
  std::vector<HWND> now = testsupport::TopWindows(::GetCurrentProcessId());
  for (HWND h : before) now.erase(std::remove(now.begin(), now.end(), h), now.end());
  now.erase(std::remove(now.begin(), now.end(), w.hwnd()), now.end());
  for (HWND h : now)
    ADD_FAILURE() << "unexpected window: " << Narrow(testsupport::ClassName(h)) << " \""
                  << Narrow(testsupport::WindowText(h)) << "\"";
  testsupport::SaveScreenshot(ArtifactDir() + L"\\browser.bmp");

  w.Close();
}

TEST(DuiBrowser, DefaultAnswersOfTheEventHandler) {
  CWebBrowserEventHandler h;
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  info.dwFlags = 0x10;
  EXPECT_EQ(h.GetHostInfo(nullptr, &info), S_OK);
  EXPECT_EQ(info.dwFlags, 0x10u | DOCHOSTUIFLAG_NO3DBORDER);
  POINT pt = {10, 20};
  EXPECT_EQ(h.ShowContextMenu(nullptr, 0, &pt, nullptr, nullptr), S_OK);  // no browser menu
  EXPECT_TRUE(h.OnContextMenu(nullptr, 10, 20));
  EXPECT_EQ(h.ShowUI(nullptr, 0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
  EXPECT_EQ(h.HideUI(nullptr), S_OK);
  EXPECT_EQ(h.UpdateUI(nullptr), S_OK);
  EXPECT_EQ(h.EnableModeless(nullptr, TRUE), S_OK);
  EXPECT_EQ(h.OnDocWindowActivate(nullptr, TRUE), S_OK);
  EXPECT_EQ(h.OnFrameWindowActivate(nullptr, TRUE), S_OK);
  EXPECT_EQ(h.ResizeBorder(nullptr, nullptr, nullptr, TRUE), S_OK);
  MSG msg = {};
  EXPECT_EQ(h.TranslateAccelerator(nullptr, &msg, nullptr, 0), S_FALSE);
  // Whatever hands out nothing says so with a null output: the browser never reads what
  // happened to be there.
  LPOLESTR key = reinterpret_cast<LPOLESTR>(0x1234);
  EXPECT_EQ(h.GetOptionKeyPath(nullptr, &key, 0), S_FALSE);
  EXPECT_EQ(key, nullptr);
  IDropTarget* drop = reinterpret_cast<IDropTarget*>(1);
  EXPECT_EQ(h.GetDropTarget(nullptr, nullptr, &drop), E_NOTIMPL);
  EXPECT_EQ(drop, nullptr);
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(h.GetExternal(nullptr, &external), E_NOTIMPL);
  EXPECT_EQ(external, nullptr);
  OLECHAR* out = reinterpret_cast<OLECHAR*>(0x5678);
  EXPECT_EQ(h.TranslateUrl(nullptr, 0, const_cast<OLECHAR*>(L"http://x/"), &out), S_FALSE);
  EXPECT_EQ(out, nullptr);
  IDataObject* data = reinterpret_cast<IDataObject*>(0x9abc);
  EXPECT_EQ(h.FilterDataObject(nullptr, nullptr, &data), S_FALSE);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(h.Download(nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0), S_OK);
}

// The browser's site is one COM object: every interface leads back to the same identity, it
// serves as document host, download manager and command target, and it lives as long as the
// browser side holds it, answering with the defaults once its control is gone.
TEST(DuiBrowser, SiteIsOneObjectThatOutlivesItsControl) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Browser.xml", kOverlapped, 140, 110, 0, 0));
  ASSERT_TRUE(Settle(w));
  com_ptr<IDocHostUIHandler> host;
  Ui().Run([&] {
    CWebBrowserUI* web =
        static_cast<CWebBrowserUI*>(w->Find(L"web")->GetInterface(DUI_CTR_WEBBROWSER));
    ASSERT_NE(web, nullptr);
    const com_ptr<IOleClientSite> site = SiteOf(web);
    ASSERT_TRUE(site);
    host = site.query<IDocHostUIHandler>(IID_IDocHostUIHandler);
    ASSERT_TRUE(host);
    EXPECT_EQ(Identity(host.get()), Identity(site.get()));
    EXPECT_TRUE(host.query<IOleInPlaceSite>(IID_IOleInPlaceSite));  // and back again

    const auto services = host.query<IServiceProvider>(IID_IServiceProvider);
    ASSERT_TRUE(services);
    EXPECT_EQ(Identity(services.get()), Identity(site.get()));
    com_ptr<IDownloadManager> downloads;
    EXPECT_EQ(
        services->QueryService(kIidDownloadManager, kIidDownloadManager, downloads.put_void()),
        S_OK);
    ASSERT_TRUE(downloads);
    EXPECT_EQ(Identity(downloads.get()), Identity(site.get()));
    EXPECT_EQ(downloads->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0), S_OK);

    // Script errors on a page are never shown.
    const auto target = host.query<IOleCommandTarget>(IID_IOleCommandTarget);
    ASSERT_TRUE(target);
    VARIANT result;
    ::VariantInit(&result);
    EXPECT_EQ(
        target->Exec(&kCgidDocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &result),
        S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
  });
  ASSERT_TRUE(host);

  // The control goes; the reference kept here still gets the default answers.
  w.Close();
  Ui().Run([&] {
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof(info);
    EXPECT_EQ(host->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER));
    EXPECT_EQ(host->ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(host->GetExternal(&external), E_NOTIMPL);
    EXPECT_EQ(external, nullptr);
    host.reset();  // the last reference: the site goes now
  });
}

}  // namespace
