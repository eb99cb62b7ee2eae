// How QuillonFlash cuts its movie path out of the argument text.
#include <gtest/gtest.h>

#include "MoviePath.h"

using quillon::MoviePathFromArguments;

namespace {

TEST(MoviePath, QuotedPathEndsAtTheClosingQuote) {
  EXPECT_EQ(MoviePathFromArguments("\"C:\\Movies\\new year.swf\" /extra words"),
            "C:\\Movies\\new year.swf");
  // The first quote opens the path even with text before it.
  EXPECT_EQ(MoviePathFromArguments("-x \"C:\\a.swf\" \"D:\\b.swf\""), "C:\\a.swf");
}

TEST(MoviePath, LoneOpeningQuoteRunsToTheEnd) {
  EXPECT_EQ(MoviePathFromArguments("\"C:\\Movies\\new year.swf"), "C:\\Movies\\new year.swf");
  EXPECT_EQ(MoviePathFromArguments("\"C:\\m.swf  "), "C:\\m.swf  ");
}

TEST(MoviePath, WithoutQuotesTheWholeTextIsThePath) {
  EXPECT_EQ(MoviePathFromArguments("C:\\Movies\\new year.swf"), "C:\\Movies\\new year.swf");
  EXPECT_EQ(MoviePathFromArguments("C:\\m.swf  trailing "), "C:\\m.swf  trailing ");
  EXPECT_EQ(MoviePathFromArguments("a\tb"), "a\tb");
}

TEST(MoviePath, EmptyAndDegenerateTexts) {
  EXPECT_EQ(MoviePathFromArguments(nullptr), "");
  EXPECT_EQ(MoviePathFromArguments(""), "");
  EXPECT_EQ(MoviePathFromArguments("\""), "");
  EXPECT_EQ(MoviePathFromArguments("\"\" C:\\m.swf"), "");
}

TEST(MoviePath, DoubleByteTextIsKeptByteForByte) {
  // "动画" in code page 936 (GBK): the bytes pass through unchanged.
  EXPECT_EQ(MoviePathFromArguments("\"C:\\\xB6\xAF\xBB\xAD\\m.swf\" x"),
            "C:\\\xB6\xAF\xBB\xAD\\m.swf");
}

}  // namespace
