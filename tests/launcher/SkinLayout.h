// Where a skin puts its controls. The launchers are tested from outside, as users see them,
// so a test can't ask the program where a button is: it lays the same skin file out in its own
// process, with the skin library itself, at the size the program's window has.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class SkinLayout {
 public:
  // Lays out skin\<skinFile> of the build's program folder at width x height (0 x 0: the
  // skin's own size).
  explicit SkinLayout(const std::wstring& skinFile, int width = 0, int height = 0);
  ~SkinLayout();

  bool Ok() const;
  // The size that the skin's <Window> asks for.
  SIZE SkinSize() const;
  // Rectangle of a named control in window coordinates; empty when the skin lacks it or it is
  // hidden.
  RECT ControlRect(const wchar_t* name) const;
  // Middle of a named control on the screen, for a window whose top-left corner is `origin`.
  POINT OnScreen(const wchar_t* name, POINT origin) const;
  // Shows or hides a control (as a program does with its buttons) and lays out again.
  void SetVisible(const wchar_t* name, bool visible);

 private:
  class Window;
  std::unique_ptr<Window> window_;
};
