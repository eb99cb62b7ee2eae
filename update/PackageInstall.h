// Installing a package whole or not at all.
//
// Stage: every entry is unpacked into a staging folder inside the installation (same volume,
// so that moving a file in is a rename), checked (CRC, every byte written, flushed to disk),
// while the client still runs and nothing of the installation is touched.
// Commit: a journal naming every file is written and flushed; then each old file is moved
// aside into a backup folder and the staged one moved in: renames only, no copying. A file
// that can't be moved (another program holds it) is tried again for a while; if it stays held,
// every rename is undone and the installation is as it was, byte for byte.
// Recover: at every start, a journal left by an updater that was killed (or a machine that
// lost power) is finished: the commit carried on, or undone where it can't be.
//
// Work folders live in "~update.work" in the installation folder; what is still in use when
// an update ends goes at the next start.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "InstallJournal.h"
#include "UniqueHandle.h"
#include "ZipPlan.h"

class CPackageInstall {
 public:
  // `installDir`: the installation folder (a trailing separator is optional).
  explicit CPackageInstall(const std::wstring& installDir);
  CPackageInstall(const CPackageInstall&) = delete;
  CPackageInstall& operator=(const CPackageInstall&) = delete;

  enum class Result { kOk, kFailed, kCancelled };

  // Unpacks the package into a new staging folder. `cancel` is looked at between chunks of
  // data. Anything but kOk leaves the installation untouched; Discard removes what was staged.
  Result Stage(const std::wstring& packagePath, const std::atomic<bool>& cancel);

  // The version file as the installation will have it after the commit: the staged one when
  // the package brings one, else the installed one.
  std::wstring VersionFilePath() const;

  // Writes the journal of the commit and puts it safely on the disk (while the client still
  // runs: a disk that takes its time then keeps nobody waiting). From here on, an updater
  // killed before the commit is done leaves the next start to finish it. False when it can't
  // be written; nothing is touched then.
  bool Prepare();

  // Puts the staged files in place. True when all of them are; false when the installation
  // was put back as it was (or, if even that was impossible, when the journal stays for the
  // next start to finish the undo). Call Discard afterwards: the old files are still in the
  // backup folder, and removing them need not keep the client waiting.
  bool Commit();

  // Removes this run's work folder (what is still in use stays for the next start), unless a
  // journal says an undo is still to be finished.
  void Discard();

  // Finishes or undoes any commit that an earlier run left half done, then removes the
  // leftovers of earlier runs. Call before anything else touches the installation.
  static void Recover(const std::wstring& installDir);

  // Name of the work folder in the installation; package entries below it are refused.
  static const wchar_t kWorkFolderName[];

 private:
  std::wstring install_;  // full path ending in a backslash
  std::wstring run_;      // this run's work folder (long form), ending in a backslash
  std::vector<qzip::PlanEntry> plan_;
  bool bringsVersionFile_ = false;
  InstallJournal journal_;
  bool prepared_ = false;
};

// Serialises updaters working on the same installation: a named mutex for the folder. A
// holder that was killed releases it.
class CInstallLock {
 public:
  explicit CInstallLock(const std::wstring& installDir);
  ~CInstallLock();
  bool Acquire(DWORD timeoutMs);

 private:
  quenda::unique_handle mutex_;
  bool held_ = false;
};
