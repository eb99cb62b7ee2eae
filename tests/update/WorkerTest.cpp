// The updater's downloader and worker as the window sees them: the messages 1124 and 1125
// posted to the window's handle, against the loopback server of the download tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "ThreadUpdate.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"

using namespace testsupport;

namespace {

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Posted& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};

std::ostream& operator<<(std::ostream& os, const Posted& p) {
  return os << "{" << p.message << ", " << p.wParam << ", " << p.lParam << "}";
}

// An update window object whose handle is a plain window of the test: what the worker posts
// stays in the queue for the test to read, instead of running the window's handlers.
class ProbeWindow : public CWndUpdate {
 public:
  ProbeWindow() {
    m_hWnd = CreateWindowExW(0, L"STATIC", L"probe", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                             nullptr);
  }
  ~ProbeWindow() override {
    StopWorker();  // before the handle goes
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
  }
  CThreadUpdate& Worker() { return worker; }

  // The worker's messages posted so far (waiting up to `ms` for at least `atLeast`).
  std::vector<Posted> Take(size_t atLeast = 0, DWORD ms = 0) {
    std::vector<Posted> out;
    const DWORD start = GetTickCount();
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, m_hWnd, WM_UPDATE_PROGRESS, WM_UPDATE_FAILED, PM_REMOVE)) {
        out.push_back({msg.message, msg.wParam, msg.lParam});
      }
      if (out.size() >= atLeast || GetTickCount() - start >= ms) return out;
      Sleep(10);
    }
  }
};

class Worker : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = ScratchDir(L"worker-" +
                     FromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    window = new ProbeWindow();
    updateSettings.window = window;
    updateSettings.packagePath = (dir + L"\\update.zip").c_str();
  }
  void TearDown() override {
    delete window;
    updateSettings.window = nullptr;
    updateSettings.packageUrl = L"";
    updateSettings.packagePath = L"";
  }
  static std::wstring Url(const std::wstring& path) { return Env(L"QUENDA_HTTP_BASE") + path; }
  // Runs the worker's one pass to its end.
  std::vector<Posted> RunPass() {
    EXPECT_TRUE(window->Worker().Start());
    for (int i = 0; i < 3000 && window->Worker().IsRunning(); ++i) Sleep(10);
    EXPECT_FALSE(window->Worker().IsRunning());
    return window->Take();
  }

  std::wstring dir;
  ProbeWindow* window = nullptr;
};

const Posted kFailed{WM_UPDATE_FAILED, 0, 0};

TEST_F(Worker, ProgressPostsEachNewByteCountOnce) {
  CUrlGetUpdateFile& d = window->Worker().download;
  d.OnProgress(1000, 0);
  d.OnProgress(1000, 0);
  d.OnProgress(1000, 500);
  d.OnProgress(1000, 500);
  d.OnProgress(1000, 1000);
  EXPECT_EQ(window->Take(), (std::vector<Posted>{{WM_UPDATE_PROGRESS, 1000, 500},
                                                 {WM_UPDATE_PROGRESS, 1000, 1000}}));
  EXPECT_EQ(d.lastDone, 1000);
}

TEST_F(Worker, ProgressWithoutATotalPostsNothing) {
  CUrlGetUpdateFile& d = window->Worker().download;
  d.OnProgress(0, 0);
  d.OnProgress(0, 700);
  d.OnProgress(0.0, 5000);
  EXPECT_TRUE(window->Take().empty());
  EXPECT_EQ(d.lastDone, 0);
}

TEST_F(Worker, ProgressArrivesInWholeBytes) {
  CUrlGetUpdateFile& d = window->Worker().download;
  d.OnProgress(2048.7, 1023.9);
  EXPECT_EQ(window->Take(), (std::vector<Posted>{{WM_UPDATE_PROGRESS, 2048, 1023}}));
}

TEST_F(Worker, ProgressOfHugePackagesIsScaledAndCompletesOnlyAtTheEnd) {
  CUrlGetUpdateFile& d = window->Worker().download;
  const double total = 5000000000.0;
  d.OnProgress(total, total / 4);
  d.OnProgress(total, total - 1);
  d.OnProgress(total, total);
  const std::vector<Posted> posted = window->Take();
  ASSERT_EQ(posted.size(), 3u);
  for (const Posted& p : posted) EXPECT_LE(p.wParam, 0x7FFFFFFFu);
  EXPECT_NEAR(static_cast<double>(posted[0].lParam) / posted[0].wParam, 0.25, 1e-6);
  EXPECT_LT(static_cast<WPARAM>(posted[1].lParam), posted[1].wParam);
  EXPECT_EQ(static_cast<WPARAM>(posted[2].lParam), posted[2].wParam);
}

TEST_F(Worker, ProgressWithoutAWindowPostsNothing) {
  updateSettings.window = nullptr;
  window->Worker().download.OnProgress(1000, 10);
  EXPECT_TRUE(window->Take().empty());
}

TEST_F(Worker, PassDownloadsThePackageAndTheLastMessageIsComplete) {
  updateSettings.packageUrl = Url(L"/gen/300000").c_str();
  const std::vector<Posted> posted = RunPass();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back(), (Posted{WM_UPDATE_PROGRESS, 300000, 300000}));
  for (size_t i = 0; i + 1 < posted.size(); ++i) {
    EXPECT_EQ(posted[i].message, static_cast<UINT>(WM_UPDATE_PROGRESS));
    EXPECT_LT(posted[i].lParam, 300000);
  }
  std::string data;
  ASSERT_TRUE(ReadFileBytes(dir + L"\\update.zip", &data));
  EXPECT_EQ(data.size(), 300000u);
}

TEST_F(Worker, FailedDownloadPostsOneFailure) {
  updateSettings.packageUrl = Url(L"/no-such-package.zip").c_str();
  EXPECT_EQ(RunPass(), (std::vector<Posted>{kFailed}));
  EXPECT_FALSE(FileExists(dir + L"\\update.zip"));
}

TEST_F(Worker, EmptyPackageIsAFailureNotAnEndlessWait) {
  updateSettings.packageUrl = Url(L"/gen/0").c_str();
  EXPECT_EQ(RunPass(), (std::vector<Posted>{kFailed}));
}

TEST_F(Worker, NothingToDownloadAttemptsNothing) {
  updateSettings.packageUrl = L"";
  EXPECT_TRUE(RunPass().empty());
  updateSettings.packageUrl = Url(L"/gen/10").c_str();
  updateSettings.packagePath = L"";
  EXPECT_TRUE(RunPass().empty());
}

TEST_F(Worker, PackagePathInTheThreadsCodePage) {
  // A folder named in Chinese reaches the download library as 8-bit text and back.
  const std::wstring folder = dir + L"\\升级";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  updateSettings.packagePath = (folder + L"\\update.zip").c_str();
  updateSettings.packageUrl = Url(L"/gen/2000").c_str();
  const std::vector<Posted> posted = RunPass();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back(), (Posted{WM_UPDATE_PROGRESS, 2000, 2000}));
  EXPECT_TRUE(FileExists(folder + L"\\update.zip"));
}

TEST_F(Worker, StopWorkerEndsABlockedDownloadWithoutReportingAFailure) {
  updateSettings.packageUrl = Url(L"/gen/3000000.stall2").c_str();
  ASSERT_TRUE(window->Worker().Start());
  // Wait until the body has started to arrive and the server has gone silent.
  ASSERT_FALSE(window->Take(1, 10000).empty());
  Sleep(300);
  window->StopWorker();
  EXPECT_FALSE(window->Worker().IsRunning());
  EXPECT_EQ(window->Worker().download.IsTransferring(), 0);
  for (const Posted& p : window->Take(0, 300))
    EXPECT_NE(p.message, static_cast<UINT>(WM_UPDATE_FAILED));
  EXPECT_FALSE(FileExists(dir + L"\\update.zip"));
  EXPECT_FALSE(FileExists(dir + L"\\update.zip.part"));
}

TEST_F(Worker, DestroyingTheWorkerDuringADownloadEndsIt) {
  // The system-close path: the window object (and with it the worker) goes while the
  // download still runs.
  updateSettings.packageUrl = Url(L"/gen/3000000.stall3").c_str();
  {
    CThreadUpdate worker;
    ASSERT_TRUE(worker.Start());
    for (int i = 0; i < 1000 && !worker.download.IsTransferring(); ++i) Sleep(10);
    Sleep(300);
  }
  EXPECT_FALSE(FileExists(dir + L"\\update.zip.part"));
}

}  // namespace
