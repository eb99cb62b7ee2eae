#include "BoxLayout.h"

#include <algorithm>

namespace DuiLib {
namespace Skin {

namespace {

// Positions are kept within this range, so nothing overflows however many children a layout
// has (the sums themselves are made in 64 bits).
const long long kLimit = 1LL << 30;

int Clamp(long long v, long long lo, long long hi) {
  if (hi < lo) hi = lo;
  return static_cast<int>(std::max(lo, std::min(hi, v)));
}

// Shares `space` among stretching items that each want between min and max: an equal share
// where that fits, an item's limit where it does not.
std::vector<long long> ShareSpace(long long space, const std::vector<int>& mins,
                                  const std::vector<int>& maxs) {
  const size_t n = mins.size();
  std::vector<long long> size(n, 0);
  std::vector<bool> settled(n, false);
  size_t open = n;
  long long left = std::max<long long>(0, space);
  // Each pass settles at least one item at a limit, or ends with equal shares for the rest.
  while (open > 0) {
    const long long share = left / static_cast<long long>(open);
    bool changed = false;
    for (size_t i = 0; i < n; ++i) {
      if (settled[i]) continue;
      const int hi = std::max(mins[i], maxs[i]);
      if (share < mins[i] || share > hi) {
        size[i] = share < mins[i] ? mins[i] : hi;
        settled[i] = true;
        left = std::max<long long>(0, left - size[i]);
        --open;
        changed = true;
      }
    }
    if (changed) continue;
    const long long rest = left - share * static_cast<long long>(open);
    for (size_t i = 0; i < n; ++i) {
      if (settled[i]) continue;
      // The last stretching item takes what the division left over.
      size[i] = share + (--open == 0 ? rest : 0);
      settled[i] = true;
    }
  }
  return size;
}

long long Offset(Align align, long long spare) {
  if (spare <= 0) return 0;
  if (align == Align::kCenter) return spare / 2;
  if (align == Align::kEnd) return spare;
  return 0;
}

}  // namespace

std::vector<Box> LayoutBoxes(const std::vector<BoxItem>& items, const Box& area, bool horizontal,
                             int childPadding, Align mainAlign, Align crossAlign) {
  std::vector<Box> out(items.size());
  if (items.empty()) return out;
  childPadding = std::max(0, childPadding);
  const long long mainStart = horizontal ? area.left : area.top;
  const long long crossStart = horizontal ? area.top : area.left;
  const long long mainSpace = std::max<long long>(
      0, horizontal ? (long long)area.right - area.left : (long long)area.bottom - area.top);
  const long long crossSpace = std::max<long long>(
      0, horizontal ? (long long)area.bottom - area.top : (long long)area.right - area.left);

  std::vector<long long> mainSize(items.size(), 0);
  std::vector<int> mins, maxs;
  long long fixedTotal = static_cast<long long>(childPadding) * (items.size() - 1);
  for (size_t i = 0; i < items.size(); ++i) {
    const BoxItem& it = items[i];
    const int want = horizontal ? it.width : it.height;
    const int lo = horizontal ? it.minWidth : it.minHeight;
    const int hi = horizontal ? it.maxWidth : it.maxHeight;
    fixedTotal += horizontal ? (long long)it.padding.left + it.padding.right
                             : (long long)it.padding.top + it.padding.bottom;
    if (want <= 0) {
      mins.push_back(std::max(0, lo));
      maxs.push_back(std::max(0, hi));
    } else {
      mainSize[i] = Clamp(want, std::max(0, lo), std::max(0, hi));
      fixedTotal += mainSize[i];
    }
  }
  const std::vector<long long> shares = ShareSpace(mainSpace - fixedTotal, mins, maxs);
  long long needed = fixedTotal;
  size_t s = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const int want = horizontal ? items[i].width : items[i].height;
    if (want <= 0) {
      mainSize[i] = shares[s++];
      needed += mainSize[i];
    }
  }

  long long pos = mainStart + Offset(mainAlign, mainSpace - needed);
  for (size_t i = 0; i < items.size(); ++i) {
    const BoxItem& it = items[i];
    const Box& pad = it.padding;
    const long long before = horizontal ? pad.left : pad.top;
    const long long after = horizontal ? pad.right : pad.bottom;
    const long long crossBefore = horizontal ? pad.top : pad.left;
    const long long crossAfter = horizontal ? pad.bottom : pad.right;
    const long long room = std::max<long long>(0, crossSpace - crossBefore - crossAfter);
    const int want = horizontal ? it.height : it.width;
    const int lo = std::max(0, horizontal ? it.minHeight : it.minWidth);
    const int hi = std::max(0, horizontal ? it.maxHeight : it.maxWidth);
    long long cross =
        want > 0 ? std::min<long long>(Clamp(want, lo, hi), room) : Clamp(room, lo, hi);
    const long long crossPos = crossStart + crossBefore + Offset(crossAlign, room - cross);
    pos += before;
    const long long a = Clamp(pos, -kLimit, kLimit), b = Clamp(pos + mainSize[i], -kLimit, kLimit);
    const long long c = Clamp(crossPos, -kLimit, kLimit),
                    d = Clamp(crossPos + cross, -kLimit, kLimit);
    Box& r = out[i];
    if (horizontal) {
      r.left = static_cast<int>(a), r.right = static_cast<int>(b);
      r.top = static_cast<int>(c), r.bottom = static_cast<int>(d);
    } else {
      r.top = static_cast<int>(a), r.bottom = static_cast<int>(b);
      r.left = static_cast<int>(c), r.right = static_cast<int>(d);
    }
    pos = Clamp(pos + mainSize[i] + after + childPadding, -kLimit, kLimit);
  }
  return out;
}

}  // namespace Skin
}  // namespace DuiLib
