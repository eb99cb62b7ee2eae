#include "CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Splits a UTF-8 command line and returns the tokens as UTF-8.
std::vector<std::string> Split(const std::string& line) {
  const Utf16String wide = Utf8ToUtf16(line);
  CCommandLine cmd(wide.c_str());
  std::vector<std::string> out;
  for (int i = 0; i < cmd.GetCount(); ++i) out.push_back(Utf16ToUtf8(cmd.GetToken(i)));
  return out;
}

using Tokens = std::vector<std::string>;

TEST(CommandLine, QuotedProgramPathAndSixWords) {
  EXPECT_EQ(Split(R"("C:\Program Files\Quenda\update.exe" a b c d e f)"),
            (Tokens{R"(C:\Program Files\Quenda\update.exe)", "a", "b", "c", "d", "e", "f"}));
}

TEST(CommandLine, SpacesSeparateButTabsDoNot) {
  EXPECT_EQ(Split("a  b   c"), (Tokens{"a", "b", "c"}));
  EXPECT_EQ(Split("  lead trail  "), (Tokens{"lead", "trail"}));
  EXPECT_EQ(Split("a\tb c"), (Tokens{"a\tb", "c"}));
}

TEST(CommandLine, QuotesKeepSpacesAndDisappear) {
  EXPECT_EQ(Split(R"(p "Quenda 升级" x)"), (Tokens{"p", "Quenda 升级", "x"}));
  // An unquoted caption with a space becomes two tokens and shifts the rest.
  EXPECT_EQ(Split("p Quenda 升级 x"), (Tokens{"p", "Quenda", "升级", "x"}));
}

TEST(CommandLine, QuoteInsideTokenEndsItAndOpensQuotedState) {
  EXPECT_EQ(Split(R"(ab"c d")"), (Tokens{"ab", "c d"}));
  // The closing quote ends "c d"; what follows is split as usual.
  EXPECT_EQ(Split(R"(ab"c d" e)"), (Tokens{"ab", "c d", "e"}));
  EXPECT_EQ(Split(R"(x"y)"), (Tokens{"x", "y"}));
}

TEST(CommandLine, EmptyQuotedArgumentSwallowsUpToNextQuote) {
  // The token starts at the second quote (taken unexamined), quoted stays on.
  EXPECT_EQ(Split(R"(p "" a b "c d)"), (Tokens{"p", R"(" a b )", "c", "d"}));
  EXPECT_EQ(Split(R"(p "" a b)"), (Tokens{"p", R"(" a b)"}));
}

TEST(CommandLine, CharacterAfterOpeningQuoteIsNotExamined) {
  // A space right after the opening quote starts the token even though spaces never do.
  EXPECT_EQ(Split(R"(" a" b)"), (Tokens{" a", "b"}));
}

TEST(CommandLine, LoneQuotes) {
  EXPECT_EQ(Split(R"(a b ")"), (Tokens{"a", "b"}));  // trailing lone quote adds nothing
  EXPECT_EQ(Split(R"(")"), Tokens{});
  EXPECT_EQ(Split(R"("abc)"), (Tokens{"abc"}));  // unclosed quote runs to the end
}

TEST(CommandLine, EmptyInput) {
  EXPECT_EQ(Split(""), Tokens{});
  CCommandLine none(nullptr);
  EXPECT_EQ(none.GetCount(), 0);
  EXPECT_EQ(none.GetToken(0), nullptr);
}

TEST(CommandLine, AtMostTwentyFiveTokens) {
  std::string line;
  Tokens expected;
  for (int i = 1; i <= 30; ++i) {
    line += "t" + std::to_string(i) + " ";
    if (i <= 25) expected.push_back("t" + std::to_string(i));
  }
  EXPECT_EQ(Split(line), expected);

  // The 25-token limit also stops at a quote that would open a 26th token.
  std::string quoted;
  for (int i = 0; i < 25; ++i) quoted += "x ";
  quoted += R"("y z")";
  EXPECT_EQ(Split(quoted).size(), 25u);
}

TEST(CommandLine, TokenAccessOutOfRange) {
  const Utf16String wide = Utf8ToUtf16("a b");
  CCommandLine cmd(wide.c_str());
  ASSERT_EQ(cmd.GetCount(), 2);
  EXPECT_EQ(cmd.GetToken(2), nullptr);
  EXPECT_EQ(cmd.GetToken(-1), nullptr);
  EXPECT_EQ(Utf16ToUtf8(cmd[1]), "b");
}

TEST(Utf16, RoundTripsAndReplacesInvalidInput) {
  const std::string text = "a\xC3\xA9\xE5\x8D\x87\xF0\x9F\x98\x80z";  // a é 升 😀 z
  const Utf16String wide = Utf8ToUtf16(text);
  ASSERT_EQ(wide.size(), 6u);
  EXPECT_EQ(wide[3], 0xD83D);
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  // Overlong, truncated and surrogate encodings each become U+FFFD.
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (Utf16String{0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xE5\x8D"), (Utf16String{0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").size(), 3u);
  EXPECT_EQ(Utf16ToUtf8(Utf16String{0xD800}), "\xEF\xBF\xBD");
}

}  // namespace
