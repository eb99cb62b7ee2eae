#include "UiHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TestSupport.h"

namespace duitest {

namespace {
const UINT kRunTask = WM_APP + 1;
const UINT kPostTask = WM_APP + 2;
const UINT kQuit = WM_APP + 3;
}  // namespace

UiThread::UiThread() {
  ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  thread_.reset(::CreateThread(nullptr, 0, Main, this, 0, &threadId_));
  ::WaitForSingleObject(ready_.get(), INFINITE);
}

UiThread::~UiThread() {
  ::PostMessageW(tasks_, kQuit, 0, 0);
  ::WaitForSingleObject(thread_.get(), 30000);
}

void UiThread::Run(const std::function<void()>& fn) {
  ::SendMessageW(tasks_, kRunTask, reinterpret_cast<WPARAM>(&fn), 0);
}

void UiThread::Post(const std::function<void()>& fn) {
  ::PostMessageW(tasks_, kPostTask, reinterpret_cast<WPARAM>(new std::function<void()>(fn)), 0);
}

LRESULT CALLBACK UiThread::TaskProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kRunTask:
      (*reinterpret_cast<const std::function<void()>*>(wParam))();
      return 0;
    case kPostTask: {
      std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(wParam));
      (*fn)();
      return 0;
    }
    case kQuit:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hWnd, msg, wParam, lParam);
  }
}

DWORD WINAPI UiThread::Main(LPVOID param) {
  UiThread* self = static_cast<UiThread*>(param);
  ::CoInitialize(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = TaskProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DuiLibTestTasks";
  ::RegisterClassW(&wc);
  self->tasks_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
  ::SetEvent(self->ready_.get());
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  ::DestroyWindow(self->tasks_);
  ::CoUninitialize();
  return 0;
}

RECT TestWindow::ScreenRect(const wchar_t* name) {
  RECT r = {};
  CControlUI* c = Find(name);
  if (!c) return r;
  r = c->GetPos();
  POINT tl = {r.left, r.top}, br = {r.right, r.bottom};
  ::ClientToScreen(GetHWND(), &tl);
  ::ClientToScreen(GetHWND(), &br);
  return RECT{tl.x, tl.y, br.x, br.y};
}

void TestWindow::Notify(TNotifyUI& msg) {
  std::string entry = Narrow(msg.sType.GetData()) + ":" +
                      (msg.pSender ? Narrow(msg.pSender->GetName().GetData()) : std::string("?"));
  if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender && msg.pSender->GetInterface(DUI_CTR_OPTION)) {
    entry += static_cast<COptionUI*>(msg.pSender)->IsSelected() ? ":1" : ":0";
  }
  log.push_back(entry);
  if (onNotify) onNotify(msg);
}

bool WaitFor(UiThread& ui, const std::function<bool()>& cond, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (ui.Get<bool>(cond)) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    testsupport::Pump(20);
  }
}

namespace {
// The screen's device context (GetDC(nullptr)), borrowed and given back.
struct ScreenDcTraits {
  using pointer = HDC;
  static pointer empty() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::ReleaseDC(nullptr, h); }
};
}  // namespace

std::vector<COLORREF> Capture(const RECT& rect) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  std::vector<COLORREF> out;
  if (w <= 0 || h <= 0) return out;
  quenda::unique_hdc mem(::CreateCompatibleDC(nullptr));
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  quenda::unique_hbitmap bmp(::CreateDIBSection(mem.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!mem || !bmp) return out;
  HGDIOBJ old = ::SelectObject(mem.get(), bmp.get());
  {
    const quenda::unique_any<ScreenDcTraits> screen(::GetDC(nullptr));
    ::BitBlt(mem.get(), 0, 0, w, h, screen.get(), rect.left, rect.top, SRCCOPY);
  }
  ::GdiFlush();
  const DWORD* px = static_cast<const DWORD*>(bits);
  out.reserve(static_cast<size_t>(w) * h);
  for (int i = 0; i < w * h; ++i) {
    const DWORD p = px[i];  // 0x00RRGGBB
    out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  ::SelectObject(mem.get(), old);
  return out;
}

namespace {
bool IsInk(COLORREF c, COLORREF background) {
  const int d = abs(GetRValue(c) - GetRValue(background)) +
                abs(GetGValue(c) - GetGValue(background)) +
                abs(GetBValue(c) - GetBValue(background));
  return d > 120;
}
}  // namespace

int CountInk(const RECT& rect, COLORREF background) {
  int n = 0;
  for (COLORREF c : Capture(rect)) n += IsInk(c, background) ? 1 : 0;
  return n;
}

std::vector<int> InkRows(const RECT& rect, COLORREF background) {
  const std::vector<COLORREF> px = Capture(rect);
  const int w = rect.right - rect.left;
  std::vector<int> rows;
  for (int y = 0; w > 0 && y < static_cast<int>(px.size()) / w; ++y) {
    for (int x = 0; x < w; ++x) {
      if (IsInk(px[static_cast<size_t>(y) * w + x], background)) {
        rows.push_back(y);
        break;
      }
    }
  }
  return rows;
}

std::wstring ArtifactDir() {
  std::wstring dir = testsupport::BinaryDir();
  if (dir.empty()) dir = testsupport::ExeDir() + L"\\..";
  dir += L"\\tests\\artifacts";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  dir += L"\\duilib";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

std::string Narrow(const std::wstring& s) { return testsupport::ToUtf8(s); }

POINT Center(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// ---- Shared by the test files ---------------------------------------------------------------

namespace {
UiThread* g_ui = nullptr;

class UiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { g_ui = new UiThread; }
  void TearDown() override {
    delete g_ui;
    g_ui = nullptr;
  }
};
const bool g_registered = (::testing::AddGlobalTestEnvironment(new UiEnvironment), true);
}  // namespace

UiThread& Ui() { return *g_ui; }

std::wstring TestSkins() { return testsupport::SourceDir() + L"\\tests\\duilib\\"; }

void Window::Close() {
  if (!w) return;
  TestWindow* doomed = w;
  w = nullptr;
  Ui().Run([doomed] { delete doomed; });
}

bool Open(Window* out, const std::wstring& folder, const std::wstring& file, DWORD style, int x,
          int y, int cx, int cy, HWND owner, DWORD exStyle) {
  TestWindow* made = nullptr;
  Ui().Run([&] {
    std::unique_ptr<TestWindow> w(new TestWindow(folder, file));
    if (w->Create(owner, L"duilib test", style, exStyle, x, y, cx, cy)) made = w.release();
  });
  out->w = made;
  return made != nullptr;
}

bool OpenTest(Window* out, const std::wstring& file, DWORD style, int x, int y, int cx, int cy,
              HWND owner) {
  Ui().Run([] { CPaintManagerUI::SetResourcePath(TestSkins().c_str()); });
  return Open(out, L"skins\\", file, style, x, y, cx, cy, owner);
}

bool Logged(TestWindow* w, const std::string& entry) {
  return std::find(w->log.begin(), w->log.end(), entry) != w->log.end();
}

bool Settle(Window& w) {
  const bool laidOut = WaitFor(Ui(), [&] {
    for (const std::string& e : w->log) {
      if (e.compare(0, 11, "windowinit:") == 0) return true;
    }
    return false;
  });
  testsupport::Pump(150);
  return laidOut;
}

RECT WindowRect(HWND hwnd) {
  RECT r = {};
  ::GetWindowRect(hwnd, &r);
  return r;
}

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

std::string Pos(Window& w, const wchar_t* name) {
  return Ui().Get<std::string>([&] {
    CControlUI* c = w->Find(name);
    return c ? Str(c->GetPos()) : std::string("missing");
  });
}

}  // namespace duitest
