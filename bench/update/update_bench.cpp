// End-to-end cost of an update beside its two big parts, and the client's downtime: run under
// Wine by run_update_bench.sh. Each run
//   1. downloads the package alone (Ferrow) and extracts it alone (the archive layer, the
//      updater's loop), timing each;
//   2. runs update.exe from a fresh installation with a client running there, and times it
//      from the start of the download (update.zip.part appears) to the restart of the client
//      (a new client process exists), less the time its success message waited for the click;
//   3. and, of the same update, the client's downtime: from the end of the old client process
//      to the creation of the new one (both as the system recorded them), less the time the
//      success message waited for its click.
// It prints the times of the phase it was asked for; the script keeps the best of its runs.
//   update_bench alone|update <runtime dir> <client exe> <package url> <work dir>
#include <windows.h>
#include <tlhelp32.h>

#include <Ferrow.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Zip.h"

namespace {

// The system clock, as process creation and exit times are given.
double SystemSeconds(const FILETIME& t) {
  return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
         1e7;
}
double SystemNow() {
  FILETIME t;
  GetSystemTimeAsFileTime(&t);
  return SystemSeconds(t);
}

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Widen(const char* s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s, -1, &out[0], n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

std::string Narrow(const std::wstring& s) {
  const int n = WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Fail(const char* what) {
  std::fprintf(stderr, "update_bench: %s\n", what);
  std::exit(1);
}

double ProcessTime(HANDLE process, bool exit) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) Fail("no process times");
  return SystemSeconds(exit ? exited : created);
}

std::vector<DWORD> ClientPids() {
  std::vector<DWORD> pids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W e;
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
    if (lstrcmpW(e.szExeFile, L"QuendaClient.exe") == 0) pids.push_back(e.th32ProcessID);
  }
  CloseHandle(snap);
  return pids;
}

struct BoxQuery {
  DWORD pid;
  HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
  BoxQuery* q = reinterpret_cast<BoxQuery*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == q->pid && IsWindowVisible(hwnd) && lstrcmpW(cls, L"#32770") == 0) {
    q->box = hwnd;
    return FALSE;
  }
  return TRUE;
}

HANDLE Start(const std::wstring& exe, std::wstring commandLine, const std::wstring& dir,
             DWORD* pid) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      dir.c_str(), &si, &pi)) {
    return nullptr;
  }
  CloseHandle(pi.hThread);
  if (pid) *pid = pi.dwProcessId;
  return pi.hProcess;
}

void Kill(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 1);
  WaitForSingleObject(h, 5000);
  CloseHandle(h);
}

double DownloadAlone(const std::string& url, const std::wstring& dir) {
  CreateDirectoryW(dir.c_str(), nullptr);
  CWebGetFile download(0, 0, 0);
  const double start = Now();
  if (download.GetFile(url.c_str(), Narrow(dir + L"\\update.zip").c_str(), 0) != 0) {
    Fail("download failed");
  }
  return Now() - start;
}

double ExtractAlone(const std::wstring& dir) {
  const std::wstring out = dir + L"\\out";
  CreateDirectoryW(out.c_str(), nullptr);
  const double start = Now();
  HZIP zip = ZipOpen((dir + L"\\update.zip").c_str(), nullptr);
  if (!zip) Fail("the package is no archive");
  ZipSetBaseFolder(zip, out.c_str());
  ZipItem item = {};
  ZipGetItem(zip, -1, &item);
  const int count = item.index;
  for (int i = 0; i < count; ++i) {
    ZipGetItem(zip, i, &item);
    if (ZipExtractItem(zip, i, item.name) != ZR_OK) Fail("an entry failed");
  }
  ZipClose(zip);
  return Now() - start;
}

struct UpdateTimes {
  double whole;     // download to restart, less the message's wait
  double downtime;  // old client gone to new client created, less the message's wait
};

UpdateTimes UpdateEndToEnd(const std::wstring& runtime, const std::wstring& client,
                           const std::wstring& url, const std::wstring& inst) {
  CreateDirectoryW(inst.c_str(), nullptr);
  CreateDirectoryW((inst + L"\\skin").c_str(), nullptr);
  for (const wchar_t* f : {L"update.exe", L"DuiLib.dll", L"Ferrow.dll", L"skin\\WndUpdate.xml"}) {
    if (!CopyFileW((runtime + L"\\" + f).c_str(), (inst + L"\\" + f).c_str(), FALSE)) {
      Fail("cannot lay out the installation");
    }
  }
  const std::wstring clientPath = inst + L"\\QuendaClient.exe";
  CopyFileW(client.c_str(), clientPath.c_str(), FALSE);
  DWORD oldPid = 0;
  HANDLE old = Start(clientPath, L"\"" + clientPath + L"\"", inst, &oldPid);
  if (!old) Fail("cannot start the client");
  Sleep(500);  // let it come up fully, as a running client is

  const std::wstring updater = inst + L"\\update.exe";
  DWORD pid = 0;
  HANDLE process = Start(
      updater,
      L"\"" + updater + L"\" QuendaClient.exe bench " + url + L" http://127.0.0.1:1/page 2.0.1 a;b",
      inst, &pid);
  if (!process) Fail("cannot start update.exe");

  // Polls sleep a little between looks, so as not to take the processor from the updater.
  const std::wstring part = inst + L"\\update.zip.part";
  while (!Exists(part)) {
    if (WaitForSingleObject(process, 2) == WAIT_OBJECT_0) Fail("update.exe ended early");
  }
  const double started = Now();
  // The package takes its name once complete.
  const std::wstring package = inst + L"\\update.zip";
  while (!Exists(package)) {
    if (WaitForSingleObject(process, 2) == WAIT_OBJECT_0) Fail("update.exe ended early");
  }
  const double downloaded = Now();
  BoxQuery q = {pid, nullptr};
  while (!q.box) {
    if (WaitForSingleObject(process, 5) == WAIT_OBJECT_0) Fail("update.exe ended early");
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&q));
  }
  const double boxShown = Now(), boxShownClock = SystemNow();
  PostMessageW(GetDlgItem(q.box, IDOK), BM_CLICK, 0, 0);
  const double boxAnswered = Now(), boxAnsweredClock = SystemNow();
  DWORD restarted = 0;
  while (!restarted) {
    Sleep(5);
    for (DWORD p : ClientPids()) {
      if (p != oldPid) restarted = p;
    }
  }
  const double clientStarted = Now();
  HANDLE fresh = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, restarted);
  if (!fresh) Fail("the new client is gone");
  const double downtime =
      (ProcessTime(fresh, false) - ProcessTime(old, true)) - (boxAnsweredClock - boxShownClock);
  CloseHandle(fresh);
  CloseHandle(old);
  WaitForSingleObject(process, 30000);
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  Kill(restarted);
  if (code != 0 || Exists(package)) Fail("the update did not succeed");
  std::fprintf(stderr,
               "  update: download %.3f s, then to the success message %.3f s, then to the "
               "restart %.3f s; client down %.3f s\n",
               downloaded - started, boxShown - downloaded, clientStarted - boxAnswered, downtime);
  return {(clientStarted - started) - (boxAnswered - boxShown), downtime};
}

}  // namespace

// One phase of one run, so that the script can let the system write back what a phase left in
// its cache before the next one is timed (otherwise a phase that flushes its own files, as the
// updater does, also pays for the writes of the phases before it).
int main(int argc, char** argv) {
  if (argc != 6 || (std::strcmp(argv[1], "alone") != 0 && std::strcmp(argv[1], "update") != 0)) {
    std::fprintf(stderr,
                 "usage: update_bench alone|update <runtime dir> <client exe> <package url> "
                 "<work dir>\n");
    return 2;
  }
  const std::wstring runtime = Widen(argv[2]), client = Widen(argv[3]), work = Widen(argv[5]);
  const std::string url = argv[4];
  if (std::strcmp(argv[1], "alone") == 0) {
    const std::wstring base = work + L"\\alone";
    CreateDirectoryW(base.c_str(), nullptr);
    const double d = DownloadAlone(url, base);
    const double e = ExtractAlone(base);
    std::printf("download=%.4f extract=%.4f\n", d, e);
  } else {
    const UpdateTimes u = UpdateEndToEnd(runtime, client, Widen(url.c_str()), work + L"\\install");
    std::printf("update=%.4f downtime=%.4f\n", u.whole, u.downtime);
  }
  return 0;
}
