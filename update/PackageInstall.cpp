#include "PackageInstall.h"

#include <cwchar>
#include <memory>
#include <thread>

#include "FlushQueue.h"
#include "InstallJournal.h"
#include "ZipArchive.h"
#include "ZipFiles.h"

using quenda::unique_hfile;
using quenda::unique_hfind;

const wchar_t CPackageInstall::kWorkFolderName[] = L"~update.work";

namespace {

// A file another program holds is asked for again kMoveAttempts times, kMoveDelayMs apart:
// a process that was just ended lets go of its files a moment later, a scanner after a while.
constexpr int kMoveAttempts = 20;
constexpr DWORD kMoveDelayMs = 100;
// The journal is small; anything larger is not one of ours.
constexpr DWORD kMaxJournalBytes = 64u << 20;
// Threads that flush staged files to the disk side by side, and that inflate them at most.
constexpr int kFlushThreads = 8;
constexpr unsigned kStageThreads = 4;
// Room left on the disk beyond the package's own size.
constexpr uint64_t kSpareBytes = 16u << 20;

const wchar_t kStage[] = L"stage\\";
const wchar_t kBackup[] = L"backup\\";
const wchar_t kJournal[] = L"journal";

std::wstring Long(const std::wstring& full) { return qzip::LongForm(full); }

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) { return qzip::IsFolder(Long(path)); }

bool MakeFolder(const std::wstring& path) {
  return CreateDirectoryW(Long(path).c_str(), nullptr) || IsFolder(path);
}

// A rename that waits, for a bounded time, for a file another program holds. ERROR_SUCCESS or
// what went wrong.
DWORD MoveWaiting(const std::wstring& from, const std::wstring& to) {
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(Long(from).c_str(), Long(to).c_str(), 0)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (!qzip::IsHeldError(error) || attempt == kMoveAttempts) return error;
    Sleep(kMoveDelayMs);
  }
}

bool Move(const std::wstring& from, const std::wstring& to) {
  return MoveWaiting(from, to) == ERROR_SUCCESS;
}

bool DeleteFileOfOurs(const std::wstring& path) {
  const std::wstring name = Long(path);
  SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(name.c_str()) != FALSE;
}

// Removes a folder and everything below it; true when it is gone. What can't go (in use)
// stays, and so do the folders that hold it.
bool RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  unique_hfind search(FindFirstFileW(Long(folder + L"\\*").c_str(), &found));
  bool all = true;
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      all = ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveTree(path)
                                                                 : DeleteFileOfOurs(path)) &&
            all;
    } while (FindNextFileW(search.get(), &found));
  }
  return all && RemoveDirectoryW(Long(folder).c_str());
}

bool WriteDurably(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".new";
  {
    unique_hfile file(CreateFileW(Long(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get())) {
      return false;
    }
  }
  return MoveFileExW(Long(temporary).c_str(), Long(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool ReadJournalFile(const std::wstring& path, InstallJournal* journal) {
  unique_hfile file(CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxJournalBytes) return false;
  std::string text(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!text.empty() &&
      (!ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &got, nullptr) ||
       got != text.size())) {
    return false;
  }
  return ParseJournal(text, journal);
}

// Staged data goes straight to its file; a cancel stops it at the next chunk.
class CStageSink : public qzip::CZipSink {
 public:
  CStageSink(HANDLE file, const std::atomic<bool>& cancel) : file_(file), cancel_(cancel) {}
  bool Write(const uint8_t* data, size_t size) override {
    DWORD n = 0;
    if (cancel_ || !WriteFile(file_, data, static_cast<DWORD>(size), &n, nullptr) || n != size) {
      return false;
    }
    written += size;
    return true;
  }
  uint64_t written = 0;

 private:
  HANDLE file_;
  const std::atomic<bool>& cancel_;
};

// Where the files of one relative path stand during a commit.
struct Places {
  Places(const std::wstring& install, const std::wstring& run, const Utf16String& rel)
      : target(install + rel), staged(run + kStage + rel), backup(run + kBackup + rel) {}
  std::wstring target, staged, backup;
};

// Puts the staged file in place, moving the old one aside first. Picks up where an
// interrupted run stopped: a file no longer staged was moved in already.
bool MoveIn(const Places& p) {
  if (!Exists(p.staged)) return true;
  // No old file is fine: the package adds it, or it was moved aside before a restart. A
  // backup already there while the target exists means something new appeared in the old
  // file's place since: not ours to move; the undo sorts it out.
  const DWORD aside = MoveWaiting(p.target, p.backup);
  if (aside != ERROR_SUCCESS && aside != ERROR_FILE_NOT_FOUND) return false;
  return Move(p.staged, p.target);
}

// Puts the old file back (or takes away a file the package added).
bool MoveBack(const Places& p, const std::wstring& run, int* displaced) {
  if (Exists(p.backup)) {
    if (Exists(p.target)) {
      const std::wstring away =
          Exists(p.staged) ? run + L"displaced-" + std::to_wstring((*displaced)++) : p.staged;
      if (!Move(p.target, away)) return false;
    }
    return Move(p.backup, p.target);
  }
  if (!Exists(p.staged) && Exists(p.target)) return Move(p.target, p.staged);
  return true;
}

bool RollForward(const std::wstring& install, const std::wstring& run,
                 const InstallJournal& journal) {
  for (const Utf16String& folder : journal.newFolders) {
    if (!MakeFolder(install + folder)) return false;
  }
  for (const Utf16String& file : journal.files) {
    if (!MoveIn(Places(install, run, file))) return false;
  }
  return true;
}

bool RollBack(const std::wstring& install, const std::wstring& run, const InstallJournal& journal) {
  bool all = true;
  int displaced = 0;
  for (auto file = journal.files.rbegin(); file != journal.files.rend(); ++file) {
    all = MoveBack(Places(install, run, *file), run, &displaced) && all;
  }
  // Empty again once the files are back where they came from.
  for (auto folder = journal.newFolders.rbegin(); folder != journal.newFolders.rend(); ++folder) {
    RemoveDirectoryW(Long(install + *folder).c_str());
  }
  return all;
}

enum class Outcome { kForward, kBack, kStuck };

// Carries a journal to its end: the commit forward, or, where that fails, everything back.
// The journal is deleted once it is done with; kStuck leaves it for the next start.
Outcome Settle(const std::wstring& install, const std::wstring& run, InstallJournal journal) {
  const std::wstring journalPath = run + kJournal;
  if (journal.state == InstallJournal::State::kCommit) {
    // Every file in place: the update stands. A journal that can't be deleted now only
    // makes the next start go forward again over files that are all in place already.
    if (RollForward(install, run, journal)) {
      DeleteFileOfOurs(journalPath);
      return Outcome::kForward;
    }
    journal.state = InstallJournal::State::kRollback;
    // Even if this can't be written, the undo below is tried; a next start that sees the
    // commit state again goes forward, which leaves the installation just as whole.
    WriteDurably(journalPath, SerializeJournal(journal));
  }
  return RollBack(install, run, journal) && DeleteFileOfOurs(journalPath) ? Outcome::kBack
                                                                          : Outcome::kStuck;
}

std::wstring FullFolder(const std::wstring& folder) {
  std::wstring full;
  if (!qzip::GetFullPath(folder, &full)) full = folder;
  if (full.empty() || full.back() != L'\\') full += L'\\';
  return full;
}

std::wstring NewRunFolder(const std::wstring& work) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    wchar_t name[32];
    swprintf(name, 32, L"%08lx%04x", static_cast<unsigned long>(GetTickCount()),
             static_cast<unsigned>((GetCurrentProcessId() + attempt) & 0xFFFF));
    const std::wstring run = work + name;
    if (CreateDirectoryW(Long(run).c_str(), nullptr)) return run + L"\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::wstring();
}

}  // namespace

CPackageInstall::CPackageInstall(const std::wstring& installDir)
    : install_(FullFolder(installDir)) {}

std::wstring CPackageInstall::VersionFilePath() const {
  return (bringsVersionFile_ ? run_ + kStage : install_) + L"lastver.xml";
}

void CPackageInstall::Discard() {
  if (run_.empty()) return;
  // A journal still there belongs to an undo that could not finish: it and everything it
  // names stay for the next start.
  if (!Exists(run_ + kJournal)) {
    RemoveTree(run_.substr(0, run_.size() - 1));
    RemoveDirectoryW(Long(install_ + kWorkFolderName).c_str());  // only when nothing is left
  }
  run_.clear();
}

bool CPackageInstall::Prepare() {
  if (run_.empty()) return false;
  journal_ = InstallJournal();
  for (const Utf16String& folder : qzip::PlanFolders(plan_)) {
    if (!IsFolder(install_ + folder)) journal_.newFolders.push_back(folder);
  }
  for (const qzip::PlanEntry& entry : plan_) {
    if (!entry.folder) journal_.files.push_back(entry.path);
  }
  prepared_ = WriteDurably(run_ + kJournal, SerializeJournal(journal_));
  return prepared_;
}

bool CPackageInstall::Commit() {
  // Nothing is touched until the journal is safely on disk.
  return prepared_ && Settle(install_, run_, journal_) == Outcome::kForward;
}

void CPackageInstall::Recover(const std::wstring& installDir) {
  const std::wstring install = FullFolder(installDir);
  const std::wstring work = install + kWorkFolderName;
  if (!IsFolder(work)) return;
  CInstallLock lock(install);
  if (!lock.Acquire(0)) return;  // another updater is at work in this folder
  WIN32_FIND_DATAW found;
  unique_hfind search(FindFirstFileW(Long(work + L"\\*").c_str(), &found));
  if (!search) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L".." || !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      continue;
    }
    const std::wstring run = work + L"\\" + name + L"\\";
    if (Exists(run + kJournal)) {
      InstallJournal journal;
      // A journal that can't be read is left as it is, with everything it may need.
      if (!ReadJournalFile(run + kJournal, &journal) ||
          Settle(install, run, journal) == Outcome::kStuck) {
        continue;
      }
    }
    RemoveTree(run.substr(0, run.size() - 1));
  } while (FindNextFileW(search.get(), &found));
  search.reset();
  RemoveDirectoryW(Long(work).c_str());
}

// ---- Staging -------------------------------------------------------------------------------

namespace {

bool StartsWithWorkFolder(const Utf16String& path) {
  const Utf16String first = path.substr(0, path.find(L'\\'));
  return qzip::SamePathNoCase(first, CPackageInstall::kWorkFolderName);
}

// Whether every path of the plan can take its place: a file can't replace a folder of the
// installation, nor a folder a file.
bool FitsInstallation(const std::wstring& install, const std::vector<qzip::PlanEntry>& plan) {
  for (const qzip::PlanEntry& entry : plan) {
    if (StartsWithWorkFolder(entry.path)) return false;
    if (!entry.folder && IsFolder(install + entry.path)) return false;
  }
  for (const Utf16String& folder : qzip::PlanFolders(plan)) {
    if (Exists(install + folder) && !IsFolder(install + folder)) return false;
  }
  return true;
}

bool EnoughRoom(const std::wstring& install, const std::vector<qzip::PlanEntry>& plan) {
  uint64_t needed = kSpareBytes;
  for (const qzip::PlanEntry& entry : plan) needed += entry.size;
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(install.c_str(), &available, nullptr, nullptr)) return true;
  return available.QuadPart >= needed;
}

CPackageInstall::Result StageFile(qzip::CZipArchive& archive, const qzip::PlanEntry& entry,
                                  const std::wstring& path, const std::atomic<bool>& cancel,
                                  CFlushQueue* flush) {
  unique_hfile file(CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return CPackageInstall::Result::kFailed;
  CStageSink sink(file.get(), cancel);
  const ZipResult read = archive.ReadEntry(entry.index, nullptr, &sink);
  if (cancel) return CPackageInstall::Result::kCancelled;
  // Every byte checked (CRC) and written; the queue puts it on the disk before any journal
  // names it.
  if (read != ZR_OK || sink.written != entry.size ||
      !qzip::SetFileTimes(file.get(), entry.creationTime, entry.accessTime, entry.writeTime)) {
    return CPackageInstall::Result::kFailed;
  }
  flush->Add(std::move(file), Long(path),
             entry.attributes != 0 ? entry.attributes : FILE_ATTRIBUTE_NORMAL);
  return CPackageInstall::Result::kOk;
}

// One reader of the package: its own file handle and directory walk, so that several threads
// can inflate entries side by side.
struct PackageReader {
  static std::unique_ptr<PackageReader> Open(const std::wstring& path) {
    std::unique_ptr<PackageReader> reader(new PackageReader);
    reader->file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!reader->file || !GetFileSizeEx(reader->file.get(), &size)) return nullptr;
    reader->stream.file = reader->file.get();
    reader->stream.size = static_cast<uint64_t>(size.QuadPart);
    zlib_filefunc64_def io;
    qzip::FillWin32FileFuncs(&io);
    reader->archive = qzip::CZipArchive::Open(io, &reader->stream, qzip::LocalToUtc);
    return reader->archive ? std::move(reader) : nullptr;
  }
  unique_hfile file;
  qzip::Win32ZipStream stream;
  std::unique_ptr<qzip::CZipArchive> archive;
};

// Inflating, checking and writing the files takes the processor: a few threads take the
// entries in turn, each with a reader of its own. The first failure (or a cancel) stops them
// all.
CPackageInstall::Result StageFiles(const std::wstring& packagePath,
                                   std::unique_ptr<PackageReader> first,
                                   const std::vector<const qzip::PlanEntry*>& files,
                                   const std::wstring& stage, const std::atomic<bool>& cancel) {
  using Result = CPackageInstall::Result;
  CFlushQueue flush(kFlushThreads);
  std::atomic<size_t> next(0);
  std::atomic<int> outcome(static_cast<int>(Result::kOk));
  auto work = [&](PackageReader* reader) {
    for (size_t i; outcome == static_cast<int>(Result::kOk) && (i = next++) < files.size();) {
      const Result staged =
          cancel ? Result::kCancelled
                 : StageFile(*reader->archive, *files[i], stage + files[i]->path, cancel, &flush);
      int expected = static_cast<int>(Result::kOk);
      if (staged != Result::kOk)
        outcome.compare_exchange_strong(expected, static_cast<int>(staged));
    }
  };
  unsigned helpers = std::thread::hardware_concurrency();
  helpers = helpers < 2 ? 0 : (helpers > kStageThreads ? kStageThreads : helpers) - 1;
  std::vector<std::unique_ptr<PackageReader>> readers;
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < helpers && files.size() > threads.size() + 1; ++i) {
    std::unique_ptr<PackageReader> reader = PackageReader::Open(packagePath);
    if (!reader) break;
    try {
      threads.emplace_back(work, reader.get());
    } catch (...) {
      break;  // fewer threads only take longer
    }
    readers.push_back(std::move(reader));
  }
  work(first.get());
  for (std::thread& thread : threads) thread.join();
  if (!flush.Finish() && outcome == static_cast<int>(Result::kOk)) return Result::kFailed;
  return static_cast<Result>(outcome.load());
}

}  // namespace

CPackageInstall::Result CPackageInstall::Stage(const std::wstring& packagePath,
                                               const std::atomic<bool>& cancel) {
  std::unique_ptr<PackageReader> reader = PackageReader::Open(packagePath);
  if (!reader) return Result::kFailed;

  // The installation's own paths must stay within the path limit, so must every new one.
  const size_t room = install_.size() < MAX_PATH - 1 ? MAX_PATH - 1 - install_.size() : 0;
  qzip::PlanError error;
  if (!qzip::PlanPackage(*reader->archive, room, &plan_, &error) ||
      !FitsInstallation(install_, plan_) || !EnoughRoom(install_, plan_)) {
    return Result::kFailed;
  }

  const std::wstring work = install_ + kWorkFolderName;
  if (MakeFolder(work)) SetFileAttributesW(Long(work).c_str(), FILE_ATTRIBUTE_HIDDEN);
  run_ = NewRunFolder(work + L"\\");
  if (run_.empty() || !MakeFolder(run_ + kStage) || !MakeFolder(run_ + kBackup)) {
    return Result::kFailed;
  }
  for (const Utf16String& folder : qzip::PlanFolders(plan_)) {
    if (!MakeFolder(run_ + kStage + folder) || !MakeFolder(run_ + kBackup + folder)) {
      return Result::kFailed;
    }
  }
  std::vector<const qzip::PlanEntry*> files;
  bringsVersionFile_ = false;
  for (const qzip::PlanEntry& entry : plan_) {
    if (entry.folder) continue;
    files.push_back(&entry);
    bringsVersionFile_ = bringsVersionFile_ || qzip::SamePathNoCase(entry.path, L"lastver.xml");
  }
  return StageFiles(packagePath, std::move(reader), files, run_ + kStage, cancel);
}

// ---- The lock ------------------------------------------------------------------------------

CInstallLock::CInstallLock(const std::wstring& installDir) {
  // Named after the folder (upper case, as Windows compares paths); backslashes are not
  // allowed in the name below the namespace prefix.
  std::wstring name = FullFolder(installDir);
  CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
  uint32_t hash = 2166136261u;
  for (wchar_t c : name) hash = (hash ^ static_cast<uint16_t>(c)) * 16777619u;
  wchar_t mutexName[64];
  swprintf(mutexName, 64, L"Local\\quenda-update-%08x", static_cast<unsigned>(hash));
  mutex_.reset(CreateMutexW(nullptr, FALSE, mutexName));
}

CInstallLock::~CInstallLock() {
  if (held_) ReleaseMutex(mutex_.get());
}

bool CInstallLock::Acquire(DWORD timeoutMs) {
  if (held_) return true;
  if (!mutex_) return true;  // no lock to be had: work unguarded rather than not at all
  const DWORD wait = WaitForSingleObject(mutex_.get(), timeoutMs);
  held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  return held_;
}
