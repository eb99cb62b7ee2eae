// CThread's start handshake, run loop and stops, and the forced stop of a worker.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "StopWorker.h"
#include "Thread.h"

namespace {

// A thread whose behaviour each test sets: how OnInit answers, how many passes Run makes,
// whether a pass throws or blocks.
class Probe : public CThread {
 public:
  Probe() : release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Probe() override {
    SetEvent(release);
    Stop(INFINITE);  // before the members go
    CloseHandle(release);
  }
  bool OnInit() override {
    ++inits;
    if (throwInInit) throw std::runtime_error("init");
    return initResult;
  }
  bool Run() override {
    const int pass = ++passes;
    if (pass <= throwingPasses) throw std::runtime_error("pass");
    if (block) WaitForSingleObject(release, INFINITE);
    return pass < passLimit;
  }
  bool OnExit() override {
    ++exits;
    return true;
  }
  HANDLE Handle() const { return threadHandle.get(); }
  unsigned Id() const { return threadId; }
  bool Flag() const { return running; }

  bool initResult = true, throwInInit = false, block = false;
  int passLimit = 1000000000, throwingPasses = 0;
  std::atomic<int> inits{0}, passes{0}, exits{0};
  HANDLE release;
};

bool WaitEnded(Probe& p) {
  for (int i = 0; i < 500 && p.IsRunning(); ++i) Sleep(10);
  return !p.IsRunning();
}

TEST(CThread, StartRunsPassesUntilStopped) {
  Probe p;
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(p.IsRunning());
  EXPECT_NE(p.Handle(), nullptr);
  EXPECT_NE(p.Id(), 0u);
  while (p.passes < 3) Sleep(1);
  EXPECT_TRUE(p.Stop(5000));
  EXPECT_FALSE(p.IsRunning());
  EXPECT_EQ(p.Handle(), nullptr);
  EXPECT_EQ(p.Id(), 0u);
  EXPECT_EQ(p.inits, 1);
  EXPECT_EQ(p.exits, 1);
}

TEST(CThread, StartOnARunningThreadChangesNothing) {
  Probe p;
  p.block = true;
  ASSERT_TRUE(p.Start());
  const HANDLE handle = p.Handle();
  const unsigned id = p.Id();
  EXPECT_FALSE(p.Start());
  EXPECT_EQ(p.Handle(), handle);
  EXPECT_EQ(p.Id(), id);
  EXPECT_TRUE(p.Flag());
  EXPECT_EQ(p.inits, 1);
  SetEvent(p.release);
  EXPECT_TRUE(p.Stop(5000));
}

TEST(CThread, RestartAfterTheThreadEndedByItself) {
  Probe p;
  p.passLimit = 1;  // one pass, then the thread ends
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(WaitEnded(p));
  EXPECT_NE(p.Handle(), nullptr);  // ended, handle still held
  ASSERT_TRUE(p.Start());          // closes it and starts anew
  ASSERT_TRUE(WaitEnded(p));
  EXPECT_EQ(p.inits, 2);
  EXPECT_EQ(p.passes, 2);
  EXPECT_EQ(p.exits, 2);
  EXPECT_TRUE(p.Stop(0));
  EXPECT_EQ(p.Handle(), nullptr);
}

TEST(CThread, FalseOnInitEndsTheThreadWithoutAPass) {
  Probe p;
  p.initResult = false;
  EXPECT_FALSE(p.Start());
  // Already ended and released when Start returns.
  EXPECT_FALSE(p.IsRunning());
  EXPECT_EQ(p.Handle(), nullptr);
  EXPECT_EQ(p.passes, 0);
  EXPECT_EQ(p.exits, 0);
}

TEST(CThread, ExceptionFromOnInitCountsAsFalse) {
  Probe p;
  p.throwInInit = true;
  EXPECT_FALSE(p.Start());
  EXPECT_EQ(p.Handle(), nullptr);
  EXPECT_EQ(p.passes, 0);
}

TEST(CThread, ExceptionFromRunDoesNotEndTheThread) {
  Probe p;
  p.throwingPasses = 3;
  p.passLimit = 5;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(WaitEnded(p));
  EXPECT_EQ(p.passes, 5);  // three failed passes, then two good ones
  EXPECT_EQ(p.exits, 1);
}

TEST(CThread, StopTimesOutOnABlockedThreadAndStopWorkerTerminatesIt) {
  Probe p;
  p.block = true;
  ASSERT_TRUE(p.Start());
  while (p.passes < 1) Sleep(1);
  EXPECT_FALSE(p.Stop(500));
  EXPECT_TRUE(p.IsRunning());  // still alive, flag cleared, handle held
  EXPECT_FALSE(p.Flag());
  EXPECT_NE(p.Handle(), nullptr);

  CWebGetFile idle(0, 0, 0);
  StopWorkerThread(p, idle);
  EXPECT_FALSE(p.IsRunning());
  EXPECT_EQ(p.Handle(), nullptr);
  EXPECT_EQ(p.exits, 0);  // terminated, not ended
}

TEST(CThread, StopWorkerOnAThreadThatEndsInTime) {
  Probe p;
  ASSERT_TRUE(p.Start());
  CWebGetFile idle(0, 0, 0);
  StopWorkerThread(p, idle);
  EXPECT_FALSE(p.IsRunning());
  EXPECT_EQ(p.Handle(), nullptr);
  EXPECT_EQ(p.exits, 1);
  StopWorkerThread(p, idle);  // nothing left to stop
  EXPECT_EQ(p.Handle(), nullptr);
}

TEST(CThread, DestructorWaitsForTheThread) {
  std::atomic<int> exits{0};
  {
    struct Counting : CThread {
      explicit Counting(std::atomic<int>* e) : exitsSeen(e) {}
      ~Counting() override { Stop(INFINITE); }
      bool Run() override {
        Sleep(5);
        return true;
      }
      bool OnExit() override {
        ++*exitsSeen;
        return true;
      }
      std::atomic<int>* exitsSeen;
    } c(&exits);
    ASSERT_TRUE(c.Start());
  }
  EXPECT_EQ(exits, 1);
}

}  // namespace
