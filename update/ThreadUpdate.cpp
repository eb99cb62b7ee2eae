#include "ThreadUpdate.h"

#include <string>

#include "DownloadArgs.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"

CThreadUpdate::CThreadUpdate() {}

// Ends the transfer and the thread before the downloader goes: bounded, with termination as
// the last resort.
CThreadUpdate::~CThreadUpdate() { StopWorkerThread(*this, download); }

bool CThreadUpdate::Run() {
  if (updateSettings.packageUrl.IsEmpty() || updateSettings.packagePath.IsEmpty()) return false;
  const std::string url = DownloadUrl(updateSettings.packageUrl.GetData());
  std::string path;
  int result = FERROW_E_FILE;  // a path the download library can't be given fails at once
  if (DownloadPath(updateSettings.packagePath.GetData(), &path)) {
    result = download.GetFile(url.c_str(), path.c_str(), 0);
  }
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
