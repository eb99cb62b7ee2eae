#include "BoxLayout.h"

#include <gtest/gtest.h>

using namespace DuiLib::Skin;

namespace {

Box Area(int l, int t, int r, int b) {
  Box a;
  a.left = l, a.top = t, a.right = r, a.bottom = b;
  return a;
}

BoxItem Fixed(int w, int h) {
  BoxItem i;
  i.width = w;
  i.height = h;
  return i;
}

std::string Str(const Box& b) {
  return std::to_string(b.left) + "," + std::to_string(b.top) + "," + std::to_string(b.right) +
         "," + std::to_string(b.bottom);
}

TEST(BoxLayout, ColumnOfFixedAndStretchingItems) {
  // A 398 x 360 window: a 40 px title bar, a stretching body, a 32 px button row.
  std::vector<BoxItem> items = {Fixed(0, 40), Fixed(0, 0), Fixed(0, 32)};
  const auto out = LayoutBoxes(items, Area(0, 0, 398, 360), false, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(Str(out[0]), "0,0,398,40");
  EXPECT_EQ(Str(out[1]), "0,40,398,328");
  EXPECT_EQ(Str(out[2]), "0,328,398,360");
}

TEST(BoxLayout, RowWithPaddingAndGaps) {
  // Title bar: a stretching label and two 40 px buttons, 2 px apart; the label keeps 10 px
  // free on its left.
  std::vector<BoxItem> items = {Fixed(0, 0), Fixed(40, 0), Fixed(40, 0)};
  items[0].padding.left = 10;
  const auto out = LayoutBoxes(items, Area(0, 0, 300, 36), true, 2, Align::kStart, Align::kStart);
  EXPECT_EQ(Str(out[0]), "10,0,216,36");
  EXPECT_EQ(Str(out[1]), "218,0,258,36");
  EXPECT_EQ(Str(out[2]), "260,0,300,36");
}

TEST(BoxLayout, StretchingItemsShareEquallyAndTheLastTakesTheRest) {
  std::vector<BoxItem> items = {Fixed(0, 0), Fixed(0, 0), Fixed(0, 0)};
  const auto out = LayoutBoxes(items, Area(0, 0, 100, 10), true, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(out[0].right - out[0].left, 33);
  EXPECT_EQ(out[1].right - out[1].left, 33);
  EXPECT_EQ(out[2].right - out[2].left, 34);
  EXPECT_EQ(out[2].right, 100);
}

TEST(BoxLayout, MinimumAndMaximumOfStretchingItems) {
  std::vector<BoxItem> items = {Fixed(0, 0), Fixed(0, 0)};
  items[0].maxWidth = 20;  // takes at most 20, the other gets the rest
  auto out = LayoutBoxes(items, Area(0, 0, 100, 10), true, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(Str(out[0]), "0,0,20,10");
  EXPECT_EQ(Str(out[1]), "20,0,100,10");
  items[0].maxWidth = kMaxCoordinate;
  items[0].minWidth = 80;
  out = LayoutBoxes(items, Area(0, 0, 100, 10), true, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(Str(out[0]), "0,0,80,10");
  EXPECT_EQ(Str(out[1]), "80,0,100,10");
}

TEST(BoxLayout, CrossAxisFillOrFixedAndAligned) {
  std::vector<BoxItem> items = {Fixed(96, 32), Fixed(0, 0)};
  const auto start =
      LayoutBoxes(items, Area(0, 0, 200, 100), false, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(Str(start[0]), "0,0,96,32");
  EXPECT_EQ(Str(start[1]), "0,32,200,100");  // fills across
  const auto center =
      LayoutBoxes(items, Area(0, 0, 200, 100), false, 0, Align::kStart, Align::kCenter);
  EXPECT_EQ(Str(center[0]), "52,0,148,32");
  const auto end = LayoutBoxes(items, Area(0, 0, 200, 100), false, 0, Align::kStart, Align::kEnd);
  EXPECT_EQ(Str(end[0]), "104,0,200,32");
}

TEST(BoxLayout, FixedItemsAreCentredAlongTheAxisWhenNothingStretches) {
  // Two 96 px buttons 16 px apart, centred in a 312 px row.
  std::vector<BoxItem> items = {Fixed(96, 0), Fixed(96, 0)};
  const auto out =
      LayoutBoxes(items, Area(24, 0, 336, 32), true, 16, Align::kCenter, Align::kStart);
  EXPECT_EQ(Str(out[0]), "76,0,172,32");
  EXPECT_EQ(Str(out[1]), "188,0,284,32");
  // With a stretching item there is no room left to align.
  items.push_back(Fixed(0, 0));
  const auto full =
      LayoutBoxes(items, Area(24, 0, 336, 32), true, 16, Align::kCenter, Align::kStart);
  EXPECT_EQ(full[0].left, 24);
  EXPECT_EQ(full[2].right, 336);
}

TEST(BoxLayout, TooLittleSpaceGivesStretchingItemsNothing) {
  std::vector<BoxItem> items = {Fixed(0, 80), Fixed(0, 0), Fixed(0, 80)};
  const auto out = LayoutBoxes(items, Area(0, 0, 50, 100), false, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(out[1].bottom - out[1].top, 0);
  EXPECT_EQ(Str(out[2]), "0,80,50,160");  // fixed items keep their size and overflow
}

TEST(BoxLayout, FixedWidthNeverExceedsTheCrossSpace) {
  std::vector<BoxItem> items = {Fixed(500, 10)};
  const auto out = LayoutBoxes(items, Area(0, 0, 100, 100), false, 0, Align::kStart, Align::kStart);
  EXPECT_EQ(Str(out[0]), "0,0,100,10");
}

TEST(BoxLayout, HugeSkinsDoNotOverflow) {
  std::vector<BoxItem> items(5000, Fixed(kMaxCoordinate, kMaxCoordinate));
  for (BoxItem& i : items) i.padding.left = i.padding.right = kMaxCoordinate;
  const auto out =
      LayoutBoxes(items, Area(0, 0, 10, 10), true, kMaxCoordinate, Align::kEnd, Align::kEnd);
  for (const Box& b : out) {
    EXPECT_LE(b.left, b.right);
    EXPECT_LE(b.top, b.bottom);
  }
  EXPECT_GT(out.back().left, out.front().left);
}

}  // namespace
