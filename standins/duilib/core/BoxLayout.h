// How vertical and horizontal layouts share their space among their children: children with a
// fixed size get it, the others ("stretching") share what is left equally within their own
// minimum and maximum; across the layout a child fills the space unless it has a fixed size.
#pragma once

#include "SkinValues.h"

#include <vector>

namespace DuiLib {
namespace Skin {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
};

enum class Align { kStart, kCenter, kEnd };

struct BoxItem {
  int width = 0;  // 0: stretches (main axis) or fills (cross axis)
  int height = 0;
  int minWidth = 0, maxWidth = kMaxCoordinate;
  int minHeight = 0, maxHeight = kMaxCoordinate;
  Box padding;  // kept free around the item
};

// Places the items in a row (horizontal) or a column inside `area`, childPadding apart.
// mainAlign places the whole run when it leaves room along the axis (only possible when
// nothing stretches); crossAlign places items narrower than the area across it.
std::vector<Box> LayoutBoxes(const std::vector<BoxItem>& items, const Box& area, bool horizontal,
                             int childPadding, Align mainAlign, Align crossAlign);

}  // namespace Skin
}  // namespace DuiLib
