// QuillonFlash's window: a borderless, topmost 850 x 850 tool window whose white pixels are
// see-through, repainted from a back buffer on a 50 ms timer while the movie changes, closed
// after 11 seconds or from its one-item right-click menu.
#pragma once

#include <windows.h>

namespace quillon {

constexpr char kWindowClass[] = "QuillonFlash";
constexpr char kWindowTitle[] = "QuillonFlash";
constexpr char kMenuName[] = "POPUPMENU";
constexpr int kMovieWidth = 850;
constexpr int kMovieHeight = 850;
constexpr COLORREF kColourKey = RGB(255, 255, 255);
constexpr UINT_PTR kRepaintTimer = 10;
constexpr UINT kRepaintPeriodMs = 50;
constexpr UINT_PTR kCloseTimer = 11;
constexpr UINT kCloseDelayMs = 11000;
constexpr WPARAM kExitCommand = 32772;

// The whole program: `arguments` is the ANSI text after the program name. Returns the exit
// code (0, also when there is nothing to play or no control to play it with).
int RunQuillonFlash(HINSTANCE instance, const char* arguments, int showCommand);

// Makes white see-through with SetLayeredWindowAttributes, looked up by name in `user32`. When
// the function is missing (or fails) the window is left as it was, opaque: a layered window
// that never received its attributes would not be shown at all. True when the key is set.
bool ApplyColourKey(HWND window, HMODULE user32);

}  // namespace quillon
