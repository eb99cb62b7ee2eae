// Finishing an update: once the package is staged and checked, end the client, put the new
// files in place, then restart the client or send the user to the full installer. The heavy
// work runs on the finishing worker (ThreadFinish.cpp, PackageInstall.cpp); the messages to
// the user and the restart run here, on the UI thread.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "UniqueHandle.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"
#include "XmlDoc.h"

using namespace DuiLib;
using quenda::unique_handle;
using quenda::unique_hfile;

namespace {

const wchar_t kSuccessText[] = L"软件升级成功";
const wchar_t kFailureText[] =
    L"由于网络原因，升级文件出错，请点击确定，下载最新安装包，并重新安装";

// How long the ended client processes get, in all, to be gone before their files are
// replaced: a process that is being terminated still holds its image for a moment.
const DWORD kProcessExitWaitMs = 10000;

void WaitForExit(const std::vector<unique_handle>& processes, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (const unique_handle& process : processes) {
    const DWORD spent = GetTickCount() - start;
    WaitForSingleObject(process.get(), spent < timeoutMs ? timeoutMs - spent : 0);
  }
}

// ShellExecuteW reports success with a value above 32.
bool Opened(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

}  // namespace

void CWndUpdate::CompleteUpdate() {
  if (updateSettings.exeName.IsEmpty()) {
    // Without a client name nothing can be ended: the window stays at full progress until
    // the user cancels or closes it.
    phase = Phase::kStalled;
    return;
  }
  phase = Phase::kStaging;
  if (!finisher.Start()) {
    phase = Phase::kDone;
    FailUpdate();
  }
}

bool CWndUpdate::EnableDebugPrivilege() {
  unique_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    return false;
  }
  LUID luid;
  if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &luid)) return false;
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr,
                               nullptr) != FALSE;
}

bool CWndUpdate::EndProcesses(const wchar_t* imageName) {
  if (!imageName || !*imageName) return false;
  unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return true;
  std::vector<unique_handle> ended;
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    // Exact, case-sensitive name; never the updater itself, whatever name it was given.
    if (lstrcmpW(entry.szExeFile, imageName) != 0 || entry.th32ProcessID == self) continue;
    unique_handle process(OpenProcess(0x1F0FFF, FALSE, entry.th32ProcessID));
    if (process && TerminateProcess(process.get(), 0)) ended.push_back(std::move(process));
  }
  // Termination only starts the end of a process; its executable stays locked until it is
  // gone, and replacing it would fail.
  WaitForExit(ended, kProcessExitWaitMs);
  return true;
}

void CWndUpdate::ReadInstalledVersion(const std::wstring& path) {
  CXmlDoc doc;
  if (!doc.LoadFile(path.c_str())) return;
  if (!doc.FindElement(L"config")) return;
  doc.EnterElement();
  if (!doc.FindElement(L"version")) return;
  installedVersion = doc.ElementData();
}

void CWndUpdate::FinishUpdate() {
  MessageBoxW(m_hWnd, kSuccessText, updateSettings.caption.GetData(), MB_OK);

  const CDuiString program = CPaintManagerUI::GetInstancePath() + _T("\\") + updateSettings.exeName;
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  // No arguments: the command line is the quoted path alone. Without one, Windows would take
  // the unquoted path, and a folder with a space in its name would reach the client as
  // arguments.
  std::wstring commandLine = L"\"" + std::wstring(program.GetData()) + L"\"";
  if (CreateProcessW(program.GetData(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &info)) {
    unique_handle thread(info.hThread), process(info.hProcess);
  } else {
    ShellExecuteW(m_hWnd, L"open", program.GetData(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  // After the start, so that the client is not kept waiting for a large file to go.
  DeleteFileW(updateSettings.packagePath.GetData());
  PostQuitMessage(0);
}

void CWndUpdate::FailUpdate() {
  MessageBoxW(m_hWnd, kFailureText, updateSettings.caption.GetData(), MB_OK);
  // Current Windows may come without Internet Explorer: the user's own browser then.
  if (!Opened(ShellExecuteW(nullptr, L"open", L"iexplore", updateSettings.pageUrl.GetData(),
                            nullptr, SW_SHOWNORMAL)) &&
      !updateSettings.pageUrl.IsEmpty()) {
    ShellExecuteW(nullptr, L"open", updateSettings.pageUrl.GetData(), nullptr, nullptr,
                  SW_SHOWNORMAL);
  }
  DeleteFileW(updateSettings.packagePath.GetData());
  PostQuitMessage(0);
}
