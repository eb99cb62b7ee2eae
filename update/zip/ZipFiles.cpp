#include "ZipFiles.h"

#include <cstring>
#include <vector>

#include "ZipNames.h"

namespace qzip {

namespace {

// The wait for a target that another program holds: kAttempts tries kDelayMs apart.
constexpr int kAttempts = 9;
constexpr DWORD kDelayMs = 250;
// Leftover names tried before giving up (they only collide by chance).
constexpr int kNameAttempts = 32;

// ---- minizip file functions over a Win32 handle -------------------------------------------

voidpf ZCALLBACK FileOpen(voidpf, const void* stream, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_WRITE) || !stream) return nullptr;
  Win32ZipStream* s = static_cast<Win32ZipStream*>(const_cast<void*>(stream));
  s->position = 0;
  return s;
}

// Reads up to `size` bytes at `offset` straight from the file; fewer only at its end or on an
// error, which minizip sees as a short read. The file pointer is moved rather than an offset
// passed in an OVERLAPPED: Wine answers every read that carries one with a round trip to its
// server (for a completion port the file might have), which is most of the cost of a read.
size_t ReadAt(HANDLE file, uint64_t offset, uint8_t* buf, size_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return 0;
  size_t done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!ReadFile(file, buf + done, static_cast<DWORD>(size - done), &got, nullptr) || got == 0) {
      break;
    }
    done += got;
  }
  return done;
}

// Reads larger than this go straight to the caller (minizip's data reads are 16 KiB).
constexpr size_t kDirectRead = 8192;

uLong ZCALLBACK FileRead(voidpf, voidpf stream, void* buf, uLong size) {
  Win32ZipStream* s = static_cast<Win32ZipStream*>(stream);
  uint8_t* out = static_cast<uint8_t*>(buf);
  const uint64_t windowEnd = s->windowStart + s->windowLength;
  if (s->position < s->windowStart || s->position + size > windowEnd) {
    if (size >= kDirectRead) {
      const size_t got = ReadAt(s->file, s->position, out, size);
      s->position += got;
      return static_cast<uLong>(got);
    }
    if (!s->window) s->window.reset(new uint8_t[Win32ZipStream::kWindowSize]);
    s->windowStart = s->position;
    s->windowLength = ReadAt(s->file, s->position, s->window.get(), Win32ZipStream::kWindowSize);
  }
  const uint64_t available = s->windowStart + s->windowLength - s->position;
  const size_t n = static_cast<size_t>(size < available ? size : available);
  std::memcpy(out, s->window.get() + (s->position - s->windowStart), n);
  s->position += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK FileWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK FileTell(voidpf, voidpf stream) {
  return static_cast<Win32ZipStream*>(stream)->position;
}

long ZCALLBACK FileSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Win32ZipStream* s = static_cast<Win32ZipStream*>(stream);
  uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
    base = s->position;
  } else if (origin == ZLIB_FILEFUNC_SEEK_END) {
    base = s->size;
  } else if (origin != ZLIB_FILEFUNC_SEEK_SET) {
    return -1;
  }
  if (base > s->size || offset > s->size - base) return -1;
  s->position = base + offset;
  return 0;
}

// The handle belongs to the reader, which closes it after the archive.
int ZCALLBACK FileClose(voidpf, voidpf) { return 0; }

int ZCALLBACK FileError(voidpf, voidpf) { return 0; }

// ---- Paths --------------------------------------------------------------------------------

uint32_t NextUnique() {
  // Different in every process and call; a collision only costs another try.
  static volatile LONG counter = 0;
  uint32_t x = static_cast<uint32_t>(InterlockedIncrement(&counter)) * 0x9E3779B9u;
  x ^= GetTickCount() ^ (GetCurrentProcessId() << 16);
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  return x;
}

std::wstring LeftoverPath(const std::wstring& folder, LeftoverKind kind) {
  Utf16Char name[kLeftoverNameLength + 1];
  MakeLeftoverName(kind, NextUnique(), name);
  return LongForm(folder + L"\\" + name);
}

bool IsNameTaken(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

}  // namespace

std::wstring LongForm(const std::wstring& full) {
  if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\?\\") == 0) return full;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

uint64_t LocalToUtc(uint64_t localTime) {
  const FILETIME local = ZipFileTime(localTime);
  FILETIME utc;
  if (!LocalFileTimeToFileTime(&local, &utc)) return 0;
  return (static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}

bool SetFileTimes(HANDLE file, const ZipFileTime& creation, const ZipFileTime& access,
                  const ZipFileTime& write) {
  // SetFileTime leaves a time alone when given no pointer.
  auto orNull = [](const ZipFileTime& time) { return time != 0 ? &time : nullptr; };
  return SetFileTime(file, orNull(creation), orNull(access), orNull(write)) != FALSE;
}

bool IsHeldError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_USER_MAPPED_FILE || error == ERROR_ACCESS_DENIED;
}

void FillWin32FileFuncs(zlib_filefunc64_def* io) {
  io->zopen64_file = FileOpen;
  io->zread_file = FileRead;
  io->zwrite_file = FileWrite;
  io->ztell64_file = FileTell;
  io->zseek64_file = FileSeek;
  io->zclose_file = FileClose;
  io->zerror_file = FileError;
  io->opaque = nullptr;
}

bool GetFullPath(const std::wstring& path, std::wstring* full) {
  std::vector<wchar_t> buf(MAX_PATH + 1);
  for (;;) {
    const DWORD n =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    if (n == 0) return false;
    if (n < buf.size()) {
      full->assign(buf.data(), n);
      return true;
    }
    buf.resize(n + 1);
  }
}

bool IsBelow(const std::wstring& path, const std::wstring& folder) {
  return path.size() >= folder.size() &&
         CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                              static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

bool IsSamePath(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && IsBelow(a, b);
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolders(const std::wstring& base, const std::wstring& folders) {
  const std::wstring baseFolder = base.substr(0, base.size() - 1);
  if (!IsFolder(baseFolder)) CreateDirectoryW(baseFolder.c_str(), nullptr);
  for (size_t end = 0; end < folders.size();) {
    size_t next = folders.find(L'\\', end);
    if (next == std::wstring::npos) next = folders.size();
    if (next > end) {
      const std::wstring path = base + folders.substr(0, next);
      if (!IsFolder(path)) CreateDirectoryW(path.c_str(), nullptr);
    }
    end = next + 1;
  }
}

quenda::unique_hfile CreateNewFileIn(const std::wstring& folder, std::wstring* path) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *path = LeftoverPath(folder, LeftoverKind::kNew);
    quenda::unique_hfile file(CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                          nullptr));
    if (file || !IsNameTaken(GetLastError())) return file;
  }
  return quenda::unique_hfile();
}

bool PutInPlace(const std::wstring& source, const std::wstring& target,
                const std::wstring& folder) {
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (!IsHeldError(GetLastError())) return false;
    // A module of this very process (the updater's own DLLs) won't be let go by waiting.
    if (attempt == kAttempts || GetModuleHandleW(target.c_str()) != nullptr) break;
    Sleep(kDelayMs);
  }
  // Windows lets a running program or DLL, and any file opened with delete sharing, be
  // renamed even though it can't be replaced.
  std::wstring aside;
  bool moved = false;
  for (int attempt = 0; attempt < kNameAttempts && !moved; ++attempt) {
    aside = LeftoverPath(folder, LeftoverKind::kOld);
    moved = MoveFileExW(target.c_str(), aside.c_str(), 0) != 0;
    if (!moved && !IsNameTaken(GetLastError())) return false;
  }
  if (!moved) return false;
  if (!MoveFileExW(source.c_str(), target.c_str(), 0)) {
    MoveFileExW(aside.c_str(), target.c_str(), 0);  // put the old file back
    return false;
  }
  DeleteOurFile(aside);  // goes at once when nothing maps it any more
  return true;
}

void RemoveLeftovers(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  quenda::unique_hfind search(FindFirstFileExW(LongForm(folder + L"\\~qz*").c_str(),
                                               FindExInfoBasic, &found, FindExSearchNameMatch,
                                               nullptr, 0));
  if (!search) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsLeftoverName(found.cFileName)) {
      DeleteOurFile(LongForm(folder + L"\\" + found.cFileName));
    }
  } while (FindNextFileW(search.get(), &found));
}

void DeleteOurFile(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    DeleteFileW(path.c_str());
  }
}

}  // namespace qzip
