// The updater's archive layer: lists the entries of a ZIP archive as item records and writes
// them, one at a time, below a base folder.
//
// A reader is opened on an archive file, pointed at a base folder and then asked for entries
// by index: ZipGetItem gives an entry's record (sanitised name, Windows attributes, UTC times,
// sizes), ZipExtractItem writes it. Every call yields a result code and leaves the reader
// usable for the next one, so a caller can walk all entries and skip the ones that fail.
//
// Writing is safe and atomic: no entry lands outside the base folder whatever its stored name,
// and a file only replaces its target once all its data was read and its CRC checked, so a
// failed entry leaves the old file as it was. A target held by a running program (the updater's
// own executable and DLLs among them) is moved aside and replaced; such leftovers are removed
// the next time files are extracted into that folder.
//
// The records and result codes are portable; the reader functions exist on Windows only.
#pragma once

#include <cstdint>

#include "Utf16.h"

#ifdef _WIN32
#include <windows.h>
#endif

// Result codes. Success is 0; the values are those the updater's archive layer always had.
typedef uint32_t ZipResult;
constexpr ZipResult ZR_OK = 0;
// The archive can't be opened or holds no readable ZIP directory; or the target can't be
// created (including targets refused because they would leave the base folder, paths too
// long for Windows, read-only targets and targets still in use by another program).
constexpr ZipResult ZR_NOFILE = 0x200;
// Writing the target file failed.
constexpr ZipResult ZR_WRITE = 0x400;
// The entry's local header doesn't match its central header, or the directory is damaged.
constexpr ZipResult ZR_CORRUPT = 0x700;
// The entry's local extra field can't be read.
constexpr ZipResult ZR_READ = 0x800;
// An encrypted entry without a password, or the password check failed.
constexpr ZipResult ZR_PASSWORD = 0x1000;
// No handle, a missing argument, or an index below -1 or not below the number of entries.
constexpr ZipResult ZR_ARGS = 0x10000;
// The entry's data can't be read or inflated, stopped before its end or failed its CRC.
constexpr ZipResult ZR_FLATE = 0x5000000;

// Size of the name buffer of a record and the longest path (with its terminating zero) that
// the layer writes to.
constexpr int kZipMaxPath = 260;

// Windows file-attribute bits as they appear in ZipItem::attributes.
constexpr uint32_t kZipAttrReadOnly = 0x01;
constexpr uint32_t kZipAttrHidden = 0x02;
constexpr uint32_t kZipAttrSystem = 0x04;
constexpr uint32_t kZipAttrDirectory = 0x10;
constexpr uint32_t kZipAttrArchive = 0x20;

#ifdef _WIN32
typedef FILETIME ZipFileTimeParts;
#else
struct ZipFileTimeParts {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
};
#endif

// A Windows file time (100-ns units since 1601-01-01, UTC): laid out as the Win32 FILETIME, so
// &item.writeTime can go straight to SetFileTime or CompareFileTime, and readable as its
// 64-bit count.
struct ZipFileTime : ZipFileTimeParts {
  ZipFileTime() = default;
  constexpr ZipFileTime(uint64_t ticks)
      : ZipFileTimeParts{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)} {}
  constexpr operator uint64_t() const {
    return (static_cast<uint64_t>(dwHighDateTime) << 32) | dwLowDateTime;
  }
};

// One entry of the archive as the caller sees it.
struct ZipItem {
  // Position in the central directory, from 0. The query for index -1 puts the number of
  // entries here.
  int32_t index;
  // The stored name after sanitising, relative, with its separators as stored. Empty when the
  // stored name can't stand for a path at all (259 bytes is the longest that fits; a name with
  // a zero byte in it); such an entry can't be extracted.
  Utf16Char name[kZipMaxPath];
  // kZipAttr* bits.
  uint32_t attributes;
  // All three in UTC; 0 when the archive gives no usable time.
  ZipFileTime accessTime;
  ZipFileTime creationTime;
  ZipFileTime writeTime;
  // From the central directory (capped at the largest 32-bit signed value).
  int32_t compressedSize;
  int32_t uncompressedSize;
};

#ifdef _WIN32

// The reader behind a handle; see ZipOpen.
struct ZipReader;
typedef ZipReader* HZIP;

// Opens the archive at `path` for reading (shared with other readers) and reads its
// directory. `password` (8-bit, may be null) is used for encrypted entries. The base folder
// starts as the current directory. Null when the file can't be opened or is no ZIP archive.
HZIP ZipOpen(const wchar_t* path, const char* password);

// Sets the folder that relative target names are taken from; a backslash is appended when it
// ends in no separator. The folder is created (one level) when an entry is extracted into it.
// An empty folder, or one too long to hold any target (260 units with the separator), is
// refused with ZR_ARGS, and the reader then writes nothing until a usable one is set.
ZipResult ZipSetBaseFolder(HZIP zip, const wchar_t* folder);

// Index -1: the number of entries in item->index, the rest of the record zero. Index 0 to
// count-1: that entry's record. index, name and uncompressedSize of `item` are cleared first.
ZipResult ZipGetItem(HZIP zip, int index, ZipItem* item);

// Writes entry `index` to `targetName`, relative to the base folder (an absolute name must
// lie below the base folder too). Folder entries create their folders; file entries create
// the missing folders, then the file with the entry's attributes and times. A target that
// would leave the base folder (".." components, drives, streams, device names) or whose full
// path reaches 260 units is refused with ZR_NOFILE, as is an existing read-only target.
ZipResult ZipExtractItem(HZIP zip, int index, const wchar_t* targetName);

// Closes the archive and frees the reader.
ZipResult ZipClose(HZIP zip);

#endif  // _WIN32
