#include "StopWorker.h"

void StopWorkerThread(CThread& worker, CWebGetFile& download) {
  if (download.IsTransferring()) download.StopTransfer();
  if (worker.Stop(500)) return;
  // The thread may have entered the transfer after the first look: ask once more before
  // resorting to termination, which can leave locks of the killed thread held for ever.
  if (download.IsTransferring()) download.StopTransfer();
  if (worker.Stop(500)) return;
  while (worker.IsRunning()) {
    worker.Terminate(0);
    worker.Stop(500);
  }
  worker.Stop(0);  // releases the handle of a thread that ended between the looks
}
