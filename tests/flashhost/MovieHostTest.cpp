// MovieHost with the test control, in this process: "Flash.ocx" lies beside the test program,
// where the host's LoadLibraryA finds it, and records what it was asked in flashctl.log there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlSite.h"
#include "FlashTestUtil.h"
#include "MovieHost.h"
#include "Owners.h"
#include "TestSupport.h"

using flashtest::Count;
using flashtest::Field;
using flashtest::Find;
using flashtest::Line;
using flashtest::LogCursor;
using quillon::MovieHost;

namespace {

// An 850 x 850 32-bit memory bitmap to draw into, pre-filled with one colour.
class Canvas {
 public:
  explicit Canvas(COLORREF fill) : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 850;
    info.bmiHeader.biHeight = -850;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    old_ = SelectObject(dc(), bitmap_.get());
    const quenda::unique_hbrush brush(CreateSolidBrush(fill));
    const RECT all = {0, 0, 850, 850};
    FillRect(dc(), &all, brush.get());
  }
  ~Canvas() { SelectObject(dc(), old_); }
  HDC dc() const { return dc_.get(); }
  COLORREF At(int x, int y) const { return GetPixel(dc(), x, y); }

 private:
  quenda::unique_hbitmap bitmap_;  // outlives the context it is selected into
  quenda::unique_hdc dc_;
  HGDIOBJ old_;
};

class MovieHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testsupport::ScratchDir(L"flashhost_moviehost");
    controlDir_ = testsupport::ExeDir();
    ASSERT_TRUE(testsupport::FileExists(controlDir_ + L"\\Flash.ocx"));
  }

  std::string Movie(const std::string& name, const std::string& text) {
    return testsupport::ToUtf8(flashtest::WriteMovie(folder_, testsupport::FromUtf8(name), text));
  }

  // Pumps this thread's messages (the control's timer runs on them) until `done` holds.
  template <typename Done>
  bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start >= timeoutMs) return false;
      testsupport::Pump(20);
    }
    return true;
  }

  std::wstring folder_;
  std::wstring controlDir_;
};

TEST_F(MovieHostTest, CreatesActivatesLoadsAndDrawsTheControl) {
  LogCursor log(controlDir_);
  const std::string path = Movie("shapes.qmv", flashtest::ShapesMovie(2, "rate 5"));
  {
    MovieHost host;
    EXPECT_EQ(host.GetState(), MovieHost::kCreated);
    ASSERT_TRUE(host.Create());
    ASSERT_TRUE(host.LoadMovie(path.c_str(), 850, 850));
    EXPECT_EQ(host.GetState(), MovieHost::kStarted);
    EXPECT_EQ(host.GetSize().cx, 850);
    EXPECT_EQ(host.GetSize().cy, 850);
    const RECT expected = {0, 0, 850, 850};
    EXPECT_TRUE(EqualRect(&host.ObjectRect(), &expected));
    host.SetQuality(quillon::kQualityHigh);
    host.SetLoopOff();

    // A site of this host tells the control the host's object rectangle.
    quillon::ControlSite* site = new quillon::ControlSite(&host);
    site->AddRef();
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT position = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    EXPECT_EQ(site->GetWindowContext(&frame, &doc, &position, &clip, &info), S_OK);
    EXPECT_TRUE(EqualRect(&position, &expected));
    EXPECT_TRUE(EqualRect(&clip, &expected));
    site->Release();

    // Filled white first, the shapes over it; the movie's own white stays white.
    Canvas canvas(RGB(0, 0, 0));
    EXPECT_TRUE(host.Draw(canvas.dc(), true));
    EXPECT_EQ(canvas.At(250, 250), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(600, 250), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(150, 600), RGB(0, 0xA0, 0));
    EXPECT_EQ(canvas.At(400, 600), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(20, 20), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(849, 849), RGB(255, 255, 255));
    // Without the fill, the transparent control leaves the rest of the target alone.
    Canvas over(RGB(0, 0, 0));
    EXPECT_TRUE(host.Draw(over.dc(), false));
    EXPECT_EQ(over.At(250, 250), RGB(255, 0, 0));
    EXPECT_EQ(over.At(20, 20), RGB(0, 0, 0));
  }
  EXPECT_EQ(GetModuleHandleA("Flash.ocx"), nullptr);

  // The calls, in the order the host makes them.
  const std::vector<std::string> lines = log.Lines();
  const std::string order[] = {"load",
                               "create",
                               "SetClientSite set",
                               "put_WMode Transparent",
                               "DoVerb -5 index=0 parent=null rect=null",
                               "activated windowless",
                               "put_Movie ",
                               "Play S_OK",
                               "SetObjectRects 0,0,850,850 0,0,850,850",
                               "put_Quality2 High",
                               "put_Loop 0",
                               "draw 1 frame=0 bounds=0,0,850,850 index=1",
                               "draw 2 ",
                               "Close 1",
                               "destroy",
                               "release-site remaining=1",
                               "DllCanUnloadNow S_OK",
                               "unload free live=0 locks=0"};
  int at = 0;
  for (const std::string& step : order) {
    const int found = Find(lines, step, at);
    ASSERT_GE(found, at) << "missing or out of order: " << step;
    at = found + 1;
  }
  EXPECT_EQ(Line(lines, "put_Movie "), "put_Movie " + path);
  // What the control saw of the site while activating.
  const std::string activated = Line(lines, "activated windowless");
  EXPECT_NE(activated.find("GetWindow=0x80004005 window=null"), std::string::npos) << activated;
  EXPECT_NE(activated.find("frame=null doc=null pos=0,0,0,0 clip=0,0,0,0 mdi=0 accel=0"),
            std::string::npos)
      << activated;
  EXPECT_NE(Find(lines, "GetDC refused hr=0x80070057 dc=null"), -1);
}

TEST_F(MovieHostTest, InvalidationsBetweenTicksCoalesceAndTheEndIsNoticed) {
  LogCursor log(controlDir_);
  // Three invalidations per frame change, 20 frames a second, two frames.
  const std::string path = Movie("two.qmv", flashtest::ShapesMovie(2, "rate 20\ninvalidate 3"));
  int polls = 0, playingPolls = 0;
  {
    MovieHost host;
    ASSERT_TRUE(host.Create());
    EXPECT_TRUE(host.TakeRedrawFlag());  // the first tick always draws
    EXPECT_FALSE(host.TakeRedrawFlag());
    ASSERT_TRUE(host.LoadMovie(path.c_str(), 850, 850));
    host.SetLoopOff();
    EXPECT_TRUE(host.TakeRedrawFlag());  // Play showed the first frame: three calls, one flag
    EXPECT_FALSE(host.TakeRedrawFlag());

    ASSERT_TRUE(PumpUntil([&] { return Find(log.Lines(), "frame 1") >= 0; }, 3000));
    EXPECT_TRUE(host.TakeRedrawFlag());
    EXPECT_FALSE(host.TakeRedrawFlag());

    ASSERT_TRUE(PumpUntil(
        [&] {
          if (host.GetState() == MovieHost::kStarted) ++playingPolls;
          ++polls;
          host.Poll();
          return host.GetState() == MovieHost::kEnded;
        },
        3000));
    // Ended means idle: no more invalidations.
    testsupport::Pump(200);
    EXPECT_FALSE(host.TakeRedrawFlag());
  }
  const std::vector<std::string> lines = log.Lines();
  EXPECT_EQ(Count(lines, "invalidated 3"), 2);
  EXPECT_NE(Find(lines, "stopped frame=1 last-frame"), -1);
  const std::string destroyed = Line(lines, "destroy");
  EXPECT_EQ(Field(destroyed, "CurrentFrame"), polls);
  EXPECT_EQ(Field(destroyed, "TotalFrames"), polls);
  EXPECT_EQ(Field(destroyed, "FrameNum"), polls);
  EXPECT_EQ(Field(destroyed, "Playing"), playingPolls);
}

TEST_F(MovieHostTest, FailedPlayLeavesNothingToDraw) {
  LogCursor log(controlDir_);
  const std::string path = Movie("fail.qmv", flashtest::ShapesMovie(1, "option fail-play"));
  {
    MovieHost host;
    ASSERT_TRUE(host.Create());
    EXPECT_FALSE(host.LoadMovie(path.c_str(), 850, 850));
    EXPECT_EQ(host.GetState(), MovieHost::kCreated);
    EXPECT_EQ(host.GetSize().cx, 0);
    EXPECT_EQ(host.GetSize().cy, 0);
    EXPECT_TRUE(IsRectEmpty(&host.ObjectRect()));
    Canvas canvas(RGB(1, 2, 3));
    EXPECT_FALSE(host.Draw(canvas.dc(), true));
    EXPECT_EQ(canvas.At(250, 250), RGB(1, 2, 3));
    host.Poll();
    EXPECT_EQ(host.GetState(), MovieHost::kCreated);
  }
  const std::vector<std::string> lines = log.Lines();
  EXPECT_NE(Find(lines, "Play E_FAIL"), -1);
  EXPECT_EQ(Find(lines, "SetObjectRects"), -1);
  EXPECT_EQ(Find(lines, "draw "), -1);
}

TEST_F(MovieHostTest, NoViewObjectMeansNoDrawingAndAnUntouchedBuffer) {
  LogCursor log(controlDir_);
  const std::string path = Movie("noview.qmv", flashtest::ShapesMovie(2, "option no-viewobject"));
  {
    MovieHost host;
    ASSERT_TRUE(host.Create());
    ASSERT_TRUE(host.LoadMovie(path.c_str(), 850, 850));
    Canvas canvas(RGB(1, 2, 3));
    EXPECT_FALSE(host.Draw(canvas.dc(), true));
    EXPECT_EQ(canvas.At(250, 250), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(20, 20), RGB(1, 2, 3));
  }
  const std::vector<std::string> lines = log.Lines();
  EXPECT_NE(Find(lines, "refuse IViewObject"), -1);
  EXPECT_EQ(Find(lines, "draw "), -1);
  EXPECT_NE(Find(lines, "unload free live=0"), -1);
}

TEST_F(MovieHostTest, NoInPlaceObjectLeavesTheRectanglesUnsetButPlays) {
  LogCursor log(controlDir_);
  const std::string path =
      Movie("noinplace.qmv", flashtest::ShapesMovie(2, "option no-inplaceobject"));
  {
    MovieHost host;
    ASSERT_TRUE(host.Create());
    ASSERT_TRUE(host.LoadMovie(path.c_str(), 850, 850));
    EXPECT_EQ(host.GetState(), MovieHost::kStarted);
    Canvas canvas(RGB(0, 0, 0));
    EXPECT_TRUE(host.Draw(canvas.dc(), true));
    EXPECT_EQ(canvas.At(250, 250), RGB(255, 0, 0));
  }
  const std::vector<std::string> lines = log.Lines();
  EXPECT_NE(Find(lines, "refuse IOleInPlaceObject"), -1);
  EXPECT_EQ(Find(lines, "SetObjectRects"), -1);
}

TEST_F(MovieHostTest, DestroyIsSafeToRepeat) {
  MovieHost host;
  ASSERT_TRUE(host.Create());
  host.Destroy();
  host.Destroy();
  EXPECT_EQ(GetModuleHandleA("Flash.ocx"), nullptr);
  // A destroyed host asks nothing of the control that is gone.
  host.Poll();
  host.SetQuality(quillon::kQualityLow);
  host.SetLoopOff();
  EXPECT_FALSE(host.LoadMovie("x", 850, 850));
  Canvas canvas(RGB(1, 2, 3));
  EXPECT_FALSE(host.Draw(canvas.dc(), true));
}

// The declaration of IShockwaveFlash must put every method where the real control has it:
// call the stand-in through raw vtable byte offsets taken from the control's published order.
TEST_F(MovieHostTest, ScriptingInterfaceSlotsMatchTheControl) {
  LogCursor log(controlDir_);
  const std::string path = Movie("slots.qmv", flashtest::ShapesMovie(3, "rate 5"));
  const quenda::unique_hmodule module(LoadLibraryA("Flash.ocx"));
  ASSERT_TRUE(module);
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const GetClassObjectFn getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module.get(), "DllGetClassObject")));
  ASSERT_NE(getClassObject, nullptr);
  quenda::com_ptr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(quillon::CLSID_ShockwaveFlash, IID_IClassFactory, factory.put_void()),
            S_OK);
  quenda::com_ptr<IUnknown> owner;
  ASSERT_EQ(factory->CreateInstance(nullptr, quillon::IID_IShockwaveFlash, owner.put_void()), S_OK);
  factory.reset();
  IUnknown* const flash = owner.get();

  void** vtable = *reinterpret_cast<void***>(flash);
  auto slot = [&](int byteOffset) { return vtable[byteOffset / 4]; };
  using BstrFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR);
  using BstrOutFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR*);
  using LongOutFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, long*);
  using BoolFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, VARIANT_BOOL);
  using BoolOutFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, VARIANT_BOOL*);
  using VoidFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*);
  using LoadMovieFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, int, BSTR);

  const quillon::unique_bstr mode(SysAllocString(L"Opaque"));
  EXPECT_EQ(reinterpret_cast<BstrFn>(slot(164))(flash, mode.get()), S_OK);  // put_WMode
  const quillon::unique_bstr quality(SysAllocString(L"Medium"));
  EXPECT_EQ(reinterpret_cast<BstrFn>(slot(228))(flash, quality.get()), S_OK);  // put_Quality2
  quillon::unique_bstr got;
  EXPECT_EQ(reinterpret_cast<BstrOutFn>(slot(224))(flash, got.put()), S_OK);  // get_Quality2
  EXPECT_STREQ(got.get(), L"Medium");
  const quillon::unique_bstr movie(SysAllocString(testsupport::FromUtf8(path).c_str()));
  EXPECT_EQ(reinterpret_cast<LoadMovieFn>(slot(232))(flash, 0, movie.get()), S_OK);  // LoadMovie
  EXPECT_EQ(reinterpret_cast<BstrFn>(slot(88))(flash, movie.get()), S_OK);           // put_Movie
  EXPECT_EQ(reinterpret_cast<BoolFn>(slot(80))(flash, VARIANT_FALSE), S_OK);         // put_Loop
  EXPECT_EQ(reinterpret_cast<VoidFn>(slot(112))(flash), S_OK);                       // Play
  long value = -1;
  EXPECT_EQ(reinterpret_cast<LongOutFn>(slot(32))(flash, &value), S_OK);  // get_TotalFrames
  EXPECT_EQ(value, 3);
  value = -1;
  EXPECT_EQ(reinterpret_cast<LongOutFn>(slot(140))(flash, &value), S_OK);  // CurrentFrame
  EXPECT_EQ(value, 0);
  value = -1;
  EXPECT_EQ(reinterpret_cast<LongOutFn>(slot(92))(flash, &value), S_OK);  // get_FrameNum
  EXPECT_EQ(value, 0);
  VARIANT_BOOL playing = VARIANT_FALSE;
  EXPECT_EQ(reinterpret_cast<BoolOutFn>(slot(36))(flash, &playing), S_OK);  // get_Playing
  EXPECT_EQ(playing, VARIANT_TRUE);
  owner.reset();

  const std::vector<std::string> lines = log.Lines();
  EXPECT_NE(Find(lines, "put_WMode Opaque"), -1);
  EXPECT_NE(Find(lines, "put_Quality2 Medium"), -1);
  const int loadMovie = Find(lines, "LoadMovie 0");
  ASSERT_NE(loadMovie, -1);
  EXPECT_EQ(lines[loadMovie + 1], "put_Movie " + path);
  EXPECT_NE(Find(lines, "put_Loop 0"), -1);
  EXPECT_NE(Find(lines, "Play S_OK"), -1);
  const std::string destroyed = Line(lines, "destroy");
  EXPECT_EQ(Field(destroyed, "TotalFrames"), 1);
  EXPECT_EQ(Field(destroyed, "CurrentFrame"), 1);
  EXPECT_EQ(Field(destroyed, "FrameNum"), 1);
  EXPECT_EQ(Field(destroyed, "Playing"), 1);
}

}  // namespace
