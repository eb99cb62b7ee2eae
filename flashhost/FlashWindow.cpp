#include "FlashWindow.h"

#include <windowsx.h>

#include <memory>
#include <string>

#include "MoviePath.h"
#include "MovieHost.h"
#include "Owners.h"
#include "resource.h"

namespace quillon {

namespace {

// The back buffer: one 850 x 850 top-down 32-bit section, made once and reused for every frame.
struct BackBuffer {
  // The objects outlive the context they are selected into.
  quenda::unique_hbitmap bitmap;
  quenda::unique_hbrush whiteBrush;
  quenda::unique_hdc dc;
  HGDIOBJ previousBitmap = nullptr;
  HGDIOBJ previousBrush = nullptr;

  ~BackBuffer() { Destroy(); }
  bool Create(HWND window);
  void Destroy();
};

// Process-wide state: one program, one window, one host.
struct Program {
  std::string arguments;  // the argument text as given
  std::string moviePath;  // cut out of it on WM_CREATE
  HINSTANCE instance = nullptr;
  HMODULE user32 = nullptr;
  BackBuffer buffer;
  std::unique_ptr<MovieHost> host;
};

Program g_program;

bool BackBuffer::Create(HWND window) {
  const window_dc windowDc(window);
  if (!windowDc) return false;
  dc.reset(CreateCompatibleDC(windowDc.get()));
  if (!dc) return false;
  SetMapMode(dc.get(), MM_TEXT);
  SetBkColor(dc.get(), RGB(0, 0, 0));
  SetBkMode(dc.get(), TRANSPARENT);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kMovieWidth;
  info.bmiHeader.biHeight = -kMovieHeight;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap.reset(CreateDIBSection(windowDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) {
    Destroy();
    return false;
  }
  previousBitmap = SelectObject(dc.get(), bitmap.get());
  // Everything starts white, and white is the see-through colour.
  whiteBrush.reset(CreateSolidBrush(kColourKey));
  previousBrush = SelectObject(dc.get(), whiteBrush.get());
  PatBlt(dc.get(), 0, 0, kMovieWidth, kMovieHeight, PATCOPY);
  const HGDIOBJ windowBrush = SelectObject(windowDc.get(), whiteBrush.get());
  PatBlt(windowDc.get(), 0, 0, kMovieWidth, kMovieHeight, PATCOPY);
  SelectObject(windowDc.get(), windowBrush);
  return true;
}

void BackBuffer::Destroy() {
  if (dc) {
    if (previousBrush) SelectObject(dc.get(), previousBrush);
    if (previousBitmap) SelectObject(dc.get(), previousBitmap);
  }
  dc.reset();
  bitmap.reset();
  whiteBrush.reset();
  previousBitmap = nullptr;
  previousBrush = nullptr;
}

bool OnCreate(HWND window) {
  Program& p = g_program;
  if (!p.buffer.Create(window)) return false;
  p.moviePath = MoviePathFromArguments(p.arguments.c_str());
  p.user32 = GetModuleHandleA("user32.dll");

  p.host.reset(new MovieHost());
  if (!p.host->Create()) {
    // No control to play the movie with: the window is not made and the program ends.
    p.host.reset();
    return false;
  }
  // When the movie does not start, its size stays 0 x 0 and the window simply stays white
  // (see-through) until it closes.
  p.host->LoadMovie(p.moviePath.c_str(), kMovieWidth, kMovieHeight);
  p.host->SetQuality(kQualityHigh);
  p.host->SetLoopOff();

  ApplyColourKey(window, p.user32);

  SetTimer(window, kRepaintTimer, kRepaintPeriodMs, nullptr);
  SetTimer(window, kCloseTimer, kCloseDelayMs, nullptr);
  return true;
}

void TearDown() {
  g_program.host.reset();  // releases the control, then the site, then unloads it
  g_program.buffer.Destroy();
}

// The only path that draws the control: when it asked for a redraw since the last tick, the
// movie goes into the back buffer over white, and the buffer onto the window.
void OnRepaintTick(HWND window) {
  Program& p = g_program;
  if (!p.host) return;
  p.host->Poll();
  if (!p.host->TakeRedrawFlag()) return;
  const SIZE size = p.host->GetSize();
  p.host->Draw(p.buffer.dc.get(), true);
  const window_dc windowDc(window);
  if (windowDc) BitBlt(windowDc.get(), 0, 0, size.cx, size.cy, p.buffer.dc.get(), 0, 0, SRCCOPY);
}

// Exposed areas are restored from the back buffer, never by drawing the control: the window
// shows white (see-through) from the start instead of whatever the screen held, also when the
// movie never starts.
void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc && g_program.buffer.dc) {
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, g_program.buffer.dc.get(), r.left,
           r.top, SRCCOPY);
  }
  EndPaint(window, &paint);
}

// White pixels let clicks through, so this runs only over drawn parts of the movie.
void ShowExitMenu(HWND window, LPARAM clickPoint) {
  const unique_hmenu menu(LoadMenuA(g_program.instance, kMenuName));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  if (popup) {
    POINT at = {GET_X_LPARAM(clickPoint), GET_Y_LPARAM(clickPoint)};
    ClientToScreen(window, &at);
    // A menu whose owner is not the foreground window would not close when the user clicks
    // elsewhere; the null message afterwards lets the menu end cleanly (both as documented for
    // TrackPopupMenu).
    SetForegroundWindow(window);
    TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window) ? 0 : -1;
    case WM_DESTROY:
      TearDown();
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_ERASEBKGND:
      return 0;
    case WM_COMMAND:
      if (wParam == kExitCommand) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_TIMER:
      if (wParam == kRepaintTimer) {
        OnRepaintTick(window);
      } else if (wParam == kCloseTimer) {
        SendMessageA(window, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_RBUTTONDOWN:
      ShowExitMenu(window, lParam);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

bool ApplyColourKey(HWND window, HMODULE user32) {
  using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
  const SetLayeredFn setLayered = user32
                                      ? reinterpret_cast<SetLayeredFn>(reinterpret_cast<void (*)()>(
                                            GetProcAddress(user32, "SetLayeredWindowAttributes")))
                                      : nullptr;
  if (!setLayered) return false;
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  if (setLayered(window, kColourKey, 255, LWA_COLORKEY)) return true;
  SetWindowLongA(window, GWL_EXSTYLE, exStyle);
  return false;
}

int RunQuillonFlash(HINSTANCE instance, const char* arguments, int showCommand) {
  if (!arguments || !*arguments) return 0;
  g_program.arguments = arguments;

  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLONFLASH));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExA(&windowClass);
  g_program.instance = instance;

  RECT frame = {0, 0, kMovieWidth, kMovieHeight};
  AdjustWindowRect(&frame, WS_POPUP, FALSE);
  HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_POPUP, CW_USEDEFAULT, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
  if (!window) {
    TearDown();
    return 0;
  }

  // Centred on the screen and above normal windows.
  SetWindowPos(window, HWND_TOPMOST, GetSystemMetrics(SM_CXSCREEN) / 2 - kMovieWidth / 2,
               GetSystemMetrics(SM_CYSCREEN) / 2 - kMovieHeight / 2, kMovieWidth, kMovieHeight, 0);
  // A tool window has no taskbar button; the layered style set on WM_CREATE stays.
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  SetWindowLongA(window, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);

  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message = {};
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 0;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace quillon
