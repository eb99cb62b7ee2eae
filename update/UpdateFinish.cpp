// Finishing an update: end the client, unpack the package over the installation, check the
// version it declares, then restart the client or send the user to the full installer.
// Everything here runs on the UI thread after the worker has been stopped.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "UpdateCore.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"
#include "XmlDoc.h"
#include "Zip.h"

using namespace DuiLib;

namespace {

const wchar_t kSuccessText[] = L"软件升级成功";
const wchar_t kFailureText[] =
    L"由于网络原因，升级文件出错，请点击确定，下载最新安装包，并重新安装";

// How long the ended client processes get, in all, to be gone before their files are
// replaced: a process that is being terminated still holds its image for a moment.
const DWORD kProcessExitWaitMs = 10000;

void WaitForExit(const std::vector<HANDLE>& processes, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (HANDLE process : processes) {
    const DWORD spent = GetTickCount() - start;
    WaitForSingleObject(process, spent < timeoutMs ? timeoutMs - spent : 0);
  }
}

}  // namespace

void CWndUpdate::CompleteUpdate() {
  EnableDebugPrivilege();
  if (!EndProcesses(updateSettings.exeName.GetData())) return;
  if (!ExtractPackage(updateSettings.packagePath.GetData(), updateSettings.installDir.GetData())) {
    // Not an archive (damaged, or not what the server should have sent): the client is
    // already ended, so the user must hear of it and get the full installer.
    FailUpdate();
    return;
  }
  FinishUpdate();
}

bool CWndUpdate::EnableDebugPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  LUID luid;
  if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &luid)) {
    CloseHandle(token);
    return false;
  }
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const BOOL adjusted =
      AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr);
  CloseHandle(token);
  return adjusted != FALSE;
}

bool CWndUpdate::EndProcesses(const wchar_t* imageName) {
  if (!imageName || !*imageName) return false;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return true;
  std::vector<HANDLE> ended;
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    // Exact, case-sensitive name; never the updater itself, whatever name it was given.
    if (lstrcmpW(entry.szExeFile, imageName) != 0 || entry.th32ProcessID == self) continue;
    HANDLE process = OpenProcess(0x1F0FFF, FALSE, entry.th32ProcessID);
    if (!process) continue;
    if (TerminateProcess(process, 0)) {
      ended.push_back(process);
    } else {
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
  // Termination only starts the end of a process; its executable stays locked until it is
  // gone, and replacing it would fail.
  WaitForExit(ended, kProcessExitWaitMs);
  for (HANDLE process : ended) CloseHandle(process);
  return true;
}

bool CWndUpdate::ExtractPackage(const wchar_t* packagePath, const wchar_t* targetFolder) {
  HZIP zip = ZipOpen(packagePath, nullptr);
  if (!zip) return false;
  ZipSetBaseFolder(zip, targetFolder);
  ZipItem item = {};
  ZipGetItem(zip, -1, &item);
  const int count = item.index;
  for (int i = 0; i < count; ++i) {
    // A failed entry does not stop the others; the version check judges the result.
    ZipGetItem(zip, i, &item);
    ZipExtractItem(zip, i, item.name);
  }
  ZipClose(zip);
  return true;
}

void CWndUpdate::ReadInstalledVersion() {
  CXmlDoc doc;
  const CDuiString path = CPaintManagerUI::GetInstancePath() + _T("\\lastver.xml");
  if (!doc.LoadFile(path.GetData())) return;
  if (!doc.FindElement(L"config")) return;
  doc.EnterElement();
  if (!doc.FindElement(L"version")) return;
  installedVersion = doc.ElementData();
}

void CWndUpdate::FinishUpdate() {
  ReadInstalledVersion();
  const std::wstring expected(updateSettings.expectedVersion.GetData(),
                              static_cast<size_t>(updateSettings.expectedVersion.GetLength()));
  if (!VersionsMatch(expected, installedVersion)) {
    FailUpdate();
    return;
  }
  MessageBoxW(m_hWnd, kSuccessText, updateSettings.caption.GetData(), MB_OK);
  DeleteFileW(updateSettings.packagePath.GetData());

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
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  } else {
    ShellExecuteW(m_hWnd, L"open", program.GetData(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  PostQuitMessage(0);
}

void CWndUpdate::FailUpdate() {
  MessageBoxW(m_hWnd, kFailureText, updateSettings.caption.GetData(), MB_OK);
  ShellExecuteW(nullptr, L"open", L"iexplore", updateSettings.pageUrl.GetData(), nullptr,
                SW_SHOWNORMAL);
  DeleteFileW(updateSettings.packagePath.GetData());
  PostQuitMessage(0);
}
