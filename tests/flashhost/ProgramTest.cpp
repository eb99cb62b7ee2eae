// QuillonFlash as a program, with the test control beside it, on the (Xvfb) screen: its window,
// its drawing, its menu, its lifetime and its failures. Each case runs in a folder of its own
// (the control logs into its folder), and cases that must wait for the 11-second close run
// side by side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FlashTestUtil.h"
#include "TestSupport.h"

using flashtest::Count;
using flashtest::Field;
using flashtest::Find;
using flashtest::Line;
using testsupport::Child;

namespace {

const wchar_t kClass[] = L"QuillonFlash";
const COLORREF kBackdropColour = RGB(0, 128, 128);

// One QuillonFlash run in its own folder.
struct FlashRun {
  std::wstring dir;
  Child child;
  HWND window = nullptr;
  DWORD seenAt = 0;  // when the window was first found

  // A folder holding the program and, unless told otherwise, the control as "Flash.ocx".
  explicit FlashRun(const std::wstring& name, bool withControl = true) {
    dir = testsupport::ScratchDir(name);
    CopyFileW((testsupport::RuntimeDir() + L"\\QuillonFlash.exe").c_str(),
              (dir + L"\\QuillonFlash.exe").c_str(), FALSE);
    if (withControl) {
      CopyFileW((testsupport::ExeDir() + L"\\Flash.ocx").c_str(), (dir + L"\\Flash.ocx").c_str(),
                FALSE);
    }
  }
  std::wstring Exe() const { return dir + L"\\QuillonFlash.exe"; }
  std::wstring Movie(const std::string& text) const {
    return flashtest::WriteMovie(dir, L"movie.qmv", text);
  }
  // Starts the program with `arguments` after its quoted path, in its own folder (so the
  // control cannot be found in the test's folder instead).
  bool Start(const std::wstring& arguments) {
    const std::wstring commandLine =
        L"\"" + Exe() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    return child.Start(Exe(), commandLine, dir);
  }
  bool FindWindowNow() {
    if (window) return true;
    const std::vector<HWND> found = testsupport::TopWindows(child.Pid(), kClass, kClass);
    if (found.empty()) return false;
    window = found.front();
    seenAt = GetTickCount();
    return true;
  }
  std::vector<std::string> Log() const { return flashtest::ReadLog(dir); }
  bool Ended(DWORD timeoutMs, DWORD* exitCode) { return child.Wait(timeoutMs, exitCode); }
};

// A plain window of the test's own under the program's, in a colour the movies never use, so
// see-through parts show it.
class Backdrop {
 public:
  Backdrop() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(kBackdropColour);
    wc.lpszClassName = L"FlashTestBackdrop";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"backdrop", WS_POPUP | WS_VISIBLE, 0, 0,
                              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                              nullptr, wc.hInstance, nullptr);
    UpdateWindow(window_);
    testsupport::Pump(200);
  }
  ~Backdrop() { DestroyWindow(window_); }

 private:
  HWND window_ = nullptr;
};

// Screen position of a point of the movie's stage (the window is centred, 850 x 850).
POINT OnScreen(int x, int y) {
  return POINT{GetSystemMetrics(SM_CXSCREEN) / 2 - 425 + x,
               GetSystemMetrics(SM_CYSCREEN) / 2 - 425 + y};
}

COLORREF StagePixel(int x, int y) {
  const POINT p = OnScreen(x, y);
  return testsupport::ScreenPixel(p.x, p.y);
}

std::wstring ShotPath(const std::wstring& name) {
  std::wstring dir = testsupport::WinPath(testsupport::Env(L"QUENDA_FLASHHOST_SHOTS"));
  if (dir.empty()) dir = testsupport::ScratchDir(L"flashhost_shots");
  return dir + L"\\" + name + L".bmp";
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

// Three programs at once, to pay for the 11-second close only once: a short movie that ends
// early (drawing, idle, see-through), a movie whose Play fails, and a long movie on a control
// without IViewObject that is still playing when the window closes.
TEST(QuillonFlashProgram, DrawsSeeThroughIdlesAndClosesAfterElevenSeconds) {
  Backdrop backdrop;
  FlashRun shapes(L"flashhost_shapes"), failing(L"flashhost_failplay"), blind(L"flashhost_noview");
  const std::wstring shapesMovie = shapes.Movie(flashtest::ShapesMovie(3, "rate 5\ninvalidate 3"));
  const std::wstring failingMovie =
      failing.Movie("QMOVIE 1\noption fail-play\nframe\nrect 0 0 850 850 FFFF00\n");
  std::string longMovie = "QMOVIE 1\nrate 5\noption no-viewobject\n";
  for (int i = 0; i < 100; ++i) longMovie += "frame\nrect 0 0 850 850 FF00FF\n";
  const std::wstring blindMovie = blind.Movie(longMovie);

  ASSERT_TRUE(shapes.Start(testsupport::Quote(shapesMovie)));
  ASSERT_TRUE(failing.Start(testsupport::Quote(failingMovie)));
  ASSERT_TRUE(blind.Start(testsupport::Quote(blindMovie)));
  FlashRun* runs[] = {&shapes, &failing, &blind};

  const DWORD start = GetTickCount();
  while (!(shapes.FindWindowNow() & failing.FindWindowNow() & blind.FindWindowNow())) {
    ASSERT_LT(GetTickCount() - start, 15000u) << "a window did not appear";
    testsupport::Pump(20);
  }

  // The window: popup, 850 x 850, centred, topmost, layered, a tool window.
  RECT r;
  GetWindowRect(shapes.window, &r);
  const POINT origin = OnScreen(0, 0);
  EXPECT_EQ(r.left, origin.x);
  EXPECT_EQ(r.top, origin.y);
  EXPECT_EQ(r.right - r.left, 850);
  EXPECT_EQ(r.bottom - r.top, 850);
  const LONG style = GetWindowLongW(shapes.window, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(shapes.window, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(exStyle & WS_EX_LAYERED);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

  // The short movie ends after three frames; let the last one reach the screen.
  ASSERT_TRUE(flashtest::WaitForLog(shapes.dir, "stopped", 8000)) << Dump(shapes.Log());
  testsupport::Pump(400);
  const int drawsWhenIdle = Count(shapes.Log(), "draw ");
  testsupport::SaveScreenshot(ShotPath(L"quillonflash_shapes"));

  // Shapes opaque; the movie's own white, the blank stage and the other two programs'
  // windows (all white) see-through to the backdrop.
  EXPECT_EQ(StagePixel(250, 250), RGB(255, 0, 0));
  EXPECT_EQ(StagePixel(600, 250), RGB(0, 0, 255));
  EXPECT_EQ(StagePixel(150, 600), RGB(0, 0xA0, 0));
  EXPECT_EQ(StagePixel(400, 600), kBackdropColour);
  EXPECT_EQ(StagePixel(20, 20), kBackdropColour);
  EXPECT_EQ(StagePixel(830, 830), kBackdropColour);
  EXPECT_EQ(StagePixel(600, 800), kBackdropColour);

  // Still open at 9 seconds, and nothing drawn while the movie stood still.
  for (FlashRun* run : runs) {
    while (GetTickCount() - run->seenAt < 9000) testsupport::Pump(50);
    EXPECT_TRUE(IsWindow(run->window)) << "closed before 9 s";
  }
  EXPECT_EQ(Count(shapes.Log(), "draw "), drawsWhenIdle);

  // Gone by 13 seconds, each program ending with 0.
  for (FlashRun* run : runs) {
    const DWORD elapsed = GetTickCount() - run->seenAt;
    EXPECT_TRUE(testsupport::WaitWindowGone(run->window, elapsed < 13000 ? 13000 - elapsed : 0))
        << "still open at 13 s";
    DWORD exitCode = 1;
    EXPECT_TRUE(run->Ended(5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }

  // Drawing followed the invalidations: three calls per frame change, at most one draw per
  // change, never a draw without an invalidation since the one before, the last frame shown.
  const std::vector<std::string> lines = shapes.Log();
  const int draws = Count(lines, "draw ");
  EXPECT_EQ(Count(lines, "invalidated 3"), 3) << Dump(lines);
  EXPECT_GE(draws, 1);
  EXPECT_LE(draws, 3) << Dump(lines);
  EXPECT_NE(Find(lines, "draw " + std::to_string(draws) + " frame=2 bounds=0,0,850,850"), -1)
      << Dump(lines);
  int previousDraw = -1;
  for (int i = Find(lines, "draw "); i >= 0; i = Find(lines, "draw ", i + 1)) {
    const int invalidation = Find(lines, "invalidated", previousDraw + 1);
    EXPECT_TRUE(invalidation >= 0 && invalidation < i) << "a draw without invalidation";
    previousDraw = i;
  }
  EXPECT_EQ(Line(lines, "put_Quality2"), "put_Quality2 High");
  EXPECT_EQ(Line(lines, "put_Loop"), "put_Loop 0");
  EXPECT_EQ(Line(lines, "put_WMode"), "put_WMode Transparent");
  // Tear-down: the control let go of the site while the host still held it; the module was
  // unloaded with nothing left alive.
  const char* teardown[] = {"Close 1", "destroy", "release-site remaining=1",
                            "DllCanUnloadNow S_OK", "unload free live=0 locks=0"};
  int at = 0;
  for (const char* step : teardown) {
    const int found = Find(lines, step, at);
    EXPECT_GE(found, at) << "missing or out of order: " << step << "\n" << Dump(lines);
    if (found >= 0) at = found + 1;
  }
  EXPECT_EQ(Field(Line(lines, "destroy"), "draws"), draws);

  const std::vector<std::string> failed = failing.Log();
  EXPECT_NE(Find(failed, "Play E_FAIL"), -1) << Dump(failed);
  EXPECT_EQ(Find(failed, "draw "), -1);
  EXPECT_NE(Find(failed, "unload free live=0"), -1);

  // Closed while still playing (the movie lasts 20 s), nothing ever drawn.
  const std::vector<std::string> noView = blind.Log();
  EXPECT_NE(Find(noView, "refuse IViewObject"), -1) << Dump(noView);
  EXPECT_EQ(Find(noView, "draw "), -1);
  EXPECT_NE(Find(noView, "stopped"), -1);
  EXPECT_NE(Line(noView, "stopped").find(" close"), std::string::npos);
  EXPECT_GE(Count(noView, "frame "), 40);
  EXPECT_NE(Find(noView, "unload free live=0"), -1);
}

TEST(QuillonFlashProgram, RightClickMenuExits) {
  FlashRun run(L"flashhost_menu");
  const std::wstring movie = run.Movie("QMOVIE 1\nframe\nrect 0 0 425 850 C00000\n");
  ASSERT_TRUE(run.Start(testsupport::Quote(movie)));
  const DWORD start = GetTickCount();
  while (!run.FindWindowNow()) {
    ASSERT_LT(GetTickCount() - start, 10000u);
    testsupport::Pump(20);
  }
  ASSERT_TRUE(flashtest::WaitForLog(run.dir, "draw 1", 5000));
  testsupport::Pump(300);

  // (Clicks through the white half are Windows' business: Wine picks the target of a click by
  // its own window tree, whatever the colour key shows, so that cannot be checked here.)
  // Over the drawn half the menu opens at the click point.
  const POINT drawn = OnScreen(200, 400);
  testsupport::Click(drawn.x, drawn.y, true);
  HWND menu = testsupport::WaitForWindow(run.child.Pid(), L"#32768", L"", 3000);
  ASSERT_NE(menu, nullptr);
  testsupport::Pump(200);
  testsupport::SaveScreenshot(ShotPath(L"quillonflash_menu"));
  RECT m;
  GetWindowRect(menu, &m);
  EXPECT_LE(std::abs(m.left - drawn.x), 2);
  EXPECT_LE(std::abs(m.top - drawn.y), 2);
  EXPECT_TRUE(IsWindow(run.window));

  // Its one item closes the window and ends the program.
  testsupport::Click((m.left + m.right) / 2, (m.top + m.bottom) / 2);
  EXPECT_TRUE(testsupport::WaitWindowGone(run.window, 3000));
  DWORD exitCode = 1;
  EXPECT_TRUE(run.Ended(5000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_LT(GetTickCount() - run.seenAt, 9000u);
  const std::vector<std::string> lines = run.Log();
  EXPECT_NE(Find(lines, "Close 1"), -1) << Dump(lines);
  EXPECT_NE(Find(lines, "unload free live=0"), -1) << Dump(lines);
}

// The three shapes of argument text, with a path that has spaces and Chinese in it.
TEST(QuillonFlashProgram, MoviePathFromTheCommandLine) {
  const std::wstring movieDir = testsupport::ScratchDir(L"flashhost 动画 目录");
  const std::wstring movie =
      flashtest::WriteMovie(movieDir, L"新年 快乐.qmv", flashtest::ShapesMovie(1, ""));
  struct Case {
    const wchar_t* name;
    std::wstring arguments;
  } cases[] = {
      {L"flashhost_cmd_quoted", L"\"" + movie + L"\" --then more \"text\""},
      {L"flashhost_cmd_open", L"\"" + movie},
      {L"flashhost_cmd_plain", movie},
  };
  std::vector<std::unique_ptr<FlashRun>> runs;
  for (const Case& c : cases) {
    runs.emplace_back(new FlashRun(c.name));
    ASSERT_TRUE(runs.back()->Start(c.arguments));
  }
  const std::string expected = "put_Movie " + testsupport::ToUtf8(movie);
  for (auto& run : runs) {
    EXPECT_TRUE(flashtest::WaitForLog(run->dir, "movie frames=1", 10000)) << Dump(run->Log());
    EXPECT_EQ(Line(run->Log(), "put_Movie "), expected);
    const DWORD start = GetTickCount();
    while (!run->FindWindowNow() && GetTickCount() - start < 5000) testsupport::Pump(20);
    ASSERT_NE(run->window, nullptr);
    PostMessageW(run->window, WM_CLOSE, 0, 0);
  }
  for (auto& run : runs) {
    DWORD exitCode = 1;
    EXPECT_TRUE(run->Ended(5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }

  // No argument text at all: the program ends at once, without loading the control.
  FlashRun empty(L"flashhost_cmd_empty");
  for (const wchar_t* arguments : {L"", L"   "}) {
    const testsupport::RunResult r =
        testsupport::Run(empty.Exe(), L"\"" + empty.Exe() + L"\"" + arguments, 10000, empty.dir);
    EXPECT_TRUE(r.started && r.finished);
    EXPECT_EQ(r.exitCode, 0u);
  }
  EXPECT_FALSE(testsupport::FileExists(empty.dir + L"\\flashctl.log"));
}

// Nothing to host, or a control that will not let go: the program ends cleanly either way.
TEST(QuillonFlashProgram, EndsCleanlyWithoutAUsableControl) {
  FlashRun missing(L"flashhost_no_ocx", false);
  FlashRun garbage(L"flashhost_bad_ocx", false);
  testsupport::WriteFileBytes(garbage.dir + L"\\Flash.ocx", "MZ this is not a library");
  FlashRun refusing(L"flashhost_refuse_class");
  testsupport::WriteFileBytes(refusing.dir + L"\\flashctl.switches", "refuse-class\n");
  FlashRun mute(L"flashhost_no_scripting");
  testsupport::WriteFileBytes(mute.dir + L"\\flashctl.switches", "no-scripting\n");
  FlashRun leaking(L"flashhost_leak");
  const std::wstring leakMovie = leaking.Movie(flashtest::ShapesMovie(2, "option leak-reference"));

  FlashRun* quick[] = {&missing, &garbage, &refusing, &mute};
  for (FlashRun* run : quick) ASSERT_TRUE(run->Start(testsupport::Quote(run->Movie("QMOVIE 1\n"))));
  ASSERT_TRUE(leaking.Start(testsupport::Quote(leakMovie)));

  for (FlashRun* run : quick) {
    DWORD exitCode = 1;
    EXPECT_TRUE(run->Ended(10000, &exitCode)) << testsupport::ToUtf8(run->dir);
    EXPECT_EQ(exitCode, 0u) << testsupport::ToUtf8(run->dir);
  }
  EXPECT_FALSE(testsupport::FileExists(missing.dir + L"\\flashctl.log"));

  const std::vector<std::string> refused = refusing.Log();
  EXPECT_NE(Find(refused, "DllGetClassObject refused"), -1) << Dump(refused);
  EXPECT_EQ(Find(refused, "create"), -1);
  EXPECT_NE(Find(refused, "unload free live=0"), -1) << Dump(refused);

  // An object without the scripting interface is closed and released, never activated.
  const std::vector<std::string> muted = mute.Log();
  EXPECT_NE(Find(muted, "SetClientSite set"), -1) << Dump(muted);
  EXPECT_EQ(Find(muted, "DoVerb"), -1);
  EXPECT_EQ(Find(muted, "put_"), -1);
  EXPECT_NE(Find(muted, "release-site remaining=1"), -1) << Dump(muted);
  EXPECT_NE(Find(muted, "unload free live=0"), -1) << Dump(muted);

  // A control that keeps an object alive is not unloaded under it.
  ASSERT_TRUE(flashtest::WaitForLog(leaking.dir, "leak", 10000)) << Dump(leaking.Log());
  const DWORD start = GetTickCount();
  while (!leaking.FindWindowNow() && GetTickCount() - start < 5000) testsupport::Pump(20);
  ASSERT_NE(leaking.window, nullptr);
  PostMessageW(leaking.window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  EXPECT_TRUE(leaking.Ended(5000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  const std::vector<std::string> leaked = leaking.Log();
  EXPECT_NE(Find(leaked, "DllCanUnloadNow S_FALSE"), -1) << Dump(leaked);
  EXPECT_EQ(Find(leaked, "unload free"), -1) << Dump(leaked);
  EXPECT_NE(Find(leaked, "unload exit live=1"), -1) << Dump(leaked);
}

}  // namespace
