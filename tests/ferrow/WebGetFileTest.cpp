// The download library against a loopback server that misbehaves on request (see
// ferrow_fixture.sh): progress, completion, retries, resumption, time-outs, stopping, and the
// temporary file that must never pass for the package.
#include <gtest/gtest.h>

#include <Ferrow.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

using namespace testsupport;

namespace {

std::string Base() { return ToUtf8(Env(L"QUENDA_HTTP_BASE")); }

std::string Ansi(const std::wstring& s) {
  const int n = WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

// The server's generated body: byte i is (i * 7 + i / 256) mod 256.
bool IsGenerated(const std::string& data, size_t size) {
  if (data.size() != size) return false;
  for (size_t i = 0; i < size; ++i) {
    if (static_cast<unsigned char>(data[i]) != ((i * 7 + i / 256) & 0xFF)) return false;
  }
  return true;
}

std::string RequestLog() {
  std::string log;
  ReadFileBytes(WinPath(Env(L"QUENDA_HTTP_LOG")), &log);
  return log;
}

int CountRequests(const std::string& path) {
  const std::string log = RequestLog(), line = "GET " + path + " HTTP/";
  int n = 0;
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
  return n;
}

// What the progress notifications showed, kept apart from the downloader so that it outlives
// it (a notification may race with the destructor in the tests that destroy it).
struct Progress {
  struct Call {
    double total, done;
    bool targetExists, partExists;
  };
  std::wstring target;
  std::vector<Call> calls;
  std::atomic<int> count{0};
};

class Downloader : public CWebGetFile {
 public:
  explicit Downloader(std::shared_ptr<Progress> p, unsigned long connectMs = 0,
                      unsigned long idleMs = 0, unsigned long retries = 0)
      : CWebGetFile(connectMs, idleMs, retries), progress(std::move(p)) {}
  int OnProgress(double total, double done) override {
    progress->calls.push_back(
        {total, done, FileExists(progress->target), FileExists(progress->target + L".part")});
    ++progress->count;
    return 0;
  }
  int Get(const std::string& path, unsigned long flags = 0) {
    return GetFile((Base() + path).c_str(), Ansi(progress->target).c_str(), flags);
  }
  std::shared_ptr<Progress> progress;
};

class WebGetFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = ScratchDir(L"ferrow-" +
                     FromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    progress = std::make_shared<Progress>();
    progress->target = dir + L"\\update.zip";
  }
  std::string Target() const {
    std::string data;
    ReadFileBytes(progress->target, &data);
    return data;
  }
  bool PartExists() const { return FileExists(progress->target + L".part"); }

  // Completion: the last call and the only one with done equal to total, made once the file
  // was in place and the temporary file gone; every earlier call saw no file at the target.
  void ExpectCompletedOnce(double total) {
    const auto& calls = progress->calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().total, total);
    EXPECT_EQ(calls.back().done, total);
    EXPECT_TRUE(calls.back().targetExists);
    EXPECT_FALSE(calls.back().partExists);
    for (size_t i = 0; i + 1 < calls.size(); ++i) {
      EXPECT_LT(calls[i].done, total) << "call " << i;
      EXPECT_FALSE(calls[i].targetExists) << "call " << i;
    }
  }

  std::wstring dir;
  std::shared_ptr<Progress> progress;
};

TEST_F(WebGetFile, DownloadsWithGrowingProgressAndOneCompletion) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/3000000"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 3000000));
  EXPECT_FALSE(PartExists());
  ExpectCompletedOnce(3000000);
  const auto& calls = progress->calls;
  EXPECT_GE(calls.size(), 3u);
  for (size_t i = 1; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].total, 3000000);
    EXPECT_GE(calls[i].done, calls[i - 1].done);
  }
  // While the data came in it went to the temporary file.
  EXPECT_TRUE(calls[calls.size() - 2].partExists);
  EXPECT_EQ(d.IsTransferring(), 0);
}

TEST_F(WebGetFile, SlowServerProgressFlowsAndTheWholeFileArrives) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/300000.slow"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 300000));
  EXPECT_GE(progress->calls.size(), 4u);
  ExpectCompletedOnce(300000);
}

TEST_F(WebGetFile, FollowsRedirects) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/redirect"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 1000));
  ExpectCompletedOnce(1000);
}

TEST_F(WebGetFile, EmptyFileCompletesWithZeroOfZero) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/0"), FERROW_OK);
  EXPECT_TRUE(FileExists(progress->target));
  EXPECT_EQ(Target(), "");
  ASSERT_EQ(progress->calls.size(), 1u);
  EXPECT_EQ(progress->calls[0].total, 0);
  EXPECT_EQ(progress->calls[0].done, 0);
}

TEST_F(WebGetFile, NotFoundFailsAtOnceAndTheOldFileSurvives) {
  ASSERT_TRUE(WriteFileBytes(progress->target, "old package"));
  Downloader d(progress);
  EXPECT_EQ(d.Get("/missing-404.zip"), FERROW_E_HTTP_STATUS);
  EXPECT_EQ(Target(), "old package");  // the 404 page never takes its place
  EXPECT_FALSE(PartExists());
  EXPECT_TRUE(progress->calls.empty());
  EXPECT_EQ(CountRequests("/missing-404.zip"), 1);  // a 404 is not retried
}

TEST_F(WebGetFile, ServiceUnavailableIsRetriedHonouringRetryAfter) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/2000.e503"), FERROW_OK);
  EXPECT_EQ(CountRequests("/gen/2000.e503"), 3);
  EXPECT_TRUE(IsGenerated(Target(), 2000));
  ExpectCompletedOnce(2000);
}

TEST_F(WebGetFile, RetriesAreBounded) {
  Downloader d(progress, 0, 0, 2);
  const int before = CountRequests("/gen/2000.e500");
  EXPECT_EQ(d.Get("/gen/2000.e500"), FERROW_E_HTTP_STATUS);
  EXPECT_EQ(CountRequests("/gen/2000.e500"), before + 3);  // the first and two more
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
}

TEST_F(WebGetFile, NoRetryFlagMakesOneAttempt) {
  Downloader d(progress);
  const int before = CountRequests("/gen/2000.e500");
  EXPECT_EQ(d.Get("/gen/2000.e500", FERROW_NO_RETRY), FERROW_E_HTTP_STATUS);
  EXPECT_EQ(CountRequests("/gen/2000.e500"), before + 1);
}

TEST_F(WebGetFile, RefusedConnectionFails) {
  Downloader d(progress, 0, 0, 1);
  progress->target = dir + L"\\refused.zip";
  EXPECT_EQ(d.GetFile("http://127.0.0.1:1/update.zip", Ansi(progress->target).c_str(), 0),
            FERROW_E_CONNECT);
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
}

TEST_F(WebGetFile, DroppedConnectionResumesWithRange) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/500000.drop"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 500000));
  EXPECT_EQ(CountRequests("/gen/500000.drop"), 2);
  EXPECT_NE(RequestLog().find("Range: bytes=200000-"), std::string::npos);
  ExpectCompletedOnce(500000);
}

TEST_F(WebGetFile, DroppedConnectionStartsOverWhenRangeIsIgnored) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/500000.dropnorange"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 500000));
  EXPECT_EQ(CountRequests("/gen/500000.dropnorange"), 2);
  ExpectCompletedOnce(500000);
  // Starting over does not send the counts back: they only grow.
  const auto& calls = progress->calls;
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_GT(calls[i].done, calls[i - 1].done) << i;
}

TEST_F(WebGetFile, ConnectionDroppedEveryTimeFailsAndLeavesNoFile) {
  ASSERT_TRUE(WriteFileBytes(progress->target, "old package"));
  Downloader d(progress, 0, 0, 1);
  EXPECT_EQ(d.Get("/gen/500000.dropalways"), FERROW_E_INCOMPLETE);
  EXPECT_EQ(Target(), "old package");
  EXPECT_FALSE(PartExists());
  for (const auto& c : progress->calls) EXPECT_LT(c.done, c.total);  // never complete
}

TEST_F(WebGetFile, LengthLargerThanTheBodyIsNeverComplete) {
  Downloader d(progress, 0, 0, 1);
  EXPECT_EQ(d.Get("/gen/300000.lie"), FERROW_E_INCOMPLETE);
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
  for (const auto& c : progress->calls) EXPECT_LT(c.done, c.total);
}

TEST_F(WebGetFile, ChunkedBodyCompletesWithItsTotalAtTheEnd) {
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/300001.chunked"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 300001));
  const auto& calls = progress->calls;
  ASSERT_FALSE(calls.empty());
  for (size_t i = 0; i + 1 < calls.size(); ++i) EXPECT_EQ(calls[i].total, 0);  // not known yet
  EXPECT_EQ(calls.back().total, 300001);
  EXPECT_EQ(calls.back().done, 300001);
  EXPECT_TRUE(calls.back().targetExists);
}

TEST_F(WebGetFile, BodyEndedOnlyByClosingIsRefused) {
  Downloader d(progress);
  EXPECT_EQ(d.Get("/gen/300000.nolength"), FERROW_E_NO_LENGTH);
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
  EXPECT_EQ(CountRequests("/gen/300000.nolength"), 1);
}

TEST_F(WebGetFile, SilentServerTimesOut) {
  Downloader d(progress, 0, 800, 1);
  EXPECT_EQ(d.Get("/gen/3000000.stall"), FERROW_E_TIMEOUT);
  EXPECT_EQ(CountRequests("/gen/3000000.stall"), 2);  // the second asked for the rest
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
}

TEST_F(WebGetFile, NoHeadersWithinTheConnectTimeOut) {
  Downloader d(progress, 800, 0, 1);
  EXPECT_EQ(d.Get("/gen/1000.silent"), FERROW_E_CONNECT);
  EXPECT_FALSE(PartExists());
}

TEST_F(WebGetFile, UntrustedCertificateFailsWithoutAFile) {
  // HTTPS goes through WinINet's checks: a self-signed certificate is refused, not ignored.
  Downloader d(progress);
  const std::string url = ToUtf8(Env(L"QUENDA_HTTPS_BASE")) + "/gen/1000";
  ASSERT_EQ(url.compare(0, 8, "https://"), 0);
  EXPECT_EQ(d.GetFile(url.c_str(), Ansi(progress->target).c_str(), 0), FERROW_E_SECURE);
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
}

TEST_F(WebGetFile, BadArgumentsAreRefused) {
  Downloader d(progress);
  const std::string path = Ansi(progress->target);
  EXPECT_EQ(d.GetFile(nullptr, path.c_str(), 0), FERROW_E_ARGUMENT);
  EXPECT_EQ(d.GetFile((Base() + "/gen/10").c_str(), nullptr, 0), FERROW_E_ARGUMENT);
  EXPECT_EQ(d.GetFile("", path.c_str(), 0), FERROW_E_ARGUMENT);
  EXPECT_EQ(d.GetFile("ftp://127.0.0.1/x", path.c_str(), 0), FERROW_E_ARGUMENT);
  EXPECT_EQ(d.GetFile((Base() + "/gen/10").c_str(), Ansi(dir + L"\\no\\such\\dir\\x").c_str(), 0),
            FERROW_E_FILE);
}

// Runs GetFile on a thread of its own, as the updater's worker does.
class Background {
 public:
  Background(CWebGetFile* d, const std::string& url, const std::wstring& target)
      : thread_([=] { result = d->GetFile(url.c_str(), Ansi(target).c_str(), 0); }) {}
  ~Background() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<int> result{-1};

 private:
  std::thread thread_;
};

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

TEST_F(WebGetFile, StopFromAnotherThreadEndsABlockedRead) {
  Downloader d(progress);
  Background b(&d, Base() + "/gen/3000000.stall2", progress->target);
  // The body has started and the server has gone silent.
  ASSERT_TRUE(WaitFor([&] { return progress->count > 1; }, 10000));
  EXPECT_NE(d.IsTransferring(), 0);
  EXPECT_EQ(d.Get("/gen/10"), FERROW_E_BUSY);  // one transfer per object at a time
  const DWORD start = GetTickCount();
  d.StopTransfer();
  b.Join();
  // Half a second is the promise; far less than any time-out shows the read was cut short.
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_EQ(b.result, FERROW_E_STOPPED);
  EXPECT_EQ(d.IsTransferring(), 0);
  EXPECT_FALSE(FileExists(progress->target));
  EXPECT_FALSE(PartExists());
}

TEST_F(WebGetFile, StopDuringTheRetryPause) {
  Downloader d(progress);
  Background b(&d, Base() + "/gen/2000.e503stop", progress->target);
  ASSERT_TRUE(WaitFor([&] { return CountRequests("/gen/2000.e503stop") == 1; }, 10000));
  Sleep(200);  // now inside the 30 s the server asked for
  const DWORD start = GetTickCount();
  d.StopTransfer();
  b.Join();
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_EQ(b.result, FERROW_E_STOPPED);
}

TEST_F(WebGetFile, DestructorDuringATransferStopsItAndWaits) {
  auto* d = new Downloader(progress);
  Background b(d, Base() + "/gen/3000000.stall3", progress->target);
  ASSERT_TRUE(WaitFor([&] { return progress->count > 1; }, 10000));
  delete d;  // GetFile is still blocked on the worker
  // The destructor returned only after GetFile had: the transfer is over and cleaned up.
  EXPECT_FALSE(PartExists());
  b.Join();
  EXPECT_EQ(b.result, FERROW_E_STOPPED);
  EXPECT_FALSE(FileExists(progress->target));
}

TEST_F(WebGetFile, StopBeforeTheTransferBeginsIsKeptForItAndUsedUp) {
  ASSERT_TRUE(WriteFileBytes(progress->target, "old package"));
  // A lost stop would leave GetFile on the stalled body until it times out: quick here, but
  // never FERROW_E_STOPPED.
  Downloader d(progress, 0, 1500, 1);
  d.StopTransfer();
  EXPECT_EQ(d.IsTransferring(), 0);
  EXPECT_EQ(d.Get("/gen/1000.early"), FERROW_E_STOPPED);
  EXPECT_EQ(CountRequests("/gen/1000.early"), 0);  // nothing was even asked for
  EXPECT_EQ(Target(), "old package");
  EXPECT_FALSE(PartExists());
  EXPECT_TRUE(progress->calls.empty());

  // A stop racing with the start of GetFile on another thread ends it, whichever comes
  // first; and each stop is used up by the GetFile it ended.
  for (DWORD delayMs : {0, 1, 5, 20, 100}) {
    Background b(&d, Base() + "/gen/3000000.stall2", progress->target);
    if (delayMs) Sleep(delayMs);
    d.StopTransfer();
    b.Join();
    EXPECT_EQ(b.result, FERROW_E_STOPPED) << "stopped after " << delayMs << " ms";
    EXPECT_TRUE(Target() == "old package");
    EXPECT_FALSE(PartExists());
  }
  ASSERT_EQ(d.Get("/gen/1000"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 1000));
}

TEST_F(WebGetFile, ReplacesAnOlderFileOnSuccess) {
  ASSERT_TRUE(WriteFileBytes(progress->target, "old package"));
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/5000"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 5000));
}

TEST_F(WebGetFile, TemporaryFileLeftByAnInterruptedRunIsNotReused) {
  // Longer than the new download, so that any byte of it kept would show.
  ASSERT_TRUE(WriteFileBytes(progress->target + L".part", std::string(20000, 'x')));
  Downloader d(progress);
  ASSERT_EQ(d.Get("/gen/5000"), FERROW_OK);
  EXPECT_TRUE(IsGenerated(Target(), 5000));
  EXPECT_FALSE(PartExists());
}

}  // namespace
