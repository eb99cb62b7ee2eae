// The web browser control: the system's WebBrowser hosted in place, navigating for real
// against the loopback server, and the default answers that the launchers rely on.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UiHarness.h"

using namespace duitest;

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
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(static_cast<IDocHostUIHandler*>(web)->GetExternal(&external), S_FALSE);
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

  // The launchers release one reference too many through the document host; the control
  // does not depend on that count and keeps working.
  Ui().Run([&] {
    static_cast<IDocHostUIHandler*>(web)->Release();
    static_cast<IDocHostUIHandler*>(web)->Release();
    web->Navigate2((base + L"/page.html?again=" + run).c_str());
  });
  EXPECT_TRUE(WaitFor(
      Ui(),
      [&] { return ServerLog().find("GET /page.html?again=" + runA + " ") != std::string::npos; },
      15000));
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
  LPOLESTR key = reinterpret_cast<LPOLESTR>(0x1234);
  EXPECT_EQ(h.GetOptionKeyPath(nullptr, &key, 0), S_OK);
  EXPECT_EQ(key, reinterpret_cast<LPOLESTR>(0x1234));
  IDropTarget* drop = nullptr;
  EXPECT_EQ(h.GetDropTarget(nullptr, nullptr, &drop), E_NOTIMPL);
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(h.GetExternal(nullptr, &external), E_NOTIMPL);
  EXPECT_EQ(external, nullptr);
  OLECHAR* out = reinterpret_cast<OLECHAR*>(0x5678);
  EXPECT_EQ(h.TranslateUrl(nullptr, 0, const_cast<OLECHAR*>(L"http://x/"), &out), S_OK);
  EXPECT_EQ(out, reinterpret_cast<OLECHAR*>(0x5678));
  IDataObject* data = reinterpret_cast<IDataObject*>(0x9abc);
  EXPECT_EQ(h.FilterDataObject(nullptr, nullptr, &data), S_OK);
  EXPECT_EQ(data, reinterpret_cast<IDataObject*>(0x9abc));
  EXPECT_EQ(h.Download(nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0), S_OK);
}

TEST(DuiBrowser, ControlServesAsDocumentHostAndDownloadManager) {
  CWebBrowserUI web;  // not in a window: only its COM side is asked here
  IDocHostUIHandler* host = nullptr;
  ASSERT_EQ(web.QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&host)), S_OK);
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  EXPECT_EQ(host->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER));
  EXPECT_EQ(host->ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);

  IServiceProvider* services = nullptr;
  ASSERT_EQ(host->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services)), S_OK);
  IDownloadManager* downloads = nullptr;
  EXPECT_EQ(services->QueryService(kIidDownloadManager, kIidDownloadManager,
                                   reinterpret_cast<void**>(&downloads)),
            S_OK);
  ASSERT_NE(downloads, nullptr);
  EXPECT_EQ(downloads->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0), S_OK);

  // Script errors on a page are never shown.
  IOleCommandTarget* target = nullptr;
  ASSERT_EQ(host->QueryInterface(IID_IOleCommandTarget, reinterpret_cast<void**>(&target)), S_OK);
  VARIANT result;
  ::VariantInit(&result);
  EXPECT_EQ(
      target->Exec(&kCgidDocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &result),
      S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);

  // Releasing more than was taken is harmless: the control tree owns the object.
  for (int i = 0; i < 6; ++i) host->Release();
  EXPECT_EQ(web.AddRef(), 1u);
}

}  // namespace
