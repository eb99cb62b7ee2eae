// Pieces of QuillonFlash's window that need no running program: the colour key set through a
// function looked up at run time, and the program's resources.
#include <gtest/gtest.h>

#include <string>

#include "FlashWindow.h"
#include "Owners.h"
#include "TestSupport.h"

namespace {

class ColourKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "colour key", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }
  LONG ExStyle() const { return GetWindowLongA(window_, GWL_EXSTYLE); }

  HWND window_ = nullptr;
};

TEST_F(ColourKeyTest, SetsWhiteAsTheKeyOfALayeredWindow) {
  ASSERT_TRUE(quillon::ApplyColourKey(window_, GetModuleHandleA("user32.dll")));
  EXPECT_TRUE(ExStyle() & WS_EX_LAYERED);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(window_, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(255, 255, 255));
  EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
}

// A user32 without the function: nothing is called and the window stays an ordinary, visible
// (opaque) window rather than a layered one that would never be shown.
TEST_F(ColourKeyTest, MissingFunctionLeavesTheWindowOpaque) {
  EXPECT_FALSE(quillon::ApplyColourKey(window_, GetModuleHandleA("kernel32.dll")));
  EXPECT_FALSE(ExStyle() & WS_EX_LAYERED);
  EXPECT_FALSE(quillon::ApplyColourKey(window_, nullptr));
  EXPECT_FALSE(ExStyle() & WS_EX_LAYERED);
}

TEST(QuillonFlashResources, ExitMenuAndIcon) {
  const std::wstring exe = testsupport::RuntimeDir() + L"\\QuillonFlash.exe";
  const quenda::unique_hmodule program(
      LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(program);
  const quillon::unique_hmenu menu(LoadMenuA(program.get(), "POPUPMENU"));
  ASSERT_TRUE(menu);
  ASSERT_EQ(GetMenuItemCount(menu.get()), 1);
  HMENU popup = GetSubMenu(menu.get(), 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 1);
  EXPECT_EQ(GetMenuItemID(popup, 0), 32772u);
  wchar_t text[32] = {};
  GetMenuStringW(popup, 0, text, 32, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"退出");
  EXPECT_NE(FindResourceA(program.get(), MAKEINTRESOURCEA(107), MAKEINTRESOURCEA(14)),
            nullptr);  // RT_GROUP_ICON
}

}  // namespace
