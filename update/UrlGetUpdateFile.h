// CUrlGetUpdateFile: the updater's downloader. It turns the download library's progress
// notifications into WM_UPDATE_PROGRESS messages for the update window.
#pragma once

#include <Ferrow.h>

class CUrlGetUpdateFile : public CWebGetFile {
 public:
  CUrlGetUpdateFile();
  ~CUrlGetUpdateFile() override;

  // Posts each new byte count once; nothing while the total is unknown (0).
  int OnProgress(double total, double done) override;

  // The done value last passed on to the window; 0.0 at first.
  double lastDone;
};
