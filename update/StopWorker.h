// The forced stop of a worker thread and its downloader.
#pragma once

#include <Ferrow.h>

#include "Thread.h"

// Stops the transfer, gives the thread 500 ms to end, and terminates it (repeatedly) if it
// does not. Afterwards no worker thread exists and its handle is closed.
void StopWorkerThread(CThread& worker, CWebGetFile& download);
