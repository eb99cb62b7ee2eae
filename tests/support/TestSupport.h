// Helpers for the Windows tests that run under Wine: paths between the Linux build tree and
// Windows, child processes, windows, message boxes, real mouse input and screenshots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// ---- Paths --------------------------------------------------------------------------------

// Environment variable as UTF-16 ("" when unset).
std::wstring Env(const wchar_t* name);
// A Linux path (as CTest passes it in the environment) as a Windows path on Wine's Z: drive.
// A path that already looks like a Windows path is returned unchanged.
std::wstring WinPath(const std::wstring& unixOrWinPath);
// Folder that holds the programs, DLLs and skin\ of the build (QUENDA_RUNTIME_DIR).
std::wstring RuntimeDir();
// Source tree (QUENDA_SOURCE_DIR) and build tree (QUENDA_BINARY_DIR) as Windows paths.
std::wstring SourceDir();
std::wstring BinaryDir();
// Folder of the running test executable, without a trailing backslash.
std::wstring ExeDir();
// A fresh, empty folder below the build tree's test scratch area, named after `name`.
std::wstring ScratchDir(const std::wstring& name);

std::string ToUtf8(const std::wstring& s);
std::wstring FromUtf8(const std::string& s);

// ---- Files --------------------------------------------------------------------------------

bool FileExists(const std::wstring& path);
bool ReadFileBytes(const std::wstring& path, std::string* out);
bool WriteFileBytes(const std::wstring& path, const std::string& data);
bool CopyTree(const std::wstring& from, const std::wstring& to);
bool RemoveTree(const std::wstring& path);

// ---- Processes ----------------------------------------------------------------------------

struct RunResult {
  bool started = false;
  bool finished = false;  // false: still running at the time-out (and then killed)
  DWORD exitCode = 0;
  std::string output;  // what the child wrote to stdout and stderr
};

// Runs `commandLine` (the full command line, program path included) with `application` as
// lpApplicationName (may be empty), waits up to `timeoutMs`, captures its output.
RunResult Run(const std::wstring& application, const std::wstring& commandLine, DWORD timeoutMs,
              const std::wstring& currentDir = L"");

// A child process that keeps running while the test drives it.
class Child {
 public:
  Child() = default;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Start(const std::wstring& application, const std::wstring& commandLine,
             const std::wstring& currentDir = L"");
  DWORD Pid() const { return pi_.dwProcessId; }
  HANDLE Handle() const { return pi_.hProcess; }
  // Waits for the process to end; true when it did within the time-out.
  bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
  bool Running() const;
  void Kill();

 private:
  PROCESS_INFORMATION pi_ = {};
};

// Quotes one argument for a command line (spaces and quotes), Windows style.
std::wstring Quote(const std::wstring& arg);

// ---- Windows and input --------------------------------------------------------------------

// Visible top-level windows of a process (pid 0: of any process), optionally filtered by class
// name and by title (exact matches; empty means any).
std::vector<HWND> TopWindows(DWORD pid, const std::wstring& className = L"",
                             const std::wstring& title = L"");
// Polls for such a window up to `timeoutMs`; null when none appeared.
HWND WaitForWindow(DWORD pid, const std::wstring& className, const std::wstring& title,
                   DWORD timeoutMs);
// Waits until `hwnd` is gone.
bool WaitWindowGone(HWND hwnd, DWORD timeoutMs);
std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);

// A message box (dialog class #32770) of a process, with its text and caption.
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
};
// Waits for a message box of `pid` (0: any process) and reads it.
MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs);
// Presses a button of a message box by its command id (IDOK, IDYES, IDNO, ...).
bool PressMessageBoxButton(HWND box, int commandId);

// Real mouse input through SendInput at screen coordinates.
void MoveMouse(int x, int y);
void Click(int x, int y, bool right = false);
void DoubleClick(int x, int y);
void Drag(int fromX, int fromY, int toX, int toY);
// Pumps this thread's messages for `ms` milliseconds (lets input and painting settle).
void Pump(DWORD ms);

// Saves the screen area of `rect` (or of the whole screen when rect is null) as a 24-bit BMP.
bool SaveScreenshot(const std::wstring& path, const RECT* rect = nullptr);
// Reads one pixel of the screen.
COLORREF ScreenPixel(int x, int y);

}  // namespace testsupport
