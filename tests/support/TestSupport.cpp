#include "TestSupport.h"

#include <shellapi.h>

#include <algorithm>

namespace testsupport {

// ---- Paths --------------------------------------------------------------------------------

std::string ToUtf8(const std::wstring& s) {
  if (s.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::wstring Env(const wchar_t* name) {
  wchar_t buf[32768];
  const DWORD n = GetEnvironmentVariableW(name, buf, 32768);
  if (n == 0 || n >= 32768) return std::wstring();
  return std::wstring(buf, n);
}

std::wstring WinPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  std::wstring out = L"Z:" + path;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

std::wstring RuntimeDir() { return WinPath(Env(L"QUENDA_RUNTIME_DIR")); }
std::wstring SourceDir() { return WinPath(Env(L"QUENDA_SOURCE_DIR")); }
std::wstring BinaryDir() { return WinPath(Env(L"QUENDA_BINARY_DIR")); }

std::wstring ExeDir() {
  wchar_t buf[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring ScratchDir(const std::wstring& name) {
  std::wstring root = BinaryDir();
  if (root.empty()) root = ExeDir();
  root += L"\\scratch";
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring dir = root + L"\\" + name;
  RemoveTree(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

// ---- Files --------------------------------------------------------------------------------

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadFileBytes(const std::wstring& path, std::string* out) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  out->clear();
  char buf[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr) != 0) && got > 0) out->append(buf, got);
  CloseHandle(h);
  return ok;
}

bool WriteFileBytes(const std::wstring& path, const std::string& data) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool ok =
      data.empty() || (WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) &&
                       put == data.size());
  CloseHandle(h);
  return ok;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((from + L"\\*").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring src = from + L"\\" + name, dst = to + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CopyTree(src, dst) && ok;
    } else {
      ok = CopyFileW(src.c_str(), dst.c_str(), FALSE) && ok;
    }
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  return ok;
}

bool RemoveTree(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) != 0;
  }
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(path.c_str()) != 0;
}

// ---- Processes ----------------------------------------------------------------------------

std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"')
      out.append(backslashes * 2 + 1, L'\\');
    else
      out.append(backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

RunResult Run(const std::wstring& application, const std::wstring& commandLine, DWORD timeoutMs,
              const std::wstring& currentDir) {
  RunResult r;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return r;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = commandLine;
  r.started = CreateProcessW(application.empty() ? nullptr : application.c_str(), &cmd[0], nullptr,
                             nullptr, TRUE, 0, nullptr,
                             currentDir.empty() ? nullptr : currentDir.c_str(), &si, &pi) != 0;
  CloseHandle(writeEnd);
  if (!r.started) {
    CloseHandle(readEnd);
    return r;
  }
  // Read on this thread until the pipe closes or the time runs out.
  const DWORD deadline = GetTickCount() + timeoutMs;
  char buf[4096];
  for (;;) {
    DWORD avail = 0;
    if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr)) break;  // writer gone
    if (avail > 0) {
      DWORD got = 0;
      if (!ReadFile(readEnd, buf, std::min<DWORD>(avail, sizeof buf), &got, nullptr)) break;
      r.output.append(buf, got);
      continue;
    }
    if (WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0) {
      // Drain what is left; grandchildren may still hold the pipe, so only what is there.
      while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
        DWORD got = 0;
        if (!ReadFile(readEnd, buf, std::min<DWORD>(avail, sizeof buf), &got, nullptr)) break;
        r.output.append(buf, got);
      }
      break;
    }
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) break;
  }
  const DWORD left =
      static_cast<LONG>(deadline - GetTickCount()) > 0 ? deadline - GetTickCount() : 0;
  r.finished = WaitForSingleObject(pi.hProcess, left) == WAIT_OBJECT_0;
  if (!r.finished) {
    TerminateProcess(pi.hProcess, 259);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  GetExitCodeProcess(pi.hProcess, &r.exitCode);
  CloseHandle(readEnd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return r;
}

Child::~Child() { Kill(); }

bool Child::Start(const std::wstring& application, const std::wstring& commandLine,
                  const std::wstring& currentDir) {
  Kill();
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  std::wstring cmd = commandLine;
  return CreateProcessW(application.empty() ? nullptr : application.c_str(), &cmd[0], nullptr,
                        nullptr, FALSE, 0, nullptr,
                        currentDir.empty() ? nullptr : currentDir.c_str(), &si, &pi_) != 0;
}

bool Child::Wait(DWORD timeoutMs, DWORD* exitCode) {
  if (!pi_.hProcess) return true;
  if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(pi_.hProcess, exitCode);
  return true;
}

bool Child::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

void Child::Kill() {
  if (!pi_.hProcess) return;
  if (Running()) {
    TerminateProcess(pi_.hProcess, 259);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
  pi_ = PROCESS_INFORMATION();
}

// ---- Windows and input --------------------------------------------------------------------

std::wstring WindowText(HWND hwnd) {
  wchar_t buf[4096];
  const int n = GetWindowTextW(hwnd, buf, 4096);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring ClassName(HWND hwnd) {
  wchar_t buf[256];
  const int n = GetClassNameW(hwnd, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

namespace {
struct EnumQuery {
  DWORD pid;
  std::wstring className, title;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  EnumQuery* q = reinterpret_cast<EnumQuery*>(lp);
  if (!IsWindowVisible(hwnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (q->pid != 0 && pid != q->pid) return TRUE;
  if (!q->className.empty() && ClassName(hwnd) != q->className) return TRUE;
  if (!q->title.empty() && WindowText(hwnd) != q->title) return TRUE;
  q->found.push_back(hwnd);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const std::wstring& className, const std::wstring& title) {
  EnumQuery q{pid, className, title, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND WaitForWindow(DWORD pid, const std::wstring& className, const std::wstring& title,
                   DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const std::vector<HWND> w = TopWindows(pid, className, title);
    if (!w.empty()) return w.front();
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Pump(50);
  }
}

bool WaitWindowGone(HWND hwnd, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (IsWindow(hwnd)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Pump(50);
  }
  return true;
}

MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
  MessageBoxInfo info;
  info.hwnd = WaitForWindow(pid, L"#32770", L"", timeoutMs);
  if (!info.hwnd) return info;
  info.caption = WindowText(info.hwnd);
  // The message text is the static control with id 0xFFFF.
  HWND text = GetDlgItem(info.hwnd, 0xFFFF);
  if (text) info.text = WindowText(text);
  return info;
}

bool PressMessageBoxButton(HWND box, int commandId) {
  HWND button = GetDlgItem(box, commandId);
  if (!button) return false;
  // BM_CLICK works across processes and does not depend on the pointer position.
  PostMessageW(button, BM_CLICK, 0, 0);
  return true;
}

namespace {
void SendMouse(DWORD flags, int x, int y) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65536LL + w / 2) / w);
  in.mi.dy = static_cast<LONG>((y * 65536LL + h / 2) / h);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}
}  // namespace

void MoveMouse(int x, int y) {
  SendMouse(MOUSEEVENTF_MOVE, x, y);
  Pump(30);
}

void Click(int x, int y, bool right) {
  MoveMouse(x, y);
  SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
  Pump(30);
  SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
  Pump(50);
}

void DoubleClick(int x, int y) {
  MoveMouse(x, y);
  for (int i = 0; i < 2; ++i) {
    SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    SendMouse(MOUSEEVENTF_LEFTUP, x, y);
  }
  Pump(100);
}

void Drag(int fromX, int fromY, int toX, int toY) {
  MoveMouse(fromX, fromY);
  SendMouse(MOUSEEVENTF_LEFTDOWN, fromX, fromY);
  Pump(50);
  const int steps = 10;
  for (int i = 1; i <= steps; ++i) {
    SendMouse(MOUSEEVENTF_MOVE, fromX + (toX - fromX) * i / steps,
              fromY + (toY - fromY) * i / steps);
    Pump(20);
  }
  SendMouse(MOUSEEVENTF_LEFTUP, toX, toY);
  Pump(100);
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

bool SaveScreenshot(const std::wstring& path, const RECT* rect) {
  RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (rect) r = *rect;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + stride * h;
  std::string data(reinterpret_cast<const char*>(&fh), sizeof fh);
  data.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  data.append(static_cast<const char*>(bits), stride * h);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return WriteFileBytes(path, data);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

}  // namespace testsupport
