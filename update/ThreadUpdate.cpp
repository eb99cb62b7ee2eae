#include "ThreadUpdate.h"

#include <string>

#include "UpdateCore.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"

namespace {

// `text` in the thread's ANSI code page, only when every character survives the way there and
// back: a lossy conversion would send the download somewhere else.
bool ToThreadAnsiExactly(const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  const int n = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr,
                                    0, nullptr, nullptr);
  if (n <= 1) return false;
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, &ansi[0], n, nullptr,
                      nullptr);
  const int back = MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring roundTrip(static_cast<size_t>(back > 0 ? back : 1), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.c_str(), -1, &roundTrip[0], back);
  roundTrip.resize(roundTrip.size() - 1);
  if (roundTrip != text) return false;
  ansi.resize(static_cast<size_t>(n - 1));
  *out = ansi;
  return true;
}

// The package path for the download library. A folder that the ANSI code page can't hold is
// given by its short name, where the volume has one. False when neither works.
bool AnsiPackagePath(std::string* out) {
  const std::wstring path = updateSettings.packagePath.GetData();
  if (ToThreadAnsiExactly(path, out)) return true;
  const std::wstring folder = updateSettings.installDir.GetData();
  const DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (n == 0) return false;
  std::wstring shortFolder(n, L'\0');
  const DWORD got = GetShortPathNameW(folder.c_str(), &shortFolder[0], n);
  if (got == 0 || got >= n) return false;
  shortFolder.resize(got);
  if (!shortFolder.empty() && shortFolder.back() != L'\\') shortFolder += L'\\';
  return ToThreadAnsiExactly(shortFolder + L"update.zip", out);
}

}  // namespace

CThreadUpdate::CThreadUpdate() {}

// Ends the transfer and the thread before the downloader goes: bounded, with termination as
// the last resort.
CThreadUpdate::~CThreadUpdate() { StopWorkerThread(*this, download); }

bool CThreadUpdate::Run() {
  const std::wstring packageUrl = updateSettings.packageUrl.GetData();
  if (packageUrl.empty() || updateSettings.packagePath.IsEmpty()) return false;
  // Characters beyond ASCII travel percent-encoded as UTF-8, as browsers send them, rather
  // than through a code page that may not hold them.
  const std::string url = PercentEncodeNonAscii(Utf16String(packageUrl.begin(), packageUrl.end()));
  std::string path;
  int result = FERROW_E_FILE;
  if (AnsiPackagePath(&path)) result = download.GetFile(url.c_str(), path.c_str(), 0);
  // A transfer stopped on the window's request is no failure to report: the window is already
  // finishing or quitting. A success that never reached the window as complete (an empty
  // package has no total to show) would leave the user waiting: report it as a failure.
  const bool failed = result == FERROW_OK ? download.lastDone == 0.0 : result != FERROW_E_STOPPED;
  if (failed && updateSettings.window) {
    PostMessageW(updateSettings.window->GetHWND(), WM_UPDATE_FAILED, 0, 0);
  }
  return false;
}

bool CThreadUpdate::OnExit() {
  if (download.IsTransferring()) download.StopTransfer();
  return true;
}
