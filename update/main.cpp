// update: the Quenda updater. The chat client starts it with six values:
//   update.exe <exeName> <caption> <packageUrl> <pageUrl> <expectedVersion> <planText>
// It downloads the package into its own folder, unpacks it aside and checks the version it
// declares, ends the client, puts the new files in place (all of them or none), and restarts
// the client, or opens the installer's page.
#include <windows.h>
#include <objbase.h>

#include <UIlib.h>

#include <new>

#include "CommandLine.h"
#include "PackageInstall.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"

using namespace DuiLib;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
  // Whatever this run was started for: an update that an earlier run left half done (killed,
  // or the machine lost power) is finished or undone first, so the client never starts from
  // a mix of two versions.
  CPackageInstall::Recover(CPaintManagerUI::GetInstancePath().GetData());
  if (FAILED(CoInitialize(nullptr))) return 0;

  // The narrow argument of WinMain can't carry every character of a path or a title.
  CCommandLine commandLine(GetCommandLineW());
  if (commandLine.GetCount() < 7) {
    CoUninitialize();
    return 0;
  }
  updateSettings.exeName = commandLine[1];
  updateSettings.caption = commandLine[2];
  updateSettings.packageUrl = commandLine[3];
  updateSettings.pageUrl = commandLine[4];
  updateSettings.expectedVersion = commandLine[5];
  updateSettings.planText = commandLine[6];
  updateSettings.packagePath = CPaintManagerUI::GetInstancePath() + _T("update.zip");
  updateSettings.installDir = CPaintManagerUI::GetInstancePath();

  CWndUpdate* window = new (std::nothrow) CWndUpdate();
  if (!window) {
    CoUninitialize();
    return 0;
  }
  updateSettings.window = window;
  // WS_VISIBLE | WS_OVERLAPPEDWINDOW; creating the window loads the skin and starts the
  // download.
  if (!window->Create(nullptr, _T(""), 0x10CF0000, 0, 0, 0, 398, 360, nullptr)) {
    // Without a window nobody could ever end this process: leave instead of waiting.
    delete window;
    CoUninitialize();
    return 0;
  }
  window->CenterWindow();
  ::ShowWindow(window->GetHWND(), SW_SHOW);
  CPaintManagerUI::MessageLoop();

  CPaintManagerUI::Term();
  delete window;
  CoUninitialize();
  return 0;
}
