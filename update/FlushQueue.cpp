#include "FlushQueue.h"

namespace {

// Files waiting beyond this hold their handles for nothing.
constexpr size_t kMaxQueued = 64;

}  // namespace

CFlushQueue::CFlushQueue(int threads) {
  try {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  } catch (...) {
    // Fewer threads (or none: Add then finishes each file itself) only make it slower.
  }
}

CFlushQueue::~CFlushQueue() {
  Finish();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

bool CFlushQueue::Complete(Item& item) {
  const bool flushed = FlushFileBuffers(item.file.get()) != FALSE;
  item.file.reset();
  return SetFileAttributesW(item.path.c_str(), item.attributes) && flushed;
}

void CFlushQueue::Add(quenda::unique_hfile file, const std::wstring& path, DWORD attributes) {
  Item item{std::move(file), path, attributes};
  if (threads_.empty()) {
    if (!Complete(item)) failed_ = true;
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < kMaxQueued; });
  queue_.push_back(std::move(item));
  changed_.notify_all();
}

bool CFlushQueue::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
  return !failed_;
}

void CFlushQueue::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Item item = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    changed_.notify_all();
    lock.unlock();
    const bool ok = Complete(item);
    lock.lock();
    --busy_;
    failed_ = failed_ || !ok;
    changed_.notify_all();
  }
}
