#include "Thread.h"

#include <process.h>

#include <cstdlib>
#include <ctime>

CThread::CThread() : running(false), threadId(0) {}

CThread::~CThread() {
  // The derived part is gone by now: only the base's own IsRunning may be asked.
  if (CThread::IsRunning()) {
    running = false;
    WaitForSingleObject(threadHandle.get(), INFINITE);
  }
}

bool CThread::IsRunning() {
  return threadHandle && WaitForSingleObject(threadHandle.get(), 0) == WAIT_TIMEOUT;
}

bool CThread::Start() {
  if (IsRunning()) return false;
  if (threadHandle) {  // an earlier thread that has ended
    threadHandle.reset();
    threadId = 0;
  }
  quenda::unique_handle ready(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!ready) return false;
  ThreadStartBlock block;
  block.started = false;
  block.thread = this;
  block.readyEvent = ready.get();

  running = true;
  unsigned id = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, ThreadProc, &block, 0, &id);
  if (!handle) {
    running = false;
    return false;
  }
  threadHandle.reset(reinterpret_cast<HANDLE>(handle));
  threadId = id;
  WaitForSingleObject(ready.get(), INFINITE);
  if (block.started) return true;
  Stop(INFINITE);
  return false;
}

bool CThread::Stop(DWORD timeoutMs) {
  if (IsRunning()) {
    running = false;
    if (WaitForSingleObject(threadHandle.get(), timeoutMs) == WAIT_TIMEOUT) return false;
  }
  threadHandle.reset();
  threadId = 0;
  return true;
}

bool CThread::Run() { return true; }
bool CThread::OnInit() { return true; }
bool CThread::OnExit() { return true; }

BOOL CThread::Terminate(DWORD exitCode) { return TerminateThread(threadHandle.get(), exitCode); }

unsigned __stdcall CThread::ThreadProc(void* argument) {
  ThreadStartBlock* block = static_cast<ThreadStartBlock*>(argument);
  CThread* thread = block->thread;
  std::srand(static_cast<unsigned>(_time64(nullptr)));

  bool started = false;
  try {
    started = thread->OnInit();
  } catch (...) {
    started = false;
  }
  // Start returns once the event is set and takes the block with it: keep what is needed.
  const HANDLE ready = block->readyEvent;
  block->started = started;
  SetEvent(ready);

  if (started) {
    while (thread->running) {
      try {
        if (!thread->Run()) break;
      } catch (...) {
        // A failed pass is not the end of the thread: the run flag decides.
      }
    }
    try {
      thread->OnExit();
    } catch (...) {
    }
  }
  _endthreadex(0);
  return 0;
}
