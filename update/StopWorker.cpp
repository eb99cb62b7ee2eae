#include "StopWorker.h"

void StopWorkerThread(CThread& worker, CWebGetFile& download) {
  // Asked whether or not a transfer runs yet: a stop made before the transfer begins holds
  // for it, so the thread never starts a download that nobody waits for.
  download.StopTransfer();
  if (worker.Stop(500)) return;
  // The thread may have entered the transfer after the first look: ask once more before
  // resorting to termination, which can leave locks of the killed thread held for ever.
  download.StopTransfer();
  if (worker.Stop(500)) return;
  while (worker.IsRunning()) {
    worker.Terminate(0);
    worker.Stop(500);
  }
  worker.Stop(0);  // releases the handle of a thread that ended between the looks
}
