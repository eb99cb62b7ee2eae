#include "ThreadFinish.h"

#include "PackageInstall.h"
#include "PackageSignature.h"
#include "UpdateCore.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"

namespace {

// How long another updater finishing in the same folder is waited for.
constexpr DWORD kLockWaitMs = 60000;
// How long a stop waits for the thread: a cancelled staging ends at its next chunk; a commit
// is renames, with a bounded wait for held files, and an undo of the same size.
constexpr DWORD kStopWaitMs = 30000;

}  // namespace

CThreadFinish::CThreadFinish() : decided_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CThreadFinish::~CThreadFinish() { StopAndWait(); }

bool CThreadFinish::Decide(Decision decision) {
  int expected = kUndecided;
  const bool first = decision_.compare_exchange_strong(expected, decision);
  SetEvent(decided_.get());
  return first;
}

void CThreadFinish::Proceed() { Decide(kProceed); }

void CThreadFinish::Cancel() {
  if (Decide(kCancel)) {
    cancel_ = true;
    signatureDownload_.StopTransfer();
  }
}

void CThreadFinish::StopAndWait() {
  Cancel();
  if (Stop(kStopWaitMs)) return;
  while (IsRunning()) {
    Terminate(0);
    Stop(500);
  }
  Stop(0);
}

void CThreadFinish::Post(UINT message, bool ok) {
  if (updateSettings.window) PostMessageW(updateSettings.window->GetHWND(), message, ok ? 1 : 0, 0);
}

bool CThreadFinish::Run() {
  const std::wstring installDir = updateSettings.installDir.GetData();
  CInstallLock lock(installDir);
  if (!lock.Acquire(kLockWaitMs)) {
    Post(WM_UPDATE_STAGED, false);
    return false;
  }
  // A package that the vendor did not sign is never unpacked.
  const std::string key = BuiltInPublicKey();
  if (!key.empty() &&
      !CheckPackageSignature(key, updateSettings.packageUrl.GetData(),
                             updateSettings.packagePath.GetData(), signatureDownload_, cancel_)) {
    if (!cancel_) Post(WM_UPDATE_STAGED, false);
    return false;
  }
  CPackageInstall install(installDir);
  const CPackageInstall::Result staged =
      install.Stage(updateSettings.packagePath.GetData(), cancel_);
  if (staged == CPackageInstall::Result::kCancelled) {
    install.Discard();  // the window is quitting and waits for nothing from here
    return false;
  }
  bool ok = staged == CPackageInstall::Result::kOk;
  if (ok) {
    // What the installation will declare once the package is in: read before anything of
    // it is touched.
    CWndUpdate::ReadInstalledVersion(install.VersionFilePath());
    const std::wstring expected(updateSettings.expectedVersion.GetData(),
                                static_cast<size_t>(updateSettings.expectedVersion.GetLength()));
    ok = VersionsMatch(expected, installedVersion);
  }
  Post(WM_UPDATE_STAGED, ok);
  if (ok) WaitForSingleObject(decided_.get(), INFINITE);
  if (!ok || decision_ != kProceed) {
    install.Discard();
    return false;
  }
  if (!install.Prepare()) {
    Post(WM_UPDATE_COMMITTED, false);  // the client was never ended
    install.Discard();
    return false;
  }
  CWndUpdate::EnableDebugPrivilege();
  CWndUpdate::EndProcesses(updateSettings.exeName.GetData());
  Post(WM_UPDATE_COMMITTED, install.Commit());
  install.Discard();  // the old files, while the user reads the message
  return false;
}
