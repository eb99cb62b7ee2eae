#include "Thread.h"

#include <process.h>

#include <cstdlib>
#include <ctime>

CThread::CThread() : running(false), threadId(0), threadHandle(nullptr) {}

CThread::~CThread() {
  // The derived part is gone by now: only the base's own IsRunning may be asked.
  if (CThread::IsRunning()) {
    running = false;
    WaitForSingleObject(threadHandle, INFINITE);
  }
  if (threadHandle) CloseHandle(threadHandle);
}

bool CThread::IsRunning() {
  return threadHandle && WaitForSingleObject(threadHandle, 0) == WAIT_TIMEOUT;
}

bool CThread::Start() {
  if (IsRunning()) return false;
  if (threadHandle) {  // an earlier thread that has ended
    CloseHandle(threadHandle);
    threadId = 0;
    threadHandle = nullptr;
  }
  ThreadStartBlock block;
  block.started = false;
  block.thread = this;
  block.readyEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!block.readyEvent) return false;

  running = true;
  unsigned id = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, ThreadProc, &block, 0, &id);
  if (!handle) {
    running = false;
    CloseHandle(block.readyEvent);
    return false;
  }
  threadHandle = reinterpret_cast<HANDLE>(handle);
  threadId = id;
  WaitForSingleObject(block.readyEvent, INFINITE);
  CloseHandle(block.readyEvent);
  if (block.started) return true;
  Stop(INFINITE);
  return false;
}

bool CThread::Stop(DWORD timeoutMs) {
  if (IsRunning()) {
    running = false;
    if (WaitForSingleObject(threadHandle, timeoutMs) == WAIT_TIMEOUT) return false;
  }
  if (threadHandle) {
    CloseHandle(threadHandle);
    threadId = 0;
    threadHandle = nullptr;
  }
  return true;
}

bool CThread::Run() { return true; }
bool CThread::OnInit() { return true; }
bool CThread::OnExit() { return true; }

BOOL CThread::Terminate(DWORD exitCode) { return TerminateThread(threadHandle, exitCode); }

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
