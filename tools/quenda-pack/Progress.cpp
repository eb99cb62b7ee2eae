#include "Progress.h"

#include <chrono>
#include <cstdio>

#include "PackFs.h"

namespace qpack {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ProgressBar::ProgressBar(const char* label, uint64_t total)
    : label_(label), total_(total), shown_(ErrorIsTerminal()) {
  Draw();
}

ProgressBar::~ProgressBar() { Clear(); }

void ProgressBar::Set(uint64_t done) {
  done_ = done > total_ ? total_ : done;
  Draw();
}

void ProgressBar::Draw() {
  if (!shown_ || total_ == 0) return;
  const int percent = static_cast<int>(done_ * 100 / total_);
  const double now = Seconds();
  // Redrawn when the figure changes, and a few times a second at most.
  if (percent == drawnPercent_ || (drawnPercent_ >= 0 && now - drawnAt_ < 0.1 && percent < 100)) {
    return;
  }
  drawnPercent_ = percent;
  drawnAt_ = now;
  const int filled = percent * kBarWidth / 100;
  std::string line = "\r" + label_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] ";
  char figures[64];
  std::snprintf(figures, sizeof figures, "%3d%%  ", percent);
  PrintError(line + figures + FormatBytes(done_) + " of " + FormatBytes(total_) + "   ");
}

void ProgressBar::Clear() {
  if (!shown_) return;
  PrintError("\r" + std::string(label_.size() + kBarWidth + 40, ' ') + "\r");
  shown_ = false;
}

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string FormatBytes(uint64_t bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%u bytes", static_cast<unsigned>(bytes));
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
  } else if (bytes < 1024ull * 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024));
  } else {
    std::snprintf(text, sizeof text, "%.2f GiB", bytes / (1024.0 * 1024 * 1024));
  }
  return text;
}

std::string FormatSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace qpack
