// The update demo's driver, run under Wine by tests/update/demo/update_demo.sh: starts a client
// and the updater from a demo installation, follows the update step by step, takes
// screenshots, answers the message boxes (after a pause in which a person at a real display
// may answer them) and reports what happened.
//   update_demo <installation> <shots folder> <package url> <page url> <version> <scene name>
//               <package bytes> [--user-display]
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace testsupport;

namespace {

void Say(const std::wstring& text) {
  std::printf("%s\n", ToUtf8(text).c_str());
  std::fflush(stdout);
}

std::string ReadText(const std::wstring& path) {
  std::string s;
  ReadFileBytes(path, &s);
  return s;
}

std::vector<DWORD> ProcessesNamed(const wchar_t* name) {
  std::vector<DWORD> pids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W e;
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
    if (lstrcmpiW(e.szExeFile, name) == 0) pids.push_back(e.th32ProcessID);
  }
  CloseHandle(snap);
  return pids;
}

void KillPid(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 0);
  WaitForSingleObject(h, 5000);
  CloseHandle(h);
}

LONGLONG FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<LONGLONG>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 8) {
    std::fprintf(stderr,
                 "usage: update_demo <installation> <shots> <package url> <page url> "
                 "<version> <scene> <package bytes> [--user-display]\n");
    return 2;
  }
  const std::wstring inst = argv[1], shots = argv[2], packageUrl = argv[3], pageUrl = argv[4],
                     version = argv[5], scene = argv[6];
  const LONGLONG packageBytes = _wtoi64(argv[7]);
  const bool userDisplay = argc > 8 && std::wstring(argv[8]) == L"--user-display";
  const std::wstring caption = L"Quenda 升级";
  int shot = 0;
  HWND window = nullptr;
  // Only the update window's area, whatever the display shows besides.
  auto Screenshot = [&](const std::wstring& what) {
    const std::wstring path =
        shots + L"\\" + scene + L"-" + std::to_wstring(++shot) + L"-" + what + L".bmp";
    RECT area;
    if (window && GetWindowRect(window, &area)) SaveScreenshot(path, &area);
  };

  const std::wstring client = inst + L"\\QuendaClient.exe";
  Child clientProcess;
  clientProcess.Start(client, Quote(client), inst);
  for (int i = 0; i < 100 && ReadText(inst + L"\\client-runs.log").empty(); ++i) Pump(100);
  Say(L"  the client (build 1.0.0) runs from the installation, pid " +
      std::to_wstring(clientProcess.Pid()));

  const std::wstring commandLine = Quote(inst + L"\\update.exe") + L" QuendaClient.exe " +
                                   Quote(caption) + L" " + packageUrl + L" " + pageUrl + L" " +
                                   version + L" " + Quote(L"修复若干问题;提升稳定性;优化界面");
  Say(L"  starting: " + commandLine);
  Child updater;
  if (!updater.Start(inst + L"\\update.exe", commandLine, inst)) {
    Say(L"  update.exe could not be started");
    return 1;
  }
  window = WaitForWindow(updater.Pid(), L"UpdateWnd", L"", 30000);
  if (!window) {
    Say(L"  the update window did not appear");
    return 1;
  }
  RECT r;
  GetWindowRect(window, &r);
  Say(L"  the update window is up (" + std::to_wstring(r.right - r.left) + L" x " +
      std::to_wstring(r.bottom - r.top) + L"), the download runs on its worker thread");

  // Follow the download through the temporary file until a message box appears.
  MessageBoxInfo box;
  int lastPercent = -1;
  for (int tick = 0; tick < 600 && !box.hwnd; ++tick) {
    const LONGLONG part = FileSize(inst + L"\\update.zip.part");
    if (part >= 0 && packageBytes > 0) {
      const int percent = static_cast<int>(part * 100 / packageBytes);
      if (percent / 25 != lastPercent / 25) {
        Say(L"  downloading: " + std::to_wstring(percent) + L"% in update.zip.part");
        Screenshot(L"downloading");
        lastPercent = percent;
      }
    }
    box = WaitForMessageBox(updater.Pid(), 200);
  }
  if (!box.hwnd) {
    Say(L"  no message box appeared");
    return 1;
  }
  Say(L"  message box \"" + box.caption + L"\": " + box.text);
  Pump(500);  // the window below repaints once the box runs its loop
  Screenshot(L"message");
  if (userDisplay) {
    Say(L"  (answer it on your display, or it is answered for you in 10 s)");
    WaitWindowGone(box.hwnd, 10000);
  } else {
    Pump(1500);
  }
  if (IsWindow(box.hwnd)) {
    PressMessageBoxButton(box.hwnd, IDOK);
    Say(L"  answered OK");
  }
  DWORD code = 259;
  updater.Wait(30000, &code);
  Say(L"  update.exe ended with exit code " + std::to_wstring(code));
  Say(std::wstring(L"  the package update.zip is ") +
      (FileExists(inst + L"\\update.zip") ? L"still there" : L"deleted"));
  Say(std::wstring(L"  the old client process has ") +
      (clientProcess.Running() ? L"kept running" : L"been ended"));
  Say(L"  readme.txt now reads: " + FromUtf8(ReadText(inst + L"\\readme.txt")).substr(0, 40));

  // What started afterwards: the client again, or the browser with the download page. The
  // demo ends them once reported.
  Pump(2000);
  const std::string runs = ReadText(inst + L"\\client-runs.log");
  const size_t last = runs.rfind("build=2.0.1");
  if (last != std::string::npos) {
    const size_t pid = runs.find(" pid=", last);
    Say(L"  the client was started again, the new build from the installation folder (" +
        FromUtf8(runs.substr(last, pid - last)) + L")");
    KillPid(static_cast<DWORD>(std::stoul(runs.substr(pid + 5))));
  } else {
    Say(L"  the client was not started again");
  }
  const std::vector<DWORD> browsers = ProcessesNamed(L"iexplore.exe");
  if (!browsers.empty()) {
    Say(L"  iexplore was started with the installer's download page " + pageUrl);
    for (DWORD pid : browsers) KillPid(pid);
  }
  return 0;
}
