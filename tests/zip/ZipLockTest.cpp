// Targets that another program holds: waited for, then moved aside (running programs and
// DLLs, files opened with delete sharing), or refused with the old file kept.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "TestSupport.h"
#include "Zip.h"
#include "ZipBuilder.h"
#include "ZipTestFiles.h"

using namespace testsupport;
using namespace ziptest;

namespace {

class ZipLocks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Env(L"QUENDA_ZIP_FIXTURES").empty()) << "run through zip_fixtures.sh";
    out_ = OutDir(std::wstring(L"locks-") +
                  FromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  }
  void TearDown() override { DeleteFileW((out_ + L".zip").c_str()); }

  // Extracts a one-entry archive holding `name` with `data` into out_.
  ZipResult Extract(const std::string& name, const std::string& data) {
    TestEntry e;
    e.name = name;
    e.data = data;
    HZIP zip = OpenBuilt(out_ + L".zip", BuildZip({e}));
    if (!zip) return 0xFFFFFFFF;
    ZipSetBaseFolder(zip, out_.c_str());
    const ZipResult result = ZipExtractItem(zip, 0, FromUtf8(name).c_str());
    ZipClose(zip);
    return result;
  }

  std::wstring out_;
};

std::string ReadHandle(HANDLE h) {
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  char buf[256];
  DWORD got = 0;
  ReadFile(h, buf, sizeof buf, &got, nullptr);
  return std::string(buf, got);
}

}  // namespace

TEST_F(ZipLocks, HeldWithDeleteSharingIsMovedAside) {
  const std::wstring target = out_ + L"\\held.txt";
  ASSERT_TRUE(WriteAll(target, "old"));
  const HANDLE h = CreateFileW(target.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Extract("held.txt", "new"), ZR_OK);
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_EQ(ReadHandle(h), "old");  // the holder keeps what it opened
  CloseHandle(h);
  // Files held with delete sharing are deleted once let go; nothing waits for a next time.
  Extract("held.txt", "newer");
  EXPECT_EQ(ReadAll(target), "newer");
  EXPECT_TRUE(Leftovers(out_).empty());
}

TEST_F(ZipLocks, HeldExclusivelyKeepsTheOldFile) {
  const std::wstring target = out_ + L"\\locked.txt";
  ASSERT_TRUE(WriteAll(target, "old"));
  const HANDLE h = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Extract("locked.txt", "new"), ZR_NOFILE);  // after about two seconds of trying
  CloseHandle(h);
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_TRUE(Leftovers(out_).empty());
}

TEST_F(ZipLocks, ReleasedWhileWaitingIsReplacedInPlace) {
  const std::wstring target = out_ + L"\\soon.txt";
  ASSERT_TRUE(WriteAll(target, "old"));
  const HANDLE h = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::thread release([h] {
    Sleep(600);  // like a program that was just ended and lets go of its files a bit later
    CloseHandle(h);
  });
  EXPECT_EQ(Extract("soon.txt", "new"), ZR_OK);
  release.join();
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_TRUE(Leftovers(out_).empty());  // nothing had to be moved aside
}

TEST_F(ZipLocks, LoadedDllIsReplaced) {
  const std::wstring dll = out_ + L"\\module.dll";
  ASSERT_TRUE(CopyFileW((ExeDir() + L"\\zip_test_module.dll").c_str(), dll.c_str(), FALSE));
  const HMODULE module = LoadLibraryW(dll.c_str());
  ASSERT_NE(module, nullptr);
  // The updater's own DLLs are modules of its own process: replaced without waiting.
  EXPECT_EQ(Extract("module.dll", "new module"), ZR_OK);
  EXPECT_EQ(ReadAll(dll), "new module");
  EXPECT_EQ(Leftovers(out_).size(), 1u);  // the old image, still mapped
  FreeLibrary(module);
  // The next extraction into the folder removes it.
  EXPECT_EQ(Extract("other.txt", "x"), ZR_OK);
  EXPECT_TRUE(Leftovers(out_).empty());
}

TEST_F(ZipLocks, RunningProgramIsReplaced) {
  const std::wstring exe = out_ + L"\\client.exe";
  ASSERT_TRUE(CopyFileW((ExeDir() + L"\\zip_test_sleeper.exe").c_str(), exe.c_str(), FALSE));
  Child child;
  ASSERT_TRUE(child.Start(exe, Quote(exe)));
  Pump(300);
  EXPECT_EQ(Extract("client.exe", "new program"), ZR_OK);
  EXPECT_EQ(ReadAll(exe), "new program");
  EXPECT_TRUE(child.Running());
  EXPECT_EQ(Leftovers(out_).size(), 1u);
  child.Kill();
  child.Wait(5000);
  EXPECT_EQ(Extract("client.exe", "newer program"), ZR_OK);
  EXPECT_EQ(ReadAll(exe), "newer program");
  EXPECT_TRUE(Leftovers(out_).empty());
}
