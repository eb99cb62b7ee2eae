// The skin library under Wine: skins become real windows, laid out and drawn; real mouse input
// produces notifications; modal loops, caption dragging and maximising behave as the programs
// expect; broken skins are reported instead of crashing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TestSupport.h"
#include "UiHarness.h"

using namespace duitest;

namespace {

// ---- Skins become controls ----------------------------------------------------------------

TEST(DuiWindow, SkinBuildsTypedControlsAndLaysThemOut) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 40, 40, 0, 0));
  ASSERT_TRUE(Settle(w));

  // Created 0 x 0: the skin gives the size; the client area is the whole window.
  const RECT rc = WindowRect(w.hwnd());
  EXPECT_EQ(rc.right - rc.left, 300);
  EXPECT_EQ(rc.bottom - rc.top, 200);
  RECT client = {};
  ::GetClientRect(w.hwnd(), &client);
  EXPECT_EQ(Str(client), "0,0,300,200");

  Ui().Run([&] {
    EXPECT_NE(w->Find(L"opt")->GetInterface(DUI_CTR_OPTION), nullptr);
    EXPECT_NE(w->Find(L"ok")->GetInterface(DUI_CTR_BUTTON), nullptr);
    EXPECT_EQ(w->Find(L"ok")->GetInterface(DUI_CTR_OPTION), nullptr);
    EXPECT_NE(w->Find(L"bar")->GetInterface(DUI_CTR_PROGRESS), nullptr);
    EXPECT_NE(w->Find(L"body")->GetInterface(DUI_CTR_VERTICALLAYOUT), nullptr);
    EXPECT_EQ(w->Find(L"nothing"), nullptr);
    EXPECT_EQ(w->Find(L"lines")->GetText(), L"第一行\n第二行");
    EXPECT_EQ(w->initWindowCalls, 1);
  });

  EXPECT_EQ(Pos(w, L"title"), "0,0,300,30");
  EXPECT_EQ(Pos(w, L"caption"), "10,0,240,30");  // padding keeps 10 px free on its left
  EXPECT_EQ(Pos(w, L"minbtn"), "240,0,270,30");
  EXPECT_EQ(Pos(w, L"closebtn"), "270,0,300,30");
  EXPECT_EQ(Pos(w, L"bold"), "10,40,290,64");    // inset 10
  EXPECT_EQ(Pos(w, L"plain"), "10,69,290,93");   // childpadding 5
  EXPECT_EQ(Pos(w, L"lines"), "10,98,290,138");  // stretches into what is left
  EXPECT_EQ(Pos(w, L"opt"), "90,143,150,169");   // centred pair of fixed buttons
  EXPECT_EQ(Pos(w, L"ok"), "150,143,210,169");
  EXPECT_EQ(Pos(w, L"bar"), "10,174,290,190");
}

TEST(DuiWindow, GivenSizeWinsOverTheSkinAndLayoutFollowsResizing) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 40, 40, 500, 400));
  ASSERT_TRUE(Settle(w));
  const RECT rc = WindowRect(w.hwnd());
  EXPECT_EQ(rc.right - rc.left, 500);
  EXPECT_EQ(rc.bottom - rc.top, 400);
  EXPECT_EQ(Pos(w, L"closebtn"), "470,0,500,30");

  ::SetWindowPos(w.hwnd(), nullptr, 0, 0, 360, 260, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(WaitFor(Ui(), [&] { return Str(w->Find(L"closebtn")->GetPos()) == "330,0,360,30"; }));
  EXPECT_EQ(Pos(w, L"bar"), "10,234,350,250");

  // Hiding a button (as pellam swaps maximise and restore) gives its room to the others.
  Ui().Run([&] { w->Find(L"minbtn")->SetVisible(false); });
  EXPECT_TRUE(WaitFor(Ui(), [&] { return Str(w->Find(L"caption")->GetPos()) == "10,0,330,30"; }));
  EXPECT_EQ(Pos(w, L"closebtn"), "330,0,360,30");
}

TEST(DuiWindow, ProgressKeepsItsValueInRange) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 40, 40, 0, 0));
  Ui().Run([&] {
    CProgressUI* bar = static_cast<CProgressUI*>(w->Find(L"bar"));
    EXPECT_EQ(bar->GetValue(), 50);
    bar->SetValue(150);
    EXPECT_EQ(bar->GetValue(), 100);
    bar->SetValue(-3);
    EXPECT_EQ(bar->GetValue(), 0);
    bar->SetValue(70);
    bar->SetText(L"{b}70%{/b}");
    EXPECT_EQ(bar->GetText(), L"{b}70%{/b}");
  });
}

// ---- Drawing ------------------------------------------------------------------------------

TEST(DuiWindow, TextIsDrawnWithBoldMarkupAndLineFeeds) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 40, 40, 0, 0));
  ASSERT_TRUE(Settle(w));
  ::RedrawWindow(w.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  testsupport::Pump(200);

  // The same characters, once in bold through the markup: bold strokes cover more pixels,
  // and no brace of the markup is drawn (it would add ink of its own).
  const RECT bold = Ui().Get<RECT>([&] { return w->ScreenRect(L"bold"); });
  const RECT plain = Ui().Get<RECT>([&] { return w->ScreenRect(L"plain"); });
  const int boldInk = CountInk(bold, RGB(255, 255, 255));
  const int plainInk = CountInk(plain, RGB(255, 255, 255));
  EXPECT_GT(plainInk, 50);
  EXPECT_GT(boldInk, plainInk * 11 / 10) << "bold " << boldInk << ", plain " << plainInk;

  // "第一行\n第二行": two separate bands of text rows.
  const RECT lines = Ui().Get<RECT>([&] { return w->ScreenRect(L"lines"); });
  const std::vector<int> rows = InkRows(lines, RGB(255, 255, 255));
  ASSERT_FALSE(rows.empty());
  int bands = 1;
  for (size_t i = 1; i < rows.size(); ++i) bands += rows[i] > rows[i - 1] + 1 ? 1 : 0;
  EXPECT_EQ(bands, 2);

  // The title bar's own colour, with the white caption text and glyphs on it.
  const RECT title = Ui().Get<RECT>([&] { return w->ScreenRect(L"title"); });
  const std::vector<COLORREF> px = Capture(title);
  ASSERT_FALSE(px.empty());
  EXPECT_EQ(px[2], RGB(0x1F, 0x7A, 0xE0));
  EXPECT_GT(
      CountInk(Ui().Get<RECT>([&] { return w->ScreenRect(L"caption"); }), RGB(0x1F, 0x7A, 0xE0)),
      20);
}

// ---- Notifications from real mouse input ----------------------------------------------------

TEST(DuiWindow, WindowInitOnceThenClicksByControlName) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 60, 60, 0, 0));
  ASSERT_TRUE(WaitFor(Ui(), [&] { return Logged(w.w, "windowinit:root"); }));
  ::RedrawWindow(w.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  testsupport::Pump(200);
  EXPECT_EQ(Ui().Get<int>([&] {
    return static_cast<int>(std::count(w->log.begin(), w->log.end(), "windowinit:root"));
  }),
            1);

  const POINT ok = Center(Ui().Get<RECT>([&] { return w->ScreenRect(L"ok"); }));
  testsupport::Click(ok.x, ok.y);
  EXPECT_TRUE(WaitFor(Ui(), [&] { return Logged(w.w, "click:ok"); }));

  // Pressed on the button but released elsewhere: no click. Pressed elsewhere and released
  // over the button: no click either.
  Ui().Run([&] { w->log.clear(); });
  const RECT body = Ui().Get<RECT>([&] { return w->ScreenRect(L"plain"); });
  testsupport::Drag(ok.x, ok.y, body.left + 20, body.top + 5);
  testsupport::Drag(body.left + 20, body.top + 5, ok.x, ok.y);
  testsupport::Pump(300);
  EXPECT_FALSE(Ui().Get<bool>([&] { return Logged(w.w, "click:ok"); }));
}

TEST(DuiWindow, OptionAnnouncesTheClickBeforeItsStateFlips) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 60, 60, 0, 0));
  ASSERT_TRUE(Settle(w));
  const POINT opt = Center(Ui().Get<RECT>([&] { return w->ScreenRect(L"opt"); }));

  testsupport::Click(opt.x, opt.y);
  ASSERT_TRUE(WaitFor(Ui(), [&] { return Logged(w.w, "selectchanged:opt"); }));
  Ui().Run([&] {
    // The click handler still saw the state from before the click.
    const auto click = std::find(w->log.begin(), w->log.end(), "click:opt:0");
    const auto changed = std::find(w->log.begin(), w->log.end(), "selectchanged:opt");
    EXPECT_TRUE(click != w->log.end());
    EXPECT_TRUE(click < changed);
    EXPECT_TRUE(static_cast<COptionUI*>(w->Find(L"opt"))->IsSelected());
    w->log.clear();
  });

  testsupport::Click(opt.x, opt.y);
  ASSERT_TRUE(WaitFor(Ui(), [&] { return Logged(w.w, "selectchanged:opt"); }));
  Ui().Run([&] {
    EXPECT_TRUE(Logged(w.w, "click:opt:1"));
    EXPECT_FALSE(static_cast<COptionUI*>(w->Find(L"opt"))->IsSelected());
  });
}

// ---- Modal windows ------------------------------------------------------------------------------

// Runs a modal window over owner; `act` ends it; returns the code ShowModal gave.
UINT RunModal(Window& owner, const std::function<void(Window&)>& act, bool* ownerWasDisabled) {
  Window modal;
  EXPECT_TRUE(OpenTest(&modal, L"Modal.xml", kDialog & ~WS_VISIBLE, 0, 0, 0, 0, owner.hwnd()));
  if (!modal.w) return 0xFFFF;
  Ui().Run([&] {
    modal->onNotify = [m = modal.w](TNotifyUI& msg) {
      if (msg.sType != DUI_MSGTYPE_CLICK) return;
      if (msg.pSender->GetName() == L"yes") m->Close(1);
      if (msg.pSender->GetName() == L"no") m->Close(2);
    };
    modal->CenterWindow();
  });
  UINT code = 0xFFFF;
  bool done = false;
  Ui().Post([&] {
    code = modal->ShowModal();
    done = true;
  });
  EXPECT_TRUE(WaitFor(Ui(), [&] { return ::IsWindowVisible(modal.hwnd()) != FALSE; }));
  testsupport::Pump(200);
  *ownerWasDisabled = ::IsWindowEnabled(owner.hwnd()) == FALSE;
  act(modal);
  EXPECT_TRUE(WaitFor(Ui(), [&] { return done; }));
  EXPECT_FALSE(::IsWindow(modal.hwnd()));
  return code;
}

TEST(DuiWindow, ShowModalReturnsTheCloseCodeAndGivesTheOwnerBack) {
  Window owner;
  ASSERT_TRUE(OpenTest(&owner, L"Layout.xml", kOverlapped, 300, 200, 0, 0));
  ASSERT_TRUE(Settle(owner));
  const auto clickOn = [](const wchar_t* name) {
    return [name](Window& m) {
      const POINT p = Center(Ui().Get<RECT>([&] { return m->ScreenRect(name); }));
      testsupport::Click(p.x, p.y);
    };
  };
  bool disabled = false;
  EXPECT_EQ(RunModal(owner, clickOn(L"yes"), &disabled), 1u);
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
  EXPECT_EQ(Ui().Get<HWND>([] { return ::GetActiveWindow(); }), owner.hwnd());

  // A fresh modal window each time; "no" gives 2.
  EXPECT_EQ(RunModal(owner, clickOn(L"no"), &disabled), 2u);
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));

  // Closed by the system command (Alt+F4, the system menu): neither code, never 1.
  EXPECT_EQ(RunModal(
                owner, [](Window& m) { ::PostMessageW(m.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); },
                &disabled),
            0u);
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));

  // Escape cancels a modal window.
  EXPECT_EQ(RunModal(
                owner,
                [](Window& m) {
                  Ui().Run([&] { ::SetFocus(m.hwnd()); });
                  ::PostMessageW(m.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
                },
                &disabled),
            static_cast<UINT>(IDCANCEL));
}

// ---- The message loop -----------------------------------------------------------------------

TEST(DuiWindow, MessageLoopEndsWithQuitOrWithTheLastWindow) {
  // No window at all: nothing could ever end the loop, so it does not start.
  EXPECT_TRUE(Ui().Get<bool>([] {
    CPaintManagerUI::MessageLoop();
    return true;
  }));

  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 40, 40, 0, 0));
  bool ended = false;
  Ui().Post([&] {
    CPaintManagerUI::MessageLoop();
    ended = true;
  });
  testsupport::Pump(200);
  EXPECT_FALSE(Ui().Get<bool>([&] { return ended; }));
  ::PostMessageW(w.hwnd(), WM_CLOSE, 0, 0);  // the default close destroys the window
  EXPECT_TRUE(WaitFor(Ui(), [&] { return ended; }));
  EXPECT_FALSE(::IsWindow(w.hwnd()));

  Window v;
  ASSERT_TRUE(OpenTest(&v, L"Layout.xml", kOverlapped, 40, 40, 0, 0));
  ended = false;
  Ui().Post([&] {
    CPaintManagerUI::MessageLoop();
    ended = true;
  });
  testsupport::Pump(100);
  Ui().Run([] { ::PostQuitMessage(0); });
  EXPECT_TRUE(WaitFor(Ui(), [&] { return ended; }));
  EXPECT_TRUE(::IsWindow(v.hwnd()));
}

// ---- Caption: dragging and maximising -----------------------------------------------------------

TEST(DuiWindow, CaptionDragsTheWindowButItsButtonsDoNot) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 100, 100, 0, 0));
  ASSERT_TRUE(Settle(w));
  const RECT before = WindowRect(w.hwnd());
  testsupport::Drag(before.left + 60, before.top + 15, before.left + 160, before.top + 75);
  EXPECT_TRUE(WaitFor(
      Ui(), [&] { return WindowRect(w.hwnd()).left == before.left + 100; }, 3000));
  const RECT after = WindowRect(w.hwnd());
  EXPECT_EQ(after.left, before.left + 100);
  EXPECT_EQ(after.top, before.top + 60);
  EXPECT_EQ(after.right - after.left, 300);

  // A button in the caption is a button: pressing it does not move the window.
  const POINT minbtn = Center(Ui().Get<RECT>([&] { return w->ScreenRect(L"minbtn"); }));
  testsupport::Drag(minbtn.x, minbtn.y, minbtn.x - 50, minbtn.y + 40);
  testsupport::Pump(300);
  EXPECT_EQ(Str(WindowRect(w.hwnd())), Str(after));
}

TEST(DuiWindow, DoubleClickOnTheCaptionMaximisesAndRestores) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kOverlapped, 100, 100, 0, 0));
  ASSERT_TRUE(Settle(w));
  const RECT normal = WindowRect(w.hwnd());
  testsupport::DoubleClick(normal.left + 60, normal.top + 15);
  ASSERT_TRUE(WaitFor(
      Ui(), [&] { return ::IsZoomed(w.hwnd()) != FALSE; }, 3000));
  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(Str(WindowRect(w.hwnd())), Str(work));
  // The layout follows the new size.
  EXPECT_TRUE(WaitFor(
      Ui(), [&] { return w->Find(L"closebtn")->GetPos().right == work.right - work.left; }));

  const RECT zoomed = WindowRect(w.hwnd());
  testsupport::DoubleClick(zoomed.left + 60, zoomed.top + 15);
  ASSERT_TRUE(WaitFor(
      Ui(), [&] { return ::IsZoomed(w.hwnd()) == FALSE; }, 3000));
  EXPECT_EQ(Str(WindowRect(w.hwnd())), Str(normal));
}

TEST(DuiWindow, NoMaximiseWithoutAMaximiseBox) {
  Window w;
  ASSERT_TRUE(OpenTest(&w, L"Layout.xml", kDialog, 100, 100, 0, 0));
  ASSERT_TRUE(Settle(w));
  const RECT r = WindowRect(w.hwnd());
  testsupport::DoubleClick(r.left + 60, r.top + 15);
  testsupport::Pump(400);
  EXPECT_FALSE(::IsZoomed(w.hwnd()));
}

// ---- Broken skins are reported ------------------------------------------------------------------

// Creates a window from a broken skin; returns the message box's text ("" when none came) and
// whether Create failed.
std::wstring BrokenSkin(const std::wstring& file, bool* createFailed) {
  Ui().Run([] { CPaintManagerUI::SetResourcePath(TestSkins().c_str()); });
  bool done = false;
  HWND made = nullptr;
  TestWindow* w = nullptr;
  Ui().Post([&] {
    w = new TestWindow(L"skins\\", file);
    made = w->Create(nullptr, L"broken", kOverlapped, 0, 0, 0, 0);
    done = true;
  });
  const testsupport::MessageBoxInfo box =
      testsupport::WaitForMessageBox(::GetCurrentProcessId(), 5000);
  if (box.hwnd) {
    testsupport::SaveScreenshot(ArtifactDir() + L"\\error-" + file.substr(0, file.find(L'.')) +
                                L".bmp");
    testsupport::PressMessageBoxButton(box.hwnd, IDOK);
  }
  EXPECT_TRUE(WaitFor(Ui(), [&] { return done; }));
  *createFailed = made == nullptr;
  Ui().Run([&] { delete w; });
  return box.caption + L"|" + box.text;
}

TEST(DuiWindow, BrokenSkinsAreReportedAndCreateFails) {
  bool failed = false;
  std::wstring text = BrokenSkin(L"NoSuchSkin.xml", &failed);
  EXPECT_TRUE(failed);
  EXPECT_NE(text.find(L"NoSuchSkin.xml"), std::wstring::npos) << Narrow(text);
  EXPECT_NE(text.find(L"找不到界面文件"), std::wstring::npos) << Narrow(text);

  text = BrokenSkin(L"Malformed.xml", &failed);
  EXPECT_TRUE(failed);
  EXPECT_NE(text.find(L"Malformed.xml"), std::wstring::npos) << Narrow(text);
  EXPECT_NE(text.find(L"格式错误"), std::wstring::npos) << Narrow(text);
  EXPECT_NE(text.find(L"Label"), std::wstring::npos) << Narrow(text);  // the reader's words

  text = BrokenSkin(L"UnknownControl.xml", &failed);
  EXPECT_TRUE(failed);
  EXPECT_NE(text.find(L"<Frobnicator>"), std::wstring::npos) << Narrow(text);
}

}  // namespace
