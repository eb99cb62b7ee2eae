#include "TextMarkup.h"

#include <gtest/gtest.h>

#include "CoreTestUtil.h"

using namespace DuiLib::Skin;

namespace {

// Every unit is 10 px wide (11 in bold), lines are 16 px high (20 in bold).
class FakeMeasurer : public TextMeasurer {
 public:
  int Measure(const TextStyle& style, const Utf16Char*, size_t n, int maxWidth,
              size_t* fit) override {
    const int unit = style.bold ? 11 : 10;
    if (maxWidth >= 0 && fit) *fit = std::min<size_t>(n, static_cast<size_t>(maxWidth / unit));
    return static_cast<int>(n) * unit;
  }
  int LineHeight(const TextStyle& style) override { return style.bold ? 20 : 16; }
  int Ascent(const TextStyle& style) override { return style.bold ? 16 : 12; }
};

// The runs as "text" or "[b]text" etc., "|" marking a line break after a run.
std::string Runs(const std::string& text, bool markup = true) {
  std::string out;
  for (const TextRun& r : ParseMarkup(U(text), markup)) {
    if (!out.empty()) out += " ";
    if (r.style.bold) out += "[b]";
    out += A(r.text);
    if (r.breakAfter) out += "|";
  }
  return out;
}

// Lines of a layout as their texts joined by "/".
std::string Lines(const std::string& text, int width, bool wrap, bool ellipsis = false,
                  int height = -1, bool markup = true) {
  FakeMeasurer m;
  LayoutOptions o;
  o.maxWidth = width;
  o.maxHeight = height;
  o.wrap = wrap;
  o.endEllipsis = ellipsis;
  const TextLayout layout = LayoutText(ParseMarkup(U(text), markup), o, m);
  std::string out;
  for (size_t i = 0; i < layout.lines.size(); ++i) {
    if (i) out += "/";
    for (const TextFragment& f : layout.lines[i].fragments) out += A(f.text);
  }
  return out;
}

TEST(TextMarkup, BoldTitleAsTheUpdaterWritesIt) {
  EXPECT_EQ(Runs("{b}Quenda 更新{/b}"), "[b]Quenda 更新");
  EXPECT_EQ(Runs("{b}42%{/b}"), "[b]42%");
  EXPECT_EQ(Runs("a{b}b{/b}c"), "a [b]b c");
}

TEST(TextMarkup, WithoutMarkupBracesAreText) {
  EXPECT_EQ(Runs("{b}x{/b}", false), "{b}x{/b}");
  EXPECT_EQ(A(PlainText(ParseMarkup(U("{b}x{/b}"), false))), "{b}x{/b}");
}

TEST(TextMarkup, LineFeedsBreakLinesInAnyText) {
  EXPECT_EQ(Runs("1：a\n2：b\n", false), "1：a| 2：b|");
  EXPECT_EQ(Runs("a\r\nb\rc"), "a| b| c");
  EXPECT_EQ(A(PlainText(ParseMarkup(U("{b}x{/b}\ny"), true))), "x\ny");
}

TEST(TextMarkup, NestingAndStrayTags) {
  EXPECT_EQ(Runs("{b}{b}x{/b}y{/b}z"), "[b]x [b]y z");
  EXPECT_EQ(Runs("{/b}{/B}x{B}y"), "x [b]y");
}

TEST(TextMarkup, UnknownOrBrokenTagsStayText) {
  EXPECT_EQ(Runs("{x}a{b"), "{x}a{b");
  EXPECT_EQ(Runs("{i}a{/i}{n}{c #FF0000}b"), "{i}a{/i}{n}{c #FF0000}b");
  EXPECT_EQ(Runs("{b }a{/b"), "{b }a{/b");
  EXPECT_EQ(Runs("{}"), "{}");
}

TEST(TextLayout, LinesWithoutWrapping) {
  EXPECT_EQ(Lines("1：a\n2：b\n3：c\n", 1000, false), "1：a/2：b/3：c");
  EXPECT_EQ(Lines("a\n\nb", 1000, false), "a//b");
  EXPECT_EQ(Lines("", 100, false), "");
  EXPECT_EQ(Lines("abcdefghij", 50, false), "abcdefghij");  // clipped by the painter
}

TEST(TextLayout, WrapsAtSpacesAndBetweenChineseCharacters) {
  EXPECT_EQ(Lines("hello big world", 100, true), "hello big/world");
  EXPECT_EQ(Lines("更新内容说明文字", 50, true), "更新内容说/明文字");
  EXPECT_EQ(Lines("abcdefghijkl", 50, true), "abcde/fghij/kl");  // a word too long is cut
  EXPECT_EQ(Lines("ab cdefghijkl", 50, true), "ab/cdefg/hijkl");
}

TEST(TextLayout, PunctuationStaysWithTheTextBeforeIt) {
  // "，" may not start a line: the break moves one character back.
  EXPECT_EQ(Lines("一二三四，五六", 40, true), "一二三/四，五六");
}

TEST(TextLayout, StylesContinueAcrossRunsOnOneLine) {
  FakeMeasurer m;
  LayoutOptions o;
  o.maxWidth = 1000;
  const TextLayout layout = LayoutText(ParseMarkup(U("ab{b}cd{/b}ef"), true), o, m);
  ASSERT_EQ(layout.lines.size(), 1u);
  const TextLine& line = layout.lines[0];
  ASSERT_EQ(line.fragments.size(), 3u);
  EXPECT_EQ(line.fragments[1].x, 20);
  EXPECT_EQ(line.fragments[1].width, 22);  // bold is wider
  EXPECT_EQ(line.fragments[2].x, 42);
  EXPECT_EQ(line.width, 62);
  EXPECT_EQ(line.height, 20);  // the tallest style on the line
  EXPECT_EQ(line.ascent, 16);
}

TEST(TextLayout, EllipsisShortensLongLines) {
  EXPECT_EQ(Lines("abcdefghij", 60, false, true), "abc...");
  EXPECT_EQ(Lines("abc", 60, false, true), "abc");
  // Lines that do not fit the height are dropped and the last one kept ends in "...".
  EXPECT_EQ(Lines("ab\ncd\nef", 100, true, true, 32), "ab/cd...");
}

TEST(TextLayout, SurrogatePairsAreNeverSplit) {
  // U+20000 twice: each is two units.
  const std::string text = "\xF0\xA0\x80\x80\xF0\xA0\x80\x80";
  EXPECT_EQ(Lines(text, 30, true), "\xF0\xA0\x80\x80/\xF0\xA0\x80\x80");
}

TEST(TextLayout, HeightIsTheSumOfLines) {
  FakeMeasurer m;
  LayoutOptions o;
  o.maxWidth = 100;
  const TextLayout layout = LayoutText(ParseMarkup(U("a\n{b}b{/b}"), true), o, m);
  EXPECT_EQ(layout.height, 36);
  EXPECT_EQ(layout.width, 11);
}

}  // namespace
