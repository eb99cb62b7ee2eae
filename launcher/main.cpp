// vintor / pellam: the Orvane web game launchers. The chat client starts one of them with
//   vintor.exe <unused> <unused> <game address> <user id> <password>
//   pellam.exe <unused> <unused> <game address> <user id> <password> <width> <height>
// The launcher opens its skinned window, sends the browser inside it to the game address with
// the user's identity appended, and ends when the user confirms leaving.
#include <windows.h>
#include <objbase.h>

#include <UIlib.h>

#include <new>

#include "CommandLine.h"
#include "ThisLauncher.h"
#include "WndMainFrm.h"

using namespace DuiLib;

LauncherSettings launcherSettings;

namespace {

// Creates, places, navigates and shows the main window and runs the message loop until the
// user confirms leaving.
void RunLauncher(const LauncherBuild& build) {
  CWndMainFrm* window = new (std::nothrow) CWndMainFrm();
  if (window == NULL) return;
  // The client's size stands when it gives one; without it (too few tokens, or a password
  // that swallowed them) the skin's size does, so that the window can be seen and closed.
  const bool sized =
      build.sizeFromCommandLine && launcherSettings.width > 0 && launcherSettings.height > 0;
  const int width = sized ? launcherSettings.width : 0;
  const int height = sized ? launcherSettings.height : 0;
  if (window->Create(NULL, L"", build.mainStyle, 0, 0, 0, width, height, NULL) == NULL) {
    // No skin, no window: nothing could ever end a message loop now.
    delete window;
    return;
  }
  if (sized) {
    // The skin's minimum is for the user's resizing, not for what the client asks for (hence
    // no WM_WINDOWPOSCHANGING).
    ::SetWindowPos(window->GetHWND(), NULL, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
  }
  window->CenterWindow();
  window->NavigateToGame();
  if (build.showCommand == SW_SHOWNORMAL) {
    window->ShowWindow(true, true);
  } else {
    ::ShowWindow(window->GetHWND(), build.showCommand);
  }
  CPaintManagerUI::MessageLoop();
  // Let the browser go while COM is still up.
  delete window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
  if (FAILED(::CoInitialize(NULL))) return 0;

  {
    // Kept for the whole run: the run settings are copied out of it, but it is the one
    // place the command line lives.
    CCommandLine commandLine(::GetCommandLineW());
    const LauncherBuild& build = ThisLauncher();
    // Too short a command line: no window, no message, nothing to wait for.
    if (ReadLauncherSettings(commandLine, build, &launcherSettings)) RunLauncher(build);
  }

  CPaintManagerUI::Term();
  ::CoUninitialize();
  return 0;
}
