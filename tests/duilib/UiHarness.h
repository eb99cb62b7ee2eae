// The skin library's GUI tests run their windows on a UI thread of their own, so the test
// thread can drive real mouse input, wait and look while the UI thread runs message loops
// (modal windows, the system's move loop) as a program would.
#pragma once

#include <UIlib.h>

#include <functional>
#include <string>
#include <vector>

#include "UniqueHandle.h"

namespace duitest {

using namespace DuiLib;

class UiThread {
 public:
  UiThread();
  ~UiThread();
  UiThread(const UiThread&) = delete;
  UiThread& operator=(const UiThread&) = delete;

  // Runs fn on the UI thread and waits for it (also while the UI thread is inside a nested
  // message loop).
  void Run(const std::function<void()>& fn);
  // Queues fn for the UI thread's message loop and returns at once (for things that block,
  // such as ShowModal or a creation that shows a message box).
  void Post(const std::function<void()>& fn);
  template <typename T>
  T Get(const std::function<T()>& fn) {
    T value{};
    Run([&] { value = fn(); });
    return value;
  }
  DWORD ThreadId() const { return threadId_; }

 private:
  static DWORD WINAPI Main(LPVOID self);
  static LRESULT CALLBACK TaskProc(HWND, UINT, WPARAM, LPARAM);

  quenda::unique_handle thread_;
  DWORD threadId_ = 0;
  quenda::unique_handle ready_;
  HWND tasks_ = nullptr;
};

// A skinned window for the tests: any skin file, and a log of its notifications.
class TestWindow : public WindowImplBase {
 public:
  TestWindow(const std::wstring& folder, const std::wstring& file) : folder_(folder), file_(file) {}

  // "type:sender" per notification; for a click on an option ":0" or ":1" follows, the
  // option's state when the click was announced.
  std::vector<std::string> log;
  int initWindowCalls = 0;
  std::function<void(TNotifyUI&)> onNotify;

  CPaintManagerUI& Manager() { return m_PaintManager; }
  CControlUI* Find(const wchar_t* name) { return m_PaintManager.FindControl(name); }
  // Screen rectangle of a control.
  RECT ScreenRect(const wchar_t* name);

  void Notify(TNotifyUI& msg) override;
  void InitWindow() override { ++initWindowCalls; }

 protected:
  LPCTSTR GetWindowClassName() const override { return L"DuiLibTestWindow"; }
  CDuiString GetSkinFolder() override { return folder_.c_str(); }
  CDuiString GetSkinFile() override { return file_.c_str(); }

 private:
  std::wstring folder_, file_;
};

// Polls cond (on the UI thread) until it holds or the time is up.
bool WaitFor(UiThread& ui, const std::function<bool()>& cond, DWORD timeoutMs = 5000);

// The screen's pixels in rect, row by row (COLORREF values).
std::vector<COLORREF> Capture(const RECT& rect);
// Pixels of rect that differ clearly from the colour `background`.
int CountInk(const RECT& rect, COLORREF background);
// Rows of rect (relative) that hold ink.
std::vector<int> InkRows(const RECT& rect, COLORREF background);

// Where the tests keep their screenshots: <build>/tests/artifacts/duilib.
std::wstring ArtifactDir();

std::string Narrow(const std::wstring& s);
POINT Center(const RECT& r);

// ---- Shared by the test files ---------------------------------------------------------------

// The one UI thread of the test program (started before the first test).
UiThread& Ui();

const DWORD kOverlapped = WS_VISIBLE | WS_OVERLAPPEDWINDOW;  // 0x10CF0000
const DWORD kDialog = 0x96C80000;                            // the launchers' popup style

// Folder of the tests' own skins (holding skins\).
std::wstring TestSkins();

// A test window that lives on the UI thread and is deleted there.
struct Window {
  TestWindow* w = nullptr;
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() { Close(); }
  void Close();
  TestWindow* operator->() const { return w; }
  HWND hwnd() const { return w ? w->GetHWND() : nullptr; }
};

// Creates a window on the UI thread from skin `file` in `folder` (below the resource path);
// false when Create failed.
bool Open(Window* out, const std::wstring& folder, const std::wstring& file, DWORD style, int x,
          int y, int cx, int cy, HWND owner = nullptr, DWORD exStyle = 0);
// The same with the tests' own skins.
bool OpenTest(Window* out, const std::wstring& file, DWORD style, int x, int y, int cx, int cy,
              HWND owner = nullptr);
bool Logged(TestWindow* w, const std::string& entry);
// Waits for the window's first layout ("windowinit") and lets painting finish.
bool Settle(Window& w);
RECT WindowRect(HWND hwnd);
std::string Str(const RECT& r);
// A control's rectangle in the window ("missing" when there is no such control).
std::string Pos(Window& w, const wchar_t* name);

}  // namespace duitest
