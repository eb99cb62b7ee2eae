// Finishing written files on a few threads at once: each is flushed to the disk, closed and
// given its attributes. A flush waits for the disk; several waits overlap, and file systems
// commit their logs for several files together, so a package of many small files is on the
// disk in a fraction of the time that flushing them one by one takes.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "UniqueHandle.h"

class CFlushQueue {
 public:
  explicit CFlushQueue(int threads);
  // Waits for the files still queued.
  ~CFlushQueue();
  CFlushQueue(const CFlushQueue&) = delete;
  CFlushQueue& operator=(const CFlushQueue&) = delete;

  // Queues a written file (opened for writing) for flushing and closing; `attributes` are set
  // on `path` once it is closed. Waits while many files are queued already.
  void Add(quenda::unique_hfile file, const std::wstring& path, DWORD attributes);
  // Waits until every queued file is finished; true when all of them were flushed, closed and
  // given their attributes.
  bool Finish();

 private:
  struct Item {
    quenda::unique_hfile file;
    std::wstring path;
    DWORD attributes;
  };
  static bool Complete(Item& item);
  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  int busy_ = 0;
  bool stopping_ = false;
  bool failed_ = false;
  std::vector<std::thread> threads_;
};
