// CThread: one thread, started with a handshake, running a work function in a loop while its
// run flag is set, and stopped with a time-out.
#pragma once

#include <windows.h>

#include <atomic>

#include "UniqueHandle.h"

class CThread;

// What Start hands to the new thread. It lives on Start's stack and is valid only until the
// thread signals readyEvent.
struct ThreadStartBlock {
  bool started;       // the result of OnInit
  HANDLE readyEvent;  // auto-reset, unnamed; signalled once OnInit has run
  CThread* thread;
};

class CThread {
 public:
  CThread();
  // Stops the thread and waits for it without limit.
  virtual ~CThread();

  // True while a thread is held and has not ended.
  virtual bool IsRunning();
  // Starts a new thread; true when it runs and its OnInit returned true. False, changing
  // nothing, while the previous thread still runs.
  virtual bool Start();
  // Clears the run flag and waits up to `timeoutMs` for the thread to end. True when no thread
  // is left running and the handle is released; false when the wait timed out (the flag stays
  // cleared and the handle held).
  virtual bool Stop(DWORD timeoutMs);
  // One pass of work on the thread; true asks for another pass.
  virtual bool Run();
  // Runs once on the new thread before the first pass; false ends the thread at once.
  virtual bool OnInit();
  // Runs once on the thread after the last pass.
  virtual bool OnExit();

  // Forced end of the held thread; the handle stays held until the next Stop.
  BOOL Terminate(DWORD exitCode);

 protected:
  // Written by the owner's thread, read by the worker between passes; a single byte that
  // needs no lock.
  std::atomic<bool> running;
  unsigned threadId;
  quenda::unique_handle threadHandle;

 private:
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  static unsigned __stdcall ThreadProc(void* argument);
};
