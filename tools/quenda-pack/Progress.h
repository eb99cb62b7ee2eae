// The progress bar on a terminal and the figures of the summary line.
#pragma once

#include <cstdint>
#include <string>

namespace qpack {

// A bar on the error stream, redrawn in place, shown only when that stream is a terminal (a
// log or a pipe gets nothing of it). Cleared when done.
class ProgressBar {
 public:
  ProgressBar(const char* label, uint64_t total);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void SetTotal(uint64_t total) { total_ = total; }
  void Set(uint64_t done);
  void Add(uint64_t bytes) { Set(done_ + bytes); }
  void Clear();

 private:
  void Draw();

  std::string label_;
  uint64_t total_;
  uint64_t done_ = 0;
  bool shown_;
  int drawnPercent_ = -1;
  double drawnAt_ = 0;
};

// Seconds since some fixed moment (the duration in the summary; nothing enters a package).
double Seconds();

// "12.3 MB", "512 bytes".
std::string FormatBytes(uint64_t bytes);
std::string FormatSeconds(double seconds);

}  // namespace qpack
