// CDuiString and the process-wide paths, as the programs use them.
#include <gtest/gtest.h>

#include <UIlib.h>

#include <string>

#include "TestSupport.h"

using namespace DuiLib;

namespace {

TEST(DuiString, FormatUsesWideStringsAndPercentSigns) {
  CDuiString caption(L"Quenda 更新");
  CDuiString tip;
  EXPECT_EQ(tip.Format(L"{b}%s{/b}", caption.GetData()), 16);
  EXPECT_TRUE(tip == L"{b}Quenda 更新{/b}");
  CDuiString percent;
  percent.Format(L"{b}%d%%{/b}", 69);
  EXPECT_TRUE(percent == L"{b}69%{/b}");
  // Longer than the string's own buffer.
  CDuiString long_;
  long_.Format(L"%s-%s-%s", std::wstring(100, L'a').c_str(), std::wstring(100, L'b').c_str(),
               std::wstring(100, L'c').c_str());
  EXPECT_EQ(long_.GetLength(), 302);
  EXPECT_EQ(long_[150], L'b');
}

TEST(DuiString, ConcatenationComparisonAndCopies) {
  CDuiString folder(L"C:\\Quenda\\");
  const CDuiString path = folder + L"update.zip";
  EXPECT_TRUE(path == L"C:\\Quenda\\update.zip");
  EXPECT_TRUE(L"C:\\Quenda\\update.zip" == path);
  EXPECT_TRUE(path != L"C:\\Quenda\\");
  EXPECT_TRUE(path == CDuiString(L"C:\\Quenda\\update.zip"));
  CDuiString big(std::wstring(500, L'x').c_str());
  CDuiString copy = big;
  copy += L"y";
  EXPECT_EQ(big.GetLength(), 500);
  EXPECT_EQ(copy.GetLength(), 501);
  CDuiString moved = static_cast<CDuiString&&>(copy);
  EXPECT_EQ(moved.GetLength(), 501);
  moved = moved.GetData() + 490;  // assigning a piece of itself
  EXPECT_TRUE(moved == L"xxxxxxxxxxy");
  moved.Append(moved.GetData());
  EXPECT_EQ(moved.GetLength(), 22);
  EXPECT_TRUE(L"a" + CDuiString(L"b") == L"ab");
  EXPECT_EQ(moved[1000], 0);
  CDuiString n;
  EXPECT_TRUE(n.IsEmpty());
  n.Assign(nullptr);
  EXPECT_TRUE(n == L"");
}

TEST(DuiPaths, InstancePathIsTheProgramFolderWithABackslash) {
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  const CDuiString path = CPaintManagerUI::GetInstancePath();
  ASSERT_GT(path.GetLength(), 0);
  EXPECT_EQ(path[path.GetLength() - 1], L'\\');
  EXPECT_EQ(std::wstring(path.GetData()), testsupport::ExeDir() + L"\\");
  CPaintManagerUI::SetResourcePath(L"C:\\skins");
  EXPECT_TRUE(CPaintManagerUI::GetResourcePath() == L"C:\\skins\\");
}

}  // namespace
