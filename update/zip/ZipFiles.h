// The Win32 file work behind extraction: reading the archive from an open file, forming and
// checking full paths, creating folders, and putting a finished file in place of its target
// even while a running program still holds the old one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "UniqueHandle.h"
#include "Zip.h"
#include "ioapi.h"

namespace qzip {

// minizip file functions over a file the caller opened (and closes): reads at explicit
// offsets, so seeking costs nothing, through a read-ahead window, because minizip reads its
// headers a byte at a time. Pass the stream's address to CZipArchive::Open.
struct Win32ZipStream {
  static constexpr size_t kWindowSize = 65536;

  HANDLE file = INVALID_HANDLE_VALUE;  // not owned
  uint64_t size = 0;
  uint64_t position = 0;
  // The bytes at [windowStart, windowStart + windowLength) of the file, once read.
  std::unique_ptr<uint8_t[]> window;
  uint64_t windowStart = 0;
  size_t windowLength = 0;
};
void FillWin32FileFuncs(zlib_filefunc64_def* io);

// The long form of a full path when it reaches MAX_PATH ("\\?\C:\..." or
// "\\?\UNC\server\share\..."), so that names in work folders deep below a target that
// fits still work; shorter paths as they are.
std::wstring LongForm(const std::wstring& full);

// A file time moved from local time to UTC (LocalFileTimeToFileTime); 0 when it can't be.
uint64_t LocalToUtc(uint64_t localTime);

// Sets a file's times; a time of 0 (the archive gave none) leaves that time as it is.
bool SetFileTimes(HANDLE file, const ZipFileTime& creation, const ZipFileTime& access,
                  const ZipFileTime& write);

// Errors of a file that another program has open or mapped, which waiting may cure.
bool IsHeldError(DWORD error);

// GetFullPathNameW: an absolute path with backslashes, "." and ".." resolved.
bool GetFullPath(const std::wstring& path, std::wstring* full);

// Whether `path` equals or lies below `folder` (a full path ending in a backslash), compared
// without regard to case as the file system does.
bool IsBelow(const std::wstring& path, const std::wstring& folder);

// Whether two full paths name the same place, compared as IsBelow does.
bool IsSamePath(const std::wstring& a, const std::wstring& b);

bool IsFolder(const std::wstring& path);

// Creates `base` (a full path ending in a backslash; one level) when it is missing, then each
// folder of the backslash-separated `folders` below it, outermost first. Failures show later,
// when the folder or file inside can't be created.
void CreateFolders(const std::wstring& base, const std::wstring& folders);

// Creates a new, empty file of a leftover name ("~qz????????.new") in `folder`, for writing
// and not shared. Empty when it can't.
quenda::unique_hfile CreateNewFileIn(const std::wstring& folder, std::wstring* path);

// Moves the finished file `source` over `target` (same folder). A target that another program
// holds is tried again for about two seconds (a process just ended releases its files a
// little later); if it is still held, it is moved aside to a leftover name
// ("~qz????????.old") and the new file put in its place, which Windows allows for running
// programs and DLLs. False, with `target` as it was, when neither works.
bool PutInPlace(const std::wstring& source, const std::wstring& target, const std::wstring& folder);

// Removes the leftovers of earlier extractions from `folder`; those still in use stay.
void RemoveLeftovers(const std::wstring& folder);

// Deletes a file of ours, read-only or not; it stays only while something still holds it.
void DeleteOurFile(const std::wstring& path);

}  // namespace qzip
