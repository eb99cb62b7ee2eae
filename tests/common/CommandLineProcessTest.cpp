// Starts a probe program with crafted command lines and checks the tokens it splits from its
// own GetCommandLineW(): what Windows (here Wine) hands a real process, not a string literal.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "TestSupport.h"

using namespace testsupport;

namespace {

std::vector<std::wstring> ProbeTokens(const std::wstring& arguments) {
  const std::wstring probe = ExeDir() + L"\\cmdline_probe.exe";
  const std::wstring commandLine = L"\"" + probe + L"\" " + arguments;
  const RunResult r = Run(probe, commandLine, 30000);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.finished);
  std::istringstream in(r.output);
  std::string line;
  std::getline(in, line);
  int count = -1;
  std::sscanf(line.c_str(), "count %d", &count);
  std::vector<std::wstring> tokens;
  while (std::getline(in, line)) {
    std::wstring token;
    std::istringstream units(line);
    unsigned v;
    while (units >> std::hex >> v) token.push_back(static_cast<wchar_t>(v));
    tokens.push_back(token);
  }
  EXPECT_EQ(count, static_cast<int>(tokens.size()));
  return tokens;
}

TEST(CommandLineProcess, ProgramPathComesFirstWithoutQuotes) {
  const auto t = ProbeTokens(L"a b c d e f");
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[0], ExeDir() + L"\\cmdline_probe.exe");
  EXPECT_EQ(t[6], L"f");
}

TEST(CommandLineProcess, QuotingTabsAndChinese) {
  const auto t = ProbeTokens(L"\"Quenda 升级\" a\tb ab\"c d\"  ");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[1], L"Quenda 升级");
  EXPECT_EQ(t[2], L"a\tb");
  EXPECT_EQ(t[3], L"ab");
  EXPECT_EQ(t[4], L"c d");
}

TEST(CommandLineProcess, EmptyQuotedArgumentSwallowsFollowingTokens) {
  const auto t = ProbeTokens(L"p \"\" a b");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[1], L"p");
  EXPECT_EQ(t[2], L"\" a b");
}

TEST(CommandLineProcess, TwentyFiveTokensAtMost) {
  std::wstring args;
  for (int i = 1; i <= 30; ++i) args += L"t" + std::to_wstring(i) + L" ";
  const auto t = ProbeTokens(args);
  ASSERT_EQ(t.size(), 25u);
  EXPECT_EQ(t[24], L"t24");
}

}  // namespace
