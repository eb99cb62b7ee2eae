// CThreadFinish: the updater's second worker, for everything after the download. It unpacks
// the package into staging and checks the version the package declares while the client
// still runs; only when the window says so does it end the client and put the staged files
// in place. The window stays responsive all the while; the thread tells it how things went
// with WM_UPDATE_STAGED and WM_UPDATE_COMMITTED.
#pragma once

#include <atomic>

#include "PackageSignature.h"
#include "Thread.h"
#include "UniqueHandle.h"

class CThreadFinish : public CThread {
 public:
  CThreadFinish();
  // Cancels a staging in progress and waits (bounded) for the thread; a commit in progress
  // is let finish.
  ~CThreadFinish() override;

  // One pass: check the signature (when this updater has a key), stage and check, report,
  // wait for the window's word, then commit and report.
  bool Run() override;

  // The window's word after WM_UPDATE_STAGED (1): go on with the commit.
  void Proceed();
  // Drops the update: a staging in progress stops at its next chunk, a staged package is
  // removed, and nothing of the installation is touched. No effect once the commit began.
  void Cancel();
  // Cancel, then wait for the thread: bounded, with termination as the last resort (a
  // commit cut short that way is finished by the next start).
  void StopAndWait();

 private:
  enum Decision { kUndecided, kProceed, kCancel };
  bool Decide(Decision decision);
  void Post(UINT message, bool ok);

  std::atomic<bool> cancel_{false};
  CSignatureGetFile signatureDownload_;
  std::atomic<int> decision_{kUndecided};
  quenda::unique_handle decided_;  // manual-reset; set once the decision is made
};
