// The updater from the outside, under Wine: an installation folder with update.exe, its DLLs
// and skin\, stand-in clients running from there, packages made by Info-ZIP's zip on a
// loopback server (e2e_fixture.sh). The test answers the message boxes and clicks the buttons
// itself, as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace testsupport;

namespace {

const wchar_t kClient[] = L"QuendaClient.exe";
const wchar_t kCaption[] = L"Quenda 升级";
const wchar_t kPlan[] = L"修复若干问题;提升稳定性;优化界面";
const wchar_t kSuccess[] = L"软件升级成功";
const wchar_t kFailure[] = L"由于网络原因，升级文件出错，请点击确定，下载最新安装包，并重新安装";
const wchar_t kCancel[] = L"您正在软件更新过程中，确定要取消软件更新吗？";

std::wstring Base() { return Env(L"QUENDA_HTTP_BASE"); }

std::string ReadText(const std::wstring& path) {
  std::string s;
  ReadFileBytes(path, &s);
  return s;
}

std::string RequestLog() { return ReadText(WinPath(Env(L"QUENDA_HTTP_LOG"))); }

struct Process {
  DWORD pid;
  std::wstring name;
};

std::vector<Process> Processes() {
  std::vector<Process> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W e;
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
    out.push_back({e.th32ProcessID, e.szExeFile});
  }
  CloseHandle(snap);
  return out;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& name) {
  std::vector<DWORD> pids;
  for (const Process& p : Processes()) {
    if (lstrcmpiW(p.name.c_str(), name.c_str()) == 0) pids.push_back(p.pid);
  }
  return pids;
}

void KillPid(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 1);
  WaitForSingleObject(h, 5000);
  CloseHandle(h);
}

// Browsers the failure path opened: this prefix's own processes, ended after each case.
void KillBrowsers() {
  for (DWORD pid : ProcessesNamed(L"iexplore.exe")) KillPid(pid);
}

bool Poll(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump(50);
  }
  return true;
}

// One installation: update.exe, DuiLib.dll, Ferrow.dll and skin\ from the build, the old
// client and a few files the package replaces.
class Installation {
 public:
  // `updater`: the build of update.exe to install (default: the one of the runtime folder).
  explicit Installation(const std::wstring& name, const std::wstring& updater = L"")
      : dir(ScratchDir(L"e2e-" + name)) {
    const std::wstring bin = RuntimeDir();
    for (const wchar_t* f : {L"update.exe", L"DuiLib.dll", L"Ferrow.dll"}) {
      EXPECT_TRUE(CopyFileW((bin + L"\\" + f).c_str(), (dir + L"\\" + f).c_str(), FALSE)) << f;
    }
    if (!updater.empty()) {
      EXPECT_TRUE(CopyFileW(updater.c_str(), Path(L"update.exe").c_str(), FALSE));
    }
    EXPECT_TRUE(CopyTree(bin + L"\\skin", dir + L"\\skin"));
    EXPECT_TRUE(
        CopyFileW((ExeDir() + L"\\QuendaClientOld.exe").c_str(), Path(kClient).c_str(), FALSE));
    CreateDirectoryW(Path(L"config").c_str(), nullptr);
    WriteFileBytes(Path(L"readme.txt"), "Quenda 1.0.0\n");
    WriteFileBytes(Path(L"config\\settings.ini"), "[ui]\nskin=old\n");
  }
  ~Installation() {
    for (auto& c : clients) c->Kill();
    // The client the updater restarted, if any (a pid of the log that is still a client's:
    // an ended one's number may have gone to another process since).
    for (const std::string& run : Runs()) {
      const size_t at = run.find("pid=");
      if (at == std::string::npos) continue;
      const DWORD pid = static_cast<DWORD>(std::stoul(run.substr(at + 4)));
      for (const Process& p : Processes()) {
        if (p.pid == pid && lstrcmpiW(p.name.c_str(), kClient) == 0) KillPid(pid);
      }
    }
    KillBrowsers();
  }

  std::wstring Path(const std::wstring& rel) const { return dir + L"\\" + rel; }

  // Starts a client from this folder and waits until it is up (it has noted its start), or
  // starts a copy of it under another name elsewhere.
  Child& StartClient(const std::wstring& path = L"") {
    clients.push_back(std::make_unique<Child>());
    const std::wstring exe = path.empty() ? Path(kClient) : path;
    const size_t before = Runs().size();
    EXPECT_TRUE(clients.back()->Start(exe, Quote(exe)));
    if (path.empty()) {
      EXPECT_TRUE(Poll([&] { return Runs().size() > before; }, 20000)) << "client did not start";
    }
    return *clients.back();
  }

  // The client starts noted in client-runs.log.
  std::vector<std::string> Runs() const {
    std::vector<std::string> lines;
    const std::string log = ReadText(Path(L"client-runs.log"));
    size_t start = 0;
    for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(log.substr(start, end - start));
    }
    return lines;
  }

  std::wstring CommandLine(const std::wstring& route, const std::wstring& page,
                           const std::wstring& version = L"2.0.1",
                           const std::wstring& server = Base()) const {
    return Quote(Path(L"update.exe")) + L" " + kClient + L" " + Quote(kCaption) + L" " + server +
           L"/" + route + L"/update.zip " + PageUrl(page) + L" " + Quote(version) + L" " +
           Quote(kPlan);
  }
  static std::wstring PageUrl(const std::wstring& page) {
    return Base() + L"/download-page?case=" + page;
  }

  // Starts the updater and waits for its window.
  HWND StartUpdate(const std::wstring& commandLine) {
    EXPECT_TRUE(updater.Start(Path(L"update.exe"), commandLine, dir));
    window = WaitForWindow(updater.Pid(), L"UpdateWnd", L"", 30000);
    EXPECT_NE(window, nullptr);
    return window;
  }

  // Waits for the updater's message box, checks its caption, owner and text, and presses
  // `button`.
  void Answer(const std::wstring& text, int button, DWORD timeoutMs = 60000) {
    const MessageBoxInfo box = WaitForMessageBox(updater.Pid(), timeoutMs);
    ASSERT_NE(box.hwnd, nullptr) << "no message box";
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), window);
    ASSERT_TRUE(PressMessageBoxButton(box.hwnd, button));
    WaitWindowGone(box.hwnd, 10000);
  }

  DWORD WaitExit(DWORD timeoutMs = 60000) {
    DWORD code = 259;
    EXPECT_TRUE(updater.Wait(timeoutMs, &code)) << "update.exe did not end";
    return code;
  }

  // Clicks a button of the skin by where the skin puts it.
  void ClickTitleClose() {
    RECT r;
    GetWindowRect(window, &r);
    Click(r.right - 20, r.top + 20);
  }
  void ClickCancelButton() {
    RECT r;
    GetWindowRect(window, &r);
    Click(r.right - 20 - 48, r.bottom - 18 - 16);
  }

  std::wstring dir;
  Child updater;
  HWND window = nullptr;
  std::vector<std::unique_ptr<Child>> clients;
};

bool BrowserOpened(const std::wstring& page) {
  const std::string request = "GET /download-page?case=" + ToUtf8(page) + " ";
  return Poll([&] { return RequestLog().find(request) != std::string::npos; }, 20000) &&
         !ProcessesNamed(L"iexplore.exe").empty();
}

void ExpectNewFiles(const Installation& inst) {
  EXPECT_EQ(ReadText(inst.Path(L"readme.txt")), "Quenda 2.0.1\n");
  EXPECT_EQ(ReadText(inst.Path(L"config\\settings.ini")), "[ui]\nskin=blue\n");
  EXPECT_EQ(ReadText(inst.Path(L"data\\levels\\new.dat")), "level data\n");
  EXPECT_TRUE(FileExists(inst.Path(L"plugins")));
}

void ExpectOldFiles(const Installation& inst) {
  EXPECT_EQ(ReadText(inst.Path(L"readme.txt")), "Quenda 1.0.0\n");
  EXPECT_FALSE(FileExists(inst.Path(L"data")));
}

// Every file below a folder with its content and last write time, by relative path; the
// clients' own start log aside.
std::map<std::wstring, std::string> Snapshot(const std::wstring& dir,
                                             const std::wstring& rel = L"") {
  std::map<std::wstring, std::string> files;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((dir + L"\\" + rel + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    const std::wstring name = rel + found.cFileName;
    if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0 ||
        name == L"client-runs.log") {
      continue;
    }
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files[name + L"\\"] = "";
      for (auto& f : Snapshot(dir, name + L"\\")) files.insert(f);
    } else {
      std::string content;
      ReadFileBytes(dir + L"\\" + name, &content);
      files[name] = content + "|" + std::to_string(found.ftLastWriteTime.dwLowDateTime) + ":" +
                    std::to_string(found.ftLastWriteTime.dwHighDateTime) + ":" +
                    std::to_string(found.dwFileAttributes);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

// The restarted client: the new build, from the installation folder, without arguments.
void ExpectClientRestarted(const Installation& inst) {
  ASSERT_TRUE(Poll(
      [&] {
        for (const std::string& run : inst.Runs()) {
          if (run.find("build=2.0.1") != std::string::npos) return true;
        }
        return false;
      },
      20000))
      << "the new client did not start";
  for (const std::string& run : inst.Runs()) {
    if (run.find("build=2.0.1") == std::string::npos) continue;
    EXPECT_NE(run.find(" argc=1 "), std::string::npos) << run;
    std::string folder = ToUtf8(inst.dir);
    std::string module = run.substr(run.find("module=") + 7);
    module = module.substr(0, module.find(" cmdline="));
    // The path the updater builds has a doubled backslash before the name; Windows takes it.
    for (size_t at; (at = module.find("\\\\")) != std::string::npos;) module.erase(at, 1);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, module.c_str(), -1,
                             (folder + "\\QuendaClient.exe").c_str(), -1),
              CSTR_EQUAL)
        << module;
  }
}

class UpdateEndToEnd : public ::testing::Test {
 protected:
  void TearDown() override { KillBrowsers(); }
};

TEST_F(UpdateEndToEnd, SuccessEndsTheClientReplacesFilesAndRestartsIt) {
  Installation inst(L"success");
  Child& a = inst.StartClient();
  Child& b = inst.StartClient();
  // Same name but for the letter case, in a folder of its own: not the client.
  const std::wstring otherDir = ScratchDir(L"e2e-success-other");
  ASSERT_TRUE(
      CopyFileW(inst.Path(kClient).c_str(), (otherDir + L"\\quendaclient.exe").c_str(), FALSE));
  Child& other = inst.StartClient(otherDir + L"\\quendaclient.exe");
  ASSERT_TRUE(Poll([&] { return ReadText(otherDir + L"\\client-runs.log").size() > 0; }, 20000));

  inst.StartUpdate(inst.CommandLine(L"ok", L"success"));
  inst.Answer(kSuccess, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);

  EXPECT_FALSE(a.Running());
  EXPECT_FALSE(b.Running());
  EXPECT_TRUE(other.Running());
  ExpectNewFiles(inst);
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip")));
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip.part")));
  ExpectClientRestarted(inst);
  EXPECT_EQ(RequestLog().find("GET /download-page?case=success "), std::string::npos);
}

TEST_F(UpdateEndToEnd, TinyPackageAtAChineseAddressInAFolderTheCodePageCantHold) {
  // Under one kilobyte: the percentage is computed without dividing by zero. The address
  // reaches the download library percent-encoded; the folder (a space, Chinese, and Thai,
  // which the Chinese ANSI code page lacks) by its short name; the client as one path.
  Installation inst(L"tiny 升级 \u0E01");
  inst.StartClient();
  inst.StartUpdate(inst.CommandLine(L"tiny-升级", L"tiny"));
  inst.Answer(kSuccess, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip")));
  EXPECT_NE(RequestLog().find("GET /tiny-%E5%8D%87%E7%BA%A7/update.zip "), std::string::npos);
  ASSERT_TRUE(Poll([&] { return inst.Runs().size() == 2; }, 20000));  // restarted (old build)
  EXPECT_NE(inst.Runs()[1].find(" argc=1 "), std::string::npos) << inst.Runs()[1];
}

// What stands in the update's way besides the package itself.
enum class Hindrance {
  kNone,
  kHeldFile,      // another program holds a file of the installation without sharing
  kNoWorkFolder,  // a file stands where the update's work folder goes: nothing can be staged
};

struct FailureCase {
  const wchar_t* name;
  const wchar_t* route;
  const wchar_t* version;
  Hindrance hindrance;
};

class UpdateFailure : public UpdateEndToEnd, public ::testing::WithParamInterface<FailureCase> {};

// Whatever goes wrong, the installation is left as it was, byte for byte; and unless the
// trouble only showed once the client's files were being replaced, the client keeps running.
TEST_P(UpdateFailure, NetworkErrorThenTheDownloadPageAndTheInstallationUntouched) {
  const FailureCase& c = GetParam();
  Installation inst(c.name);
  if (c.hindrance == Hindrance::kNoWorkFolder)
    WriteFileBytes(inst.Path(L"~update.work"), "in the way");
  Child& client = inst.StartClient();
  const auto before = Snapshot(inst.dir);
  HANDLE held = INVALID_HANDLE_VALUE;
  if (c.hindrance == Hindrance::kHeldFile) {
    held = CreateFileW(inst.Path(L"config\\settings.ini").c_str(), GENERIC_READ, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
  }
  inst.StartUpdate(inst.CommandLine(c.route, c.name, c.version));
  inst.Answer(kFailure, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  EXPECT_TRUE(BrowserOpened(c.name)) << "iexplore with the page address";
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip")));
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip.part")));
  EXPECT_EQ(Snapshot(inst.dir), before);
  EXPECT_EQ(client.Running(), c.hindrance != Hindrance::kHeldFile);
  // The client is not restarted on failure.
  for (const std::string& run : inst.Runs()) EXPECT_EQ(run.find("build=2.0.1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateFailure,
    ::testing::Values(FailureCase{L"mismatch", L"mismatch", L"2.0.1", Hindrance::kNone},
                      FailureCase{L"trailingspace", L"space", L"2.0.1", Hindrance::kNone},
                      FailureCase{L"noversionfile", L"noversion", L"2.0.1", Hindrance::kNone},
                      FailureCase{L"notfound", L"missing", L"2.0.1", Hindrance::kNone},
                      FailureCase{L"dropped", L"drop", L"2.0.1", Hindrance::kNone},
                      FailureCase{L"notanarchive", L"notzip", L"2.0.1", Hindrance::kNone},
                      FailureCase{L"damaged", L"damaged", L"2.0.1", Hindrance::kNone},
                      // The file's version cut to 31 characters: no match by cutting.
                      FailureCase{L"longversion", L"long", L"2.0.1-build.20240101.abcdefabcd",
                                  Hindrance::kNone},
                      FailureCase{L"heldfile", L"ok", L"2.0.1", Hindrance::kHeldFile},
                      FailureCase{L"noworkfolder", L"ok", L"2.0.1", Hindrance::kNoWorkFolder}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return ToUtf8(info.param.name); });

// An updater built with the vendor's public key installs only what the vendor signed, here
// served by nginx; a package signed with another key, or with none, is refused before the
// client is touched. (Unkeyed updaters install unsigned packages: the tests above.)
TEST_F(UpdateEndToEnd, KeyedUpdaterInstallsOnlyWhatTheVendorSigned) {
  struct Case {
    const wchar_t* route;
    bool installs;
  };
  for (const Case& c : {Case{L"signed", true}, Case{L"othersig", false}, Case{L"ok", false}}) {
    SCOPED_TRACE(ToUtf8(c.route));
    const std::wstring name = std::wstring(L"keyed-") + c.route;
    Installation inst(name, ExeDir() + L"\\update_keyed.exe");
    Child& client = inst.StartClient();
    const auto before = Snapshot(inst.dir);
    inst.StartUpdate(inst.CommandLine(c.route, name, L"2.0.1", Env(L"QUENDA_NGINX_BASE")));
    inst.Answer(c.installs ? kSuccess : kFailure, IDOK);
    EXPECT_EQ(inst.WaitExit(), 0u);
    EXPECT_FALSE(FileExists(inst.Path(L"update.zip.sig")));
    if (c.installs) {
      ExpectNewFiles(inst);
      ExpectClientRestarted(inst);
    } else {
      EXPECT_TRUE(client.Running());
      EXPECT_EQ(Snapshot(inst.dir), before);
    }
  }
}

// The download completes while the cancel question is open: nothing happens until the answer;
// No finishes the update, Yes drops it whole.
TEST_F(UpdateEndToEnd, CompletionDuringTheCancelQuestionWaitsForTheAnswer) {
  const std::wstring release = WinPath(Env(L"QUENDA_E2E_ROOT")) + L"\\release-held";
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
    DeleteFileW(release.c_str());
    Installation inst(answer == IDNO ? L"heldno" : L"heldyes");
    Child& client = inst.StartClient();
    const auto before = Snapshot(inst.dir);
    inst.StartUpdate(inst.CommandLine(L"held", L"held"));
    // All but the last byte has arrived; the question opens; then the download completes.
    ASSERT_TRUE(Poll([&] { return RequestLog().find("GET /held/update.zip") != std::string::npos; },
                     20000));
    Pump(1500);
    inst.ClickTitleClose();
    const MessageBoxInfo box = WaitForMessageBox(inst.updater.Pid(), 10000);
    ASSERT_EQ(box.text, kCancel);
    WriteFileBytes(release, "go");
    ASSERT_TRUE(Poll([&] { return FileExists(inst.Path(L"update.zip")); }, 20000));
    Pump(1500);  // the completion reaches the window under the open question
    EXPECT_TRUE(client.Running());
    EXPECT_EQ(inst.Runs().size(), 1u);
    ASSERT_TRUE(PressMessageBoxButton(box.hwnd, answer));
    WaitWindowGone(box.hwnd, 10000);
    if (answer == IDNO) {
      inst.Answer(kSuccess, IDOK);
      EXPECT_EQ(inst.WaitExit(), 0u);
      ExpectNewFiles(inst);
      ExpectClientRestarted(inst);
    } else {
      EXPECT_EQ(inst.WaitExit(20000), 0u);
      EXPECT_TRUE(client.Running());
      EXPECT_FALSE(FileExists(inst.Path(L"update.zip")));
      auto after = Snapshot(inst.dir);
      EXPECT_EQ(after, before);
      EXPECT_TRUE(ProcessesNamed(L"iexplore.exe").empty());
      EXPECT_EQ(inst.Runs().size(), 1u);
    }
  }
}

// The many-file package: 600 files, 50 to a folder, each holding its number.
constexpr int kMany = 600;
std::wstring ManyFile(int i) {
  wchar_t name[32];
  swprintf(name, 32, L"many\\d%02d\\f%04d.txt", i / 50, i);
  return name;
}

// How many of them hold the old and the new content.
struct ManyCount {
  int old = 0, fresh = 0;
};
ManyCount CountMany(const Installation& inst) {
  ManyCount n;
  for (int i = 0; i < kMany; ++i) {
    const std::string text = ReadText(inst.Path(ManyFile(i)));
    if (text == "old " + std::to_string(i) + "\n") ++n.old;
    if (text == "new " + std::to_string(i) + "\n") ++n.fresh;
  }
  return n;
}

// Whether a file of the update's work folder exists: `rel` below some run's folder.
bool InWorkFolder(const Installation& inst, const std::wstring& rel) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(inst.Path(L"~update.work\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool exists = false;
  do {
    exists = exists || FileExists(inst.Path(L"~update.work\\") + found.cFileName + L"\\" + rel);
  } while (!exists && FindNextFileW(search, &found));
  FindClose(search);
  return exists;
}
bool JournalExists(const Installation& inst) { return InWorkFolder(inst, L"journal"); }
bool StagedAny(const Installation& inst) { return InWorkFolder(inst, L"stage\\" + ManyFile(0)); }

// update.exe killed at moments spread over staging and commit: the installation is wholly old
// or wholly new at once, or becomes so at the next start of update.exe (here with no
// arguments at all, which does nothing else).
TEST_F(UpdateEndToEnd, KilledAnywhereTheNextStartLeavesTheInstallationWhole) {
  int mixedBeforeRecovery = 0;
  // Milliseconds after the commit's journal appeared; -1: while staging, before it.
  int copy = 0;
  for (const int delay : {-1, 0, 100, 300}) {
    SCOPED_TRACE("kill at " + std::to_string(delay) + " ms");
    Installation inst(L"kill" + std::to_wstring(delay + 1));
    const std::wstring old =
        WinPath(Env(L"QUENDA_E2E_ROOT")) + L"\\oldmany\\" + std::to_wstring(copy++) + L"\\many";
    ASSERT_TRUE(MoveFileExW(old.c_str(), inst.Path(L"many").c_str(), 0));
    Child& client = inst.StartClient();
    inst.StartUpdate(inst.CommandLine(L"many", L"kill"));
    if (delay < 0) {
      ASSERT_TRUE(Poll([&] { return StagedAny(inst); }, 30000));
    } else {
      const DWORD start = GetTickCount();
      while (!JournalExists(inst) && GetTickCount() - start < 60000) Sleep(1);
      ASSERT_TRUE(JournalExists(inst)) << "no commit seen";
      Sleep(static_cast<DWORD>(delay));
    }
    TerminateProcess(inst.updater.Handle(), 1);
    inst.WaitExit(10000);
    const ManyCount killed = CountMany(inst);
    if (killed.old != kMany && killed.fresh != kMany) ++mixedBeforeRecovery;
    if (delay < 0) {
      EXPECT_EQ(killed.old, kMany);  // staging touches nothing
      EXPECT_TRUE(client.Running());
    }

    const RunResult next =
        testsupport::Run(inst.Path(L"update.exe"), Quote(inst.Path(L"update.exe")), 60000);
    ASSERT_TRUE(next.finished);
    const ManyCount whole = CountMany(inst);
    EXPECT_TRUE(whole.old == kMany || whole.fresh == kMany)
        << "old " << whole.old << ", new " << whole.fresh;
    if (whole.fresh == kMany) {
      ExpectNewFiles(inst);
    } else {
      ExpectOldFiles(inst);
    }
    // Nothing left to finish; only what a still-running old client holds may wait for later.
    EXPECT_FALSE(JournalExists(inst));
  }
  // Some kills must land inside the commit, or the test shows little.
  EXPECT_GT(mixedBeforeRecovery, 0);
}

TEST_F(UpdateEndToEnd, CancelNoThenSuccessThroughTheTitleCloseButton) {
  Installation inst(L"cancelno");
  inst.StartClient();
  inst.StartUpdate(inst.CommandLine(L"slow", L"cancelno"));
  Pump(1000);
  inst.ClickTitleClose();
  inst.Answer(kCancel, IDNO, 10000);
  // The download went on.
  inst.Answer(kSuccess, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);
  ExpectNewFiles(inst);
  ExpectClientRestarted(inst);
}

TEST_F(UpdateEndToEnd, CancelNoThenSuccessThroughTheCancelButton) {
  Installation inst(L"confirmno");
  inst.StartClient();
  inst.StartUpdate(inst.CommandLine(L"slow", L"confirmno"));
  Pump(1000);
  inst.ClickCancelButton();
  inst.Answer(kCancel, IDNO, 10000);
  inst.Answer(kSuccess, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);
  ExpectNewFiles(inst);
}

void ExpectCancelled(Installation& inst, Child& client) {
  EXPECT_EQ(inst.WaitExit(20000), 0u);
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip")));
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip.part")));
  EXPECT_TRUE(client.Running());
  ExpectOldFiles(inst);
  // Neither the failure path nor the finishing steps ran.
  EXPECT_TRUE(ProcessesNamed(L"iexplore.exe").empty());
  EXPECT_EQ(inst.Runs().size(), 1u);
}

TEST_F(UpdateEndToEnd, CancelYesThroughTheTitleCloseButton) {
  Installation inst(L"cancelyes");
  Child& client = inst.StartClient();
  // An older package left by an earlier run goes as well.
  WriteFileBytes(inst.Path(L"update.zip"), "stale package");
  inst.StartUpdate(inst.CommandLine(L"slow", L"cancelyes"));
  Pump(1000);
  inst.ClickTitleClose();
  inst.Answer(kCancel, IDYES, 10000);
  ExpectCancelled(inst, client);
}

TEST_F(UpdateEndToEnd, CancelYesThroughTheCancelButton) {
  Installation inst(L"confirmyes");
  Child& client = inst.StartClient();
  inst.StartUpdate(inst.CommandLine(L"slow", L"confirmyes"));
  Pump(1000);
  inst.ClickCancelButton();
  inst.Answer(kCancel, IDYES, 10000);
  ExpectCancelled(inst, client);
}

TEST_F(UpdateEndToEnd, SystemCloseQuitsAtOnceAndLeavesThePackage) {
  Installation inst(L"sysclose");
  Child& client = inst.StartClient();
  WriteFileBytes(inst.Path(L"update.zip"), "package from before");
  HWND window = inst.StartUpdate(inst.CommandLine(L"slow", L"sysclose"));
  Pump(1000);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(inst.WaitExit(10000), 0u);
  EXPECT_EQ(ReadText(inst.Path(L"update.zip")), "package from before");
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip.part")));  // no partial download behind
  EXPECT_TRUE(client.Running());
  ExpectOldFiles(inst);
}

TEST_F(UpdateEndToEnd, MinimiseButtonMinimisesAndTheUpdateGoesOn) {
  Installation inst(L"minimise");
  inst.StartClient();
  HWND window = inst.StartUpdate(inst.CommandLine(L"slow", L"minimise"));
  Pump(1000);
  RECT r;
  ASSERT_TRUE(GetWindowRect(window, &r));
  Click(r.right - 40 - 20, r.top + 20);  // "minbtn", left of "closebtn" in the title bar
  EXPECT_TRUE(Poll([&] { return IsIconic(window) != FALSE; }, 5000));
  inst.Answer(kSuccess, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);
  ExpectNewFiles(inst);
}

TEST_F(UpdateEndToEnd, CloseMessageQuitsLikeTheSystemClose) {
  // What "taskkill /im update.exe" (without /f) sends: the window must not go while the
  // process stays behind without it.
  Installation inst(L"wmclose");
  Child& client = inst.StartClient();
  HWND window = inst.StartUpdate(inst.CommandLine(L"slow", L"wmclose"));
  Pump(1000);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(inst.WaitExit(10000), 0u);
  EXPECT_FALSE(FileExists(inst.Path(L"update.zip.part")));
  EXPECT_TRUE(client.Running());
  ExpectOldFiles(inst);
}

TEST_F(UpdateEndToEnd, SixTokensEndAtOnceTouchingNothing) {
  Installation inst(L"sixtokens");
  Child& client = inst.StartClient();
  WriteFileBytes(inst.Path(L"update.zip"), "package from before");
  const std::wstring cmd = Quote(inst.Path(L"update.exe")) + L" " + kClient + L" " +
                           Quote(kCaption) + L" " + Base() + L"/ok/update.zip " +
                           Installation::PageUrl(L"sixtokens") + L" 2.0.1";
  ASSERT_TRUE(inst.updater.Start(inst.Path(L"update.exe"), cmd, inst.dir));
  EXPECT_EQ(inst.WaitExit(20000), 0u);
  EXPECT_TRUE(TopWindows(inst.updater.Pid()).empty());
  EXPECT_EQ(ReadText(inst.Path(L"update.zip")), "package from before");
  EXPECT_TRUE(client.Running());
  ExpectOldFiles(inst);
  EXPECT_EQ(RequestLog().find("sixtokens"), std::string::npos);
}

TEST_F(UpdateEndToEnd, ScreenshotMidDownload) {
  Installation inst(L"screenshot");
  inst.StartClient();
  HWND window = inst.StartUpdate(inst.CommandLine(L"slow", L"screenshot"));
  Pump(2000);  // part of the package is there
  RECT r;
  ASSERT_TRUE(GetWindowRect(window, &r));
  EXPECT_EQ(r.right - r.left, 398);
  EXPECT_EQ(r.bottom - r.top, 360);
  const std::wstring artifacts = BinaryDir() + L"\\tests\\artifacts";
  CreateDirectoryW(artifacts.c_str(), nullptr);
  EXPECT_TRUE(SaveScreenshot(artifacts + L"\\update-mid-download.bmp", &r));
  // The bar is partly filled: its colour at the left end, the track's at the right end (the
  // skin puts the bar 18 + 32 + 10 pixels above the window's bottom, 20 from each side).
  const int barY = r.bottom - 18 - 32 - 10 - 11;
  const COLORREF left = ScreenPixel(r.left + 25, barY), right = ScreenPixel(r.right - 25, barY);
  EXPECT_EQ(left, RGB(0x1F, 0x7A, 0xE0));
  EXPECT_EQ(right, RGB(0xE8, 0xED, 0xF4));
  inst.Answer(kSuccess, IDOK);
  EXPECT_EQ(inst.WaitExit(), 0u);
}

}  // namespace
