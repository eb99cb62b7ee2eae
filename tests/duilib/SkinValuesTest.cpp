#include "SkinValues.h"

#include <gtest/gtest.h>

#include "CoreTestUtil.h"

using namespace DuiLib::Skin;

namespace {

uint32_t Color(const std::string& s, uint32_t fallback = 0x12345678) {
  uint32_t c = fallback;
  ParseColor(U(s).c_str(), &c);
  return c;
}

std::vector<int> Ints(const std::string& s, int count, int* read = nullptr) {
  std::vector<int> v(count, -99);
  const int n = ParseInts(U(s).c_str(), v.data(), count);
  if (read) *read = n;
  return v;
}

TEST(SkinValues, ColoursWithAndWithoutAlpha) {
  EXPECT_EQ(Color("#FF1F7AE0"), 0xFF1F7AE0u);
  EXPECT_EQ(Color("#801F7AE0"), 0x801F7AE0u);
  EXPECT_EQ(Color("#00000000"), 0x00000000u);  // alpha 0: "not drawn"
  EXPECT_EQ(Color("#1F7AE0"), 0xFF1F7AE0u);    // six digits are opaque
  EXPECT_EQ(Color("0xff00ff00"), 0xFF00FF00u);
  EXPECT_EQ(Color(" #abcdef "), 0xFFABCDEFu);
}

TEST(SkinValues, BadColoursLeaveTheValue) {
  for (const char* bad : {"", "#", "#12345G", "#123456789", "#1234567", "red", "# 12"}) {
    uint32_t c = 0xDEADBEEF;
    EXPECT_FALSE(ParseColor(U(bad).c_str(), &c)) << bad;
    EXPECT_EQ(c, 0xDEADBEEFu) << bad;
  }
  uint32_t c = 1;
  EXPECT_FALSE(ParseColor(nullptr, &c));
}

TEST(SkinValues, IntegerLists) {
  int read = 0;
  EXPECT_EQ(Ints("1,2,3,4", 4, &read), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(read, 4);
  EXPECT_EQ(Ints(" -5 , +6,7 ", 4, &read), (std::vector<int>{-5, 6, 7, 0}));
  EXPECT_EQ(read, 3);
  EXPECT_EQ(Ints("398,360", 2), (std::vector<int>{398, 360}));
  EXPECT_EQ(Ints("12px", 1, &read), (std::vector<int>{12}));
  EXPECT_EQ(Ints("x,1", 2, &read), (std::vector<int>{0, 0}));
  EXPECT_EQ(read, 0);
  EXPECT_EQ(Ints("1,2,3,4,5", 2, &read), (std::vector<int>{1, 2}));
}

TEST(SkinValues, HugeNumbersAreClamped) {
  EXPECT_EQ(Ints("99999999999999999999,-99999999999999999999", 2),
            (std::vector<int>{kMaxCoordinate, -kMaxCoordinate}));
}

TEST(SkinValues, Booleans) {
  for (const char* yes : {"true", "TRUE", "True", "1", "yes", "on"}) {
    EXPECT_TRUE(ParseBool(U(yes).c_str())) << yes;
  }
  for (const char* no : {"false", "0", "", "tru", "truex", "2"}) {
    EXPECT_FALSE(ParseBool(U(no).c_str())) << no;
  }
  EXPECT_FALSE(ParseBool(nullptr));
}

TEST(SkinValues, EqualsNoCaseIsAsciiOnly) {
  EXPECT_TRUE(EqualsNoCase(U("Button").c_str(), U("bUTTON").c_str()));
  EXPECT_FALSE(EqualsNoCase(U("Button").c_str(), U("Buttons").c_str()));
  EXPECT_FALSE(EqualsNoCase(U("É").c_str(), U("é").c_str()));
}

}  // namespace
