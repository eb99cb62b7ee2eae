#include "ThreadUpdate.h"

#include <string>

#include "UpdateSettings.h"
#include "WndUpdate.h"

namespace {

// The download library takes 8-bit text in the thread's ANSI code page.
std::string ToThreadAnsi(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

}  // namespace

CThreadUpdate::CThreadUpdate() {}

CThreadUpdate::~CThreadUpdate() {
  if (download.IsTransferring()) download.StopTransfer();
  Stop(INFINITE);
}

bool CThreadUpdate::Run() {
  const std::string url = ToThreadAnsi(updateSettings.packageUrl.GetData());
  const std::string path = ToThreadAnsi(updateSettings.packagePath.GetData());
  if (url.empty() || path.empty()) return false;
  const int result = download.GetFile(url.c_str(), path.c_str(), 0);
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
