// CThreadUpdate: the updater's worker. Its single pass downloads the package and tells the
// window when the download failed.
#pragma once

#include "StopWorker.h"
#include "Thread.h"
#include "UrlGetUpdateFile.h"

class CThreadUpdate : public CThread {
 public:
  CThreadUpdate();
  // Ends the transfer and the thread before the downloader goes, so that the thread never
  // runs on a half-destroyed worker.
  ~CThreadUpdate() override;

  // One pass: downloads the package to packagePath; posts WM_UPDATE_FAILED when that failed.
  // Returns false: there is one pass per run.
  bool Run() override;
  // Stops a transfer that is still running.
  bool OnExit() override;

  CUrlGetUpdateFile download;
};
