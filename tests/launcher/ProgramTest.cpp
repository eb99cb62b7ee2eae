// vintor and pellam as programs, on the (Xvfb) screen, driven from outside with real mouse
// and keyboard input: the window, the address the browser asks the loopback server for, the
// window buttons, the exit confirmation and the exit code. Button positions come from laying
// the same skins out in this process (SkinLayout).
//
// The fixture script runs a loopback HTTP server (QUENDA_HTTP_BASE, request log in
// QUENDA_HTTP_LOG) and turns the screenshots left in QUENDA_LAUNCHER_SHOTS into PNG files.
#include <gtest/gtest.h>

#include <time.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SkinLayout.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

using testsupport::Child;

namespace {

const wchar_t kMainClass[] = L"MainFrmWnd";
const wchar_t kExitClass[] = L"ExitTipWnd";
const wchar_t kCaption[] = L"Orvane休闲娱乐中心";
// Characters that travel through the browser's request unchanged.
const char kPassword[] = "Pw-1_x.~!*@";

struct Program {
  const wchar_t* exe;
  const wchar_t* mainSkin;
  const wchar_t* exitSkin;
  const wchar_t* closeButton;      // main window
  const wchar_t* exitCloseButton;  // exit window
};
const Program kVintor = {L"vintor.exe", L"WndVintorMain.xml", L"WndVintorExit.xml", L"btnclose",
                         L"btnCloseTip"};
const Program kPellam = {L"pellam.exe", L"WndPellam2.xml", L"WndExitGame.xml", L"btn_close",
                         L"btn_close"};

std::wstring HttpBase() { return testsupport::Env(L"QUENDA_HTTP_BASE"); }

std::string RequestLog() {
  std::string log;
  testsupport::ReadFileBytes(testsupport::WinPath(testsupport::Env(L"QUENDA_HTTP_LOG")), &log);
  return log;
}

// Waits for a request line starting with `prefix` ("GET /path?query") and returns the rest of
// the request target after the prefix ("" when none came).
bool WaitForRequest(const std::string& prefix, std::string* rest, DWORD timeoutMs = 20000) {
  const DWORD start = GetTickCount();
  for (;;) {
    const std::string log = RequestLog();
    for (size_t at = log.find(prefix); at != std::string::npos; at = log.find(prefix, at + 1)) {
      if (at != 0 && log[at - 1] != '\n') continue;
      const size_t end = log.find(" HTTP/", at);
      if (end == std::string::npos) continue;
      *rest = log.substr(at + prefix.size(), end - at - prefix.size());
      return true;
    }
    if (GetTickCount() - start >= timeoutMs) return false;
    testsupport::Pump(100);
  }
}

std::wstring ShotPath(const std::wstring& name) {
  std::wstring dir = testsupport::WinPath(testsupport::Env(L"QUENDA_LAUNCHER_SHOTS"));
  if (dir.empty()) dir = testsupport::ScratchDir(L"launcher_shots");
  return dir + L"\\" + name + L".bmp";
}

void Shot(const std::wstring& name, HWND window) {
  testsupport::Pump(300);  // let painting finish
  RECT r;
  GetWindowRect(window, &r);
  testsupport::SaveScreenshot(ShotPath(name), &r);
}

RECT WorkArea() {
  RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }
POINT Origin(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return POINT{r.left, r.top};
}

// `inner` is centred on `outer` (to the pixel that integer halves allow).
::testing::AssertionResult CentredOn(const RECT& inner, const RECT& outer) {
  const int dx = (inner.left + inner.right) - (outer.left + outer.right);
  const int dy = (inner.top + inner.bottom) - (outer.top + outer.bottom);
  if (std::abs(dx) <= 2 && std::abs(dy) <= 2) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "window " << inner.left << "," << inner.top << "-" << inner.right << "," << inner.bottom
         << " is not centred on " << outer.left << "," << outer.top << "-" << outer.right << ","
         << outer.bottom;
}

bool IsTopmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// Alt+F4 as the keyboard sends it, to whichever window has the focus.
void PressAltF4() {
  INPUT in[4] = {};
  const WORD keys[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(4, in, sizeof(INPUT));
  testsupport::Pump(300);
}

// One launcher process.
class Launcher {
 public:
  // The program in the build's program folder, or in `folder`.
  explicit Launcher(const Program& program, const std::wstring& folder = L"")
      : program_(program), folder_(folder.empty() ? testsupport::RuntimeDir() : folder) {}

  // Starts the program with `arguments` after its quoted path and waits for its main window.
  ::testing::AssertionResult Start(const std::wstring& arguments) {
    const std::wstring exe = folder_ + L"\\" + program_.exe;
    if (!child_.Start(exe, testsupport::Quote(exe) + L" " + arguments)) {
      return ::testing::AssertionFailure() << "could not start the program";
    }
    window_ = testsupport::WaitForWindow(child_.Pid(), kMainClass, L"", 30000);
    if (!window_) return ::testing::AssertionFailure() << "no main window appeared";
    testsupport::Pump(300);  // the window is centred and shown right after creation
    return ::testing::AssertionSuccess();
  }

  HWND Window() const { return window_; }
  Child& Process() { return child_; }
  RECT Rect() const {
    RECT r;
    GetWindowRect(window_, &r);
    return r;
  }
  // The main window laid out at its current size.
  SkinLayout Layout() const {
    const SIZE s = SizeOf(Rect());
    return SkinLayout(program_.mainSkin, s.cx, s.cy);
  }
  void ClickControl(const SkinLayout& layout, const wchar_t* name) {
    const POINT p = layout.OnScreen(name, Origin(window_));
    testsupport::Click(p.x, p.y);
    testsupport::Pump(300);
  }

  // Clicks the close button and waits for a new exit window.
  HWND OpenExitWindow() {
    ClickControl(Layout(), program_.closeButton);
    return WaitForExitWindow();
  }
  HWND WaitForExitWindow() {
    HWND tip = testsupport::WaitForWindow(child_.Pid(), kExitClass, L"", 10000);
    testsupport::Pump(300);
    return tip;
  }
  // Clicks a button of the exit window `tip` and waits for the window to go.
  bool AnswerExitWindow(HWND tip, const wchar_t* button) {
    const SIZE s = SizeOf(WindowRect(tip));
    SkinLayout layout(program_.exitSkin, s.cx, s.cy);
    const POINT p = layout.OnScreen(button, Origin(tip));
    testsupport::Click(p.x, p.y);
    return testsupport::WaitWindowGone(tip, 10000);
  }
  std::vector<HWND> ExitTips() const {
    return testsupport::TopWindows(const_cast<Child&>(child_).Pid(), kExitClass);
  }

  static RECT WindowRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
  }

 private:
  const Program& program_;
  std::wstring folder_;
  Child child_;
  HWND window_ = nullptr;
};

// The exit window as it must be, whichever way it was opened.
void ExpectExitWindow(HWND tip, HWND main, const Program& program) {
  ASSERT_NE(tip, nullptr) << "no exit window";
  EXPECT_EQ(GetWindow(tip, GW_OWNER), main);
  EXPECT_FALSE(IsWindowEnabled(main)) << "the exit window is not modal";
  const LONG exStyle = GetWindowLongW(tip, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
  SkinLayout skin(program.exitSkin);
  ASSERT_TRUE(skin.Ok());
  const SIZE size = SizeOf(Launcher::WindowRect(tip));
  EXPECT_EQ(size.cx, skin.SkinSize().cx);
  EXPECT_EQ(size.cy, skin.SkinSize().cy);
  EXPECT_TRUE(CentredOn(Launcher::WindowRect(tip), Launcher::WindowRect(main)));
}

// Opens the exit window with the close button and confirms: the program ends with 0.
void ConfirmEndsTheProgram(Launcher& launcher, const Program& program) {
  HWND tip = launcher.OpenExitWindow();
  ExpectExitWindow(tip, launcher.Window(), program);
  if (!tip) return;
  const SIZE s = SizeOf(Launcher::WindowRect(tip));
  SkinLayout layout(program.exitSkin, s.cx, s.cy);
  const POINT p = layout.OnScreen(L"btn_confirm", Origin(tip));
  testsupport::Click(p.x, p.y);
  DWORD exitCode = 1;
  EXPECT_TRUE(launcher.Process().Wait(10000, &exitCode)) << "confirming did not end the program";
  EXPECT_EQ(exitCode, 0u);
}

// Cancelling (with the cancel button, then with the window's own close button) keeps the game
// running, with a fresh exit window each time; confirming ends the program with 0.
void CancelTwiceThenConfirm(Launcher& launcher, const Program& program, const wchar_t* shot) {
  const RECT before = launcher.Rect();
  const wchar_t* cancels[] = {L"btn_cancel", program.exitCloseButton};
  HWND previous = nullptr;
  for (const wchar_t* cancel : cancels) {
    SCOPED_TRACE(testing::Message() << "cancel with " << testsupport::ToUtf8(cancel));
    HWND tip = launcher.OpenExitWindow();
    ExpectExitWindow(tip, launcher.Window(), program);
    if (!tip) return;
    EXPECT_NE(tip, previous);
    if (shot) {
      Shot(shot, launcher.Window());
      shot = nullptr;
    }
    ASSERT_TRUE(launcher.AnswerExitWindow(tip, cancel));
    previous = tip;
    testsupport::Pump(300);
    EXPECT_TRUE(launcher.Process().Running());
    EXPECT_TRUE(IsWindow(launcher.Window()));
    EXPECT_TRUE(IsWindowEnabled(launcher.Window()));
    EXPECT_TRUE(IsWindowVisible(launcher.Window()));
    EXPECT_TRUE(launcher.ExitTips().empty());
    const RECT after = launcher.Rect();
    EXPECT_TRUE(EqualRect(&before, &after)) << "cancelling moved the window";
  }
  ConfirmEndsTheProgram(launcher, program);
}

// vintor: the window its skin sizes, centred; the address with id, password and the time;
// stay on top; Alt+F4 asks like the close button; cancel, cancel, confirm.
TEST(LauncherProgram, Vintor) {
  SkinLayout skin(kVintor.mainSkin);
  ASSERT_TRUE(skin.Ok());
  Launcher vintor(kVintor);
  const std::wstring base = HttpBase() + L"/game/vintor.html";
  const __time64_t startedAt = _time64(nullptr);
  ASSERT_TRUE(vintor.Start(L"chat 0 " + base + L" 1234 " + testsupport::FromUtf8(kPassword)));
  HWND window = vintor.Window();

  EXPECT_EQ(testsupport::WindowText(window), kCaption);
  const RECT rect = vintor.Rect();
  EXPECT_EQ(SizeOf(rect).cx, skin.SkinSize().cx);
  EXPECT_EQ(SizeOf(rect).cy, skin.SkinSize().cy);
  EXPECT_TRUE(CentredOn(rect, WorkArea()));
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_POPUP);
  EXPECT_TRUE(GetClassLongW(window, GCL_STYLE) & CS_DBLCLKS);
  EXPECT_FALSE(IsTopmost(window));

  std::string query;
  ASSERT_TRUE(WaitForRequest("GET /game/vintor.html?", &query)) << RequestLog();
  const std::string expected = std::string("UserID=1234&UserPass=") + kPassword + "&time=";
  ASSERT_EQ(query.substr(0, expected.size()), expected);
  const long long seconds = std::atoll(query.substr(expected.size()).c_str());
  EXPECT_EQ(query.substr(expected.size()), std::to_string(seconds));
  EXPECT_GE(seconds, startedAt);
  EXPECT_LE(seconds, _time64(nullptr));
  Shot(L"vintor_main", window);

  // Stay on top: on with the first click, off with the second; the window stays put.
  const SkinLayout layout = vintor.Layout();
  vintor.ClickControl(layout, L"btnStick");
  EXPECT_TRUE(IsTopmost(window));
  RECT now = vintor.Rect();
  EXPECT_TRUE(EqualRect(&rect, &now)) << "the window moved";
  vintor.ClickControl(layout, L"btnStick");
  EXPECT_FALSE(IsTopmost(window));
  now = vintor.Rect();
  EXPECT_TRUE(EqualRect(&rect, &now)) << "the window moved";

  // Minimise; closing from the task bar then brings the window back with the question.
  vintor.ClickControl(layout, L"btnMin");
  EXPECT_TRUE(IsIconic(window));
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  HWND tip = vintor.WaitForExitWindow();
  EXPECT_FALSE(IsIconic(window));
  ExpectExitWindow(tip, window, kVintor);
  if (tip) {
    ASSERT_TRUE(vintor.AnswerExitWindow(tip, L"btn_cancel"));
  }
  now = vintor.Rect();
  EXPECT_TRUE(EqualRect(&rect, &now));

  // Alt+F4 and the system close ask the same question as the close button.
  vintor.ClickControl(layout, L"btnStick");  // a click gives the window the keyboard focus
  vintor.ClickControl(layout, L"btnStick");
  PressAltF4();
  tip = vintor.WaitForExitWindow();
  ExpectExitWindow(tip, window, kVintor);
  if (tip) {
    ASSERT_TRUE(vintor.AnswerExitWindow(tip, L"btn_cancel"));
  }
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  tip = vintor.WaitForExitWindow();
  ExpectExitWindow(tip, window, kVintor);
  if (tip) {
    ASSERT_TRUE(vintor.AnswerExitWindow(tip, kVintor.exitCloseButton));
  }
  EXPECT_TRUE(vintor.Process().Running());

  CancelTwiceThenConfirm(vintor, kVintor, L"vintor_exit");
}

}  // namespace

namespace {

// pellam: the size from the command line, centred; the address with an id of -1 after a base
// that has a query already; no way to close but the close button; maximise and restore by the
// buttons and by the caption, the button pair following; cancel, cancel, confirm.
TEST(LauncherProgram, Pellam) {
  Launcher pellam(kPellam);
  const std::wstring base = HttpBase() + L"/game/pellam.html?room=5";
  ASSERT_TRUE(pellam.Start(L"chat 0 \"" + base + L"\" -1 " + testsupport::FromUtf8(kPassword) +
                           L" 800 600"));
  HWND window = pellam.Window();

  EXPECT_EQ(testsupport::WindowText(window), kCaption);
  const RECT rect = pellam.Rect();
  EXPECT_EQ(SizeOf(rect).cx, 800);
  EXPECT_EQ(SizeOf(rect).cy, 600);
  EXPECT_TRUE(CentredOn(rect, WorkArea()));
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);

  std::string query;
  ASSERT_TRUE(WaitForRequest("GET /game/pellam.html?room=5?", &query)) << RequestLog();
  EXPECT_EQ(query, std::string("nuserid=4294967295&cpassword=") + kPassword + "&stealth=true");
  Shot(L"pellam_main", window);

  // Right-clicking the game page shows no browser menu.
  const SkinLayout layout = pellam.Layout();
  const POINT page = layout.OnScreen(L"ie_GameUrl", Origin(window));
  testsupport::Click(page.x, page.y, true);
  testsupport::Pump(500);
  EXPECT_TRUE(testsupport::TopWindows(pellam.Process().Pid(), L"#32768").empty());
  EXPECT_TRUE(testsupport::TopWindows(0, L"#32768").empty());

  // Neither Alt+F4 nor the system close does anything, and no exit window appears.
  pellam.ClickControl(layout, L"labelTip");  // the focus, without a button
  PressAltF4();
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE | 0x0002, 0);  // the system's low bits set
  testsupport::Pump(1000);
  EXPECT_TRUE(pellam.ExitTips().empty());
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(pellam.Process().Running());

  // Maximise with the button: the restore button takes the maximise button's place, and it
  // restores.
  pellam.ClickControl(layout, L"btn_Max");
  ASSERT_TRUE(IsZoomed(window));
  const RECT work = WorkArea();
  RECT now = pellam.Rect();
  EXPECT_TRUE(EqualRect(&now, &work));
  SkinLayout zoomed = pellam.Layout();
  zoomed.SetVisible(L"btn_Max", false);
  zoomed.SetVisible(L"btn_Restore", true);
  pellam.ClickControl(zoomed, L"btn_Restore");
  EXPECT_FALSE(IsZoomed(window));
  now = pellam.Rect();
  EXPECT_TRUE(EqualRect(&now, &rect));

  // The same by double-clicking the caption, then restoring the same way; afterwards the
  // maximise button is back in its place.
  const POINT caption = layout.OnScreen(L"labelTip", Origin(window));
  testsupport::DoubleClick(caption.x, caption.y);
  testsupport::Pump(300);
  ASSERT_TRUE(IsZoomed(window));
  pellam.ClickControl(zoomed, L"btn_Restore");
  EXPECT_FALSE(IsZoomed(window));
  testsupport::DoubleClick(caption.x, caption.y);
  testsupport::Pump(300);
  ASSERT_TRUE(IsZoomed(window));
  const POINT zoomedCaption = zoomed.OnScreen(L"labelTip", Origin(window));
  testsupport::DoubleClick(zoomedCaption.x, zoomedCaption.y);
  testsupport::Pump(300);
  EXPECT_FALSE(IsZoomed(window));
  pellam.ClickControl(layout, L"btn_Max");
  EXPECT_TRUE(IsZoomed(window));
  pellam.ClickControl(zoomed, L"btn_Restore");
  EXPECT_FALSE(IsZoomed(window));

  // Minimise.
  pellam.ClickControl(layout, L"btn_Min");
  EXPECT_TRUE(IsIconic(window));
  ShowWindow(window, SW_RESTORE);
  testsupport::Pump(300);

  CancelTwiceThenConfirm(pellam, kPellam, L"pellam_exit");
}

// pellam without a usable size (six tokens; a "" password that swallows the rest of the line;
// a size of 0) opens at its skin's size, centred and visible, and closes through its exit
// window like any other start.
TEST(LauncherProgram, PellamWithoutSizeTakesTheSkinsSize) {
  SkinLayout skin(kPellam.mainSkin);
  ASSERT_TRUE(skin.Ok());
  const struct {
    const wchar_t* page;
    const wchar_t* rest;  // the command line after the address
    const char* query;    // what the browser asks for after "?"
  } cases[] = {
      {L"nosize", L" 7 pw", "nuserid=7&cpassword=pw&stealth=true"},
      {L"swallowed", L" 7 \"\" 800 600", nullptr},
      {L"zero", L" 7 pw 800 0", "nuserid=7&cpassword=pw&stealth=true"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testsupport::ToUtf8(c.page));
    Launcher pellam(kPellam);
    const std::wstring page = L"/game/" + std::wstring(c.page) + L".html";
    ASSERT_TRUE(pellam.Start(L"chat 0 " + HttpBase() + page + c.rest));
    const RECT rect = pellam.Rect();
    EXPECT_EQ(SizeOf(rect).cx, skin.SkinSize().cx);
    EXPECT_EQ(SizeOf(rect).cy, skin.SkinSize().cy);
    EXPECT_TRUE(CentredOn(rect, WorkArea()));
    EXPECT_TRUE(IsWindowVisible(pellam.Window()));
    std::string query;
    EXPECT_TRUE(WaitForRequest("GET " + testsupport::ToUtf8(page) + "?", &query)) << RequestLog();
    if (c.query) {
      EXPECT_EQ(query, c.query);
    } else {
      // The password runs to the end of the line, spaces and all.
      EXPECT_EQ(query.rfind("nuserid=7&cpassword=", 0), 0u) << query;
      EXPECT_NE(query.find("800"), std::string::npos) << query;
    }
    ConfirmEndsTheProgram(pellam, kPellam);
  }
}

// Both programs carry icon 107 (the main window's), a manifest and their own version. (Wine
// does not answer WM_GETICON across processes, so the window's icon is checked at its source.)
TEST(LauncherProgram, Resources) {
  for (const Program* program : {&kVintor, &kPellam}) {
    const std::wstring exe = testsupport::RuntimeDir() + L"\\" + program->exe;
    SCOPED_TRACE(testsupport::ToUtf8(program->exe));
    const quenda::unique_hmodule module(
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    EXPECT_NE(FindResourceW(module.get(), MAKEINTRESOURCEW(107), RT_GROUP_ICON), nullptr);
    EXPECT_NE(LoadImageW(module.get(), MAKEINTRESOURCEW(107), IMAGE_ICON, 32, 32, LR_SHARED),
              nullptr);
    EXPECT_NE(FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    wchar_t* name = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\080404b0\\OriginalFilename",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_EQ(std::wstring(name), program->exe);
  }
}

// Fewer than six tokens: no window, and the program ends at once with 0.
TEST(LauncherProgram, ShortCommandLinesEndAtOnce) {
  for (const Program* program : {&kVintor, &kPellam}) {
    const std::wstring exe = testsupport::RuntimeDir() + L"\\" + program->exe;
    for (const std::wstring& arguments : {std::wstring(L""), std::wstring(L" a b http://h/g 1")}) {
      SCOPED_TRACE(testsupport::ToUtf8(program->exe + arguments));
      Child child;
      ASSERT_TRUE(child.Start(exe, testsupport::Quote(exe) + arguments));
      DWORD exitCode = 1;
      bool ended = false;
      bool sawWindow = false;
      const DWORD start = GetTickCount();
      while (!ended && GetTickCount() - start < 15000) {
        sawWindow = sawWindow || !testsupport::TopWindows(child.Pid()).empty();
        ended = child.Wait(20, &exitCode);
      }
      EXPECT_TRUE(ended) << "still running";
      EXPECT_EQ(exitCode, 0u);
      EXPECT_FALSE(sawWindow);
    }
  }
}

// A folder with the program and the skin library, and of the skins only `skins`.
std::wstring FolderWithSkins(const std::wstring& name, const Program& program,
                             const std::vector<std::wstring>& skins) {
  const std::wstring dir = testsupport::ScratchDir(name);
  const std::wstring from = testsupport::RuntimeDir();
  CopyFileW((from + L"\\" + program.exe).c_str(), (dir + L"\\" + program.exe).c_str(), FALSE);
  CopyFileW((from + L"\\DuiLib.dll").c_str(), (dir + L"\\DuiLib.dll").c_str(), FALSE);
  CreateDirectoryW((dir + L"\\skin").c_str(), nullptr);
  for (const std::wstring& skin : skins) {
    CopyFileW((from + L"\\skin\\" + skin).c_str(), (dir + L"\\skin\\" + skin).c_str(), FALSE);
  }
  return dir;
}

// Without its main window's skin the program says so (the skin library's message) and ends
// with 0 instead of waiting without a window.
TEST(LauncherProgram, MissingMainSkinEnds) {
  const std::wstring dir = FolderWithSkins(L"launcher_noskin", kVintor, {});
  const std::wstring exe = dir + L"\\" + kVintor.exe;
  Child child;
  ASSERT_TRUE(child.Start(exe, testsupport::Quote(exe) + L" a b http://127.0.0.1:9/g 1 pw", dir));
  const testsupport::MessageBoxInfo box = testsupport::WaitForMessageBox(child.Pid(), 20000);
  ASSERT_NE(box.hwnd, nullptr) << "no message about the skin";
  EXPECT_NE(box.text.find(L"WndVintorMain.xml"), std::wstring::npos);
  testsupport::PressMessageBoxButton(box.hwnd, IDOK);
  DWORD exitCode = 1;
  EXPECT_TRUE(child.Wait(10000, &exitCode)) << "still running without a window";
  EXPECT_EQ(exitCode, 0u);
}

// Without the exit window's skin the close button still asks, in a plain message box, and
// only "yes" ends the program.
TEST(LauncherProgram, MissingExitSkinStillAsks) {
  const std::wstring dir = FolderWithSkins(L"launcher_noexitskin", kPellam, {kPellam.mainSkin});
  Launcher pellam(kPellam, dir);
  ASSERT_TRUE(pellam.Start(L"a b http://127.0.0.1:9/g 1 pw 640 480"));
  const DWORD pid = pellam.Process().Pid();
  for (const int answer : {IDNO, IDYES}) {
    pellam.ClickControl(pellam.Layout(), kPellam.closeButton);
    // First the skin library's message about the skin, then the question.
    testsupport::MessageBoxInfo box = testsupport::WaitForMessageBox(pid, 10000);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find(L"WndExitGame.xml"), std::wstring::npos);
    testsupport::PressMessageBoxButton(box.hwnd, IDOK);
    ASSERT_TRUE(testsupport::WaitWindowGone(box.hwnd, 5000));
    box = testsupport::WaitForMessageBox(pid, 10000);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(box.text, L"确定要退出游戏吗？");
    testsupport::PressMessageBoxButton(box.hwnd, answer);
    if (answer == IDNO) {
      ASSERT_TRUE(testsupport::WaitWindowGone(box.hwnd, 5000));
      testsupport::Pump(300);
      EXPECT_TRUE(pellam.Process().Running());
      EXPECT_TRUE(IsWindowEnabled(pellam.Window()));
    }
  }
  DWORD exitCode = 1;
  EXPECT_TRUE(pellam.Process().Wait(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
