// The five skins shipped with the programs: each builds, has every control its program names
// with the type the program casts it to, takes its size as the program creates it, and draws
// its texts. A screenshot of each is kept under tests/artifacts/duilib.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UiHarness.h"

using namespace duitest;

namespace {

struct Expect {
  const wchar_t* name;
  const wchar_t* type;  // interface the program relies on
};

struct SkinCase {
  const wchar_t* file;
  DWORD style;
  DWORD exStyle;
  int cx, cy;         // as the program creates the window
  int width, height;  // the size it gets
  std::vector<Expect> controls;
  std::function<void(TestWindow*)> fill;  // what the program writes into it
  std::vector<const wchar_t*> texts;      // controls whose text must show
};

std::vector<SkinCase> Cases() {
  return {
      {L"WndUpdate.xml",
       0x10CF0000,
       0,
       398,
       360,
       398,
       360,
       {{L"updateTip", DUI_CTR_CONTROL},
        {L"updatecontent", DUI_CTR_CONTROL},
        {L"updatplan", DUI_CTR_PROGRESS},
        {L"closebtn", DUI_CTR_BUTTON},
        {L"btn_confirm", DUI_CTR_BUTTON},
        {L"minbtn", DUI_CTR_BUTTON}},
       [](TestWindow* w) {
         w->Find(L"updateTip")->SetText(L"{b}Quenda 即时通讯{/b}");
         w->Find(L"updatecontent")
             ->SetText(
                 L"1：修复了若干已知问题，提升了稳定性\n2：优化了消息发送速度\n3：新增表情包功能"
                 L"\n");
         CProgressUI* bar = static_cast<CProgressUI*>(w->Find(L"updatplan"));
         bar->SetValue(45);
         bar->SetText(L"{b}45%{/b}");
         bar->Invalidate();
       },
       {L"updateTip", L"updatecontent", L"updatplan", L"btn_confirm"}},
      {L"WndVintorMain.xml",
       0x96C80000,
       0,
       0,
       0,
       1000,
       680,
       {{L"btnMin", DUI_CTR_BUTTON},
        {L"btnStick", DUI_CTR_OPTION},
        {L"btnclose", DUI_CTR_BUTTON},
        {L"ie_GameChat", DUI_CTR_WEBBROWSER}},
       [](TestWindow* w) { ::SetWindowTextW(w->GetHWND(), L"Orvane休闲娱乐中心"); },
       {}},
      {L"WndPellam2.xml",
       0x10CF0000,
       0,
       0,
       0,
       1024,
       720,
       {{L"labelTip", DUI_CTR_CONTROL},
        {L"btn_Min", DUI_CTR_BUTTON},
        {L"btn_Max", DUI_CTR_BUTTON},
        {L"btn_Restore", DUI_CTR_BUTTON},
        {L"btn_close", DUI_CTR_BUTTON},
        {L"ie_GameUrl", DUI_CTR_WEBBROWSER}},
       [](TestWindow* w) { w->Find(L"labelTip")->SetText(L"{b}Orvane休闲娱乐中心{/b}"); },
       {L"labelTip"}},
      {L"WndVintorExit.xml",
       0x96C80000,
       0x81,
       0,
       0,
       360,
       190,
       {{L"btnCloseTip", DUI_CTR_BUTTON},
        {L"btn_cancel", DUI_CTR_BUTTON},
        {L"btn_confirm", DUI_CTR_BUTTON}},
       nullptr,
       {L"btn_cancel", L"btn_confirm"}},
      {L"WndExitGame.xml",
       0x96C80000,
       0x81,
       0,
       0,
       360,
       190,
       {{L"BtnExit", DUI_CTR_CONTROL},
        {L"btn_close", DUI_CTR_BUTTON},
        {L"btn_cancel", DUI_CTR_BUTTON},
        {L"btn_confirm", DUI_CTR_BUTTON}},
       [](TestWindow* w) { w->Find(L"BtnExit")->SetText(L"{b}系统提示：{/b}"); },
       {L"BtnExit", L"btn_cancel", L"btn_confirm"}},
  };
}

// Background colour right behind a control's text: its own, else its parents'.
COLORREF Background(CControlUI* c) {
  for (; c; c = c->GetParent()) {
    if (c->GetBkColor() >> 24)
      return RGB((c->GetBkColor() >> 16) & 0xFF, (c->GetBkColor() >> 8) & 0xFF,
                 c->GetBkColor() & 0xFF);
  }
  return RGB(255, 255, 255);
}

TEST(DuiSkins, EverySkinHasItsControlsSizeAndTexts) {
  Ui().Run([] { CPaintManagerUI::SetResourcePath((testsupport::RuntimeDir() + L"\\").c_str()); });
  for (const SkinCase& c : Cases()) {
    SCOPED_TRACE(Narrow(c.file));
    Window w;
    ASSERT_TRUE(Open(&w, L"skin\\", c.file, c.style, 20, 20, c.cx, c.cy, nullptr, c.exStyle));
    Ui().Run([&] {
      w->CenterWindow();
      ::ShowWindow(w.hwnd(), SW_SHOW);
      for (const Expect& e : c.controls) {
        CControlUI* control = w->Find(e.name);
        ASSERT_NE(control, nullptr) << Narrow(e.name);
        EXPECT_NE(control->GetInterface(e.type), nullptr)
            << Narrow(e.name) << " as " << Narrow(e.type);
      }
      if (c.fill) c.fill(w.w);
    });
    ASSERT_TRUE(Settle(w));
    const RECT rc = WindowRect(w.hwnd());
    EXPECT_EQ(rc.right - rc.left, c.width);
    EXPECT_EQ(rc.bottom - rc.top, c.height);
    ::RedrawWindow(w.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    testsupport::Pump(300);

    for (const wchar_t* name : c.texts) {
      RECT r = {};
      COLORREF bk = 0;
      Ui().Run([&] {
        r = w->ScreenRect(name);
        bk = Background(w->Find(name));
      });
      EXPECT_GT(CountInk(r, bk), 20) << "no text drawn in " << Narrow(name);
    }
    std::wstring shot = c.file;
    shot = ArtifactDir() + L"\\" + shot.substr(0, shot.find(L'.')) + L".bmp";
    EXPECT_TRUE(testsupport::SaveScreenshot(shot, &rc));
  }
}

TEST(DuiSkins, PellamStartsWithTheRestoreButtonHidden) {
  Ui().Run([] { CPaintManagerUI::SetResourcePath((testsupport::RuntimeDir() + L"\\").c_str()); });
  Window w;
  ASSERT_TRUE(Open(&w, L"skin\\", L"WndPellam2.xml", 0x10CF0000, 0, 0, 800, 600));
  Ui().Run([&] {
    EXPECT_TRUE(w->Find(L"btn_Max")->IsVisible());
    EXPECT_FALSE(w->Find(L"btn_Restore")->IsVisible());
  });
  const RECT rc = WindowRect(w.hwnd());
  EXPECT_EQ(rc.right - rc.left, 800);  // the size from the command line wins
  EXPECT_EQ(rc.bottom - rc.top, 600);
}

}  // namespace
