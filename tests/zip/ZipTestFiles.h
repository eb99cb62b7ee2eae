// Shared helpers of the Windows extraction tests: fixture paths, the updater's extraction
// loop, file times and attributes as Windows reports them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Zip.h"

namespace ziptest {

// Folder of the archives that zip_fixtures.sh made (QUENDA_ZIP_FIXTURES, as a Z: path).
std::wstring Fixtures();
std::wstring Fixture(const std::wstring& name);
// A fresh, empty folder below the fixtures' extract\ folder, which the Linux side checks
// after the test program ran.
std::wstring OutDir(const std::wstring& name);

// Lines of a UTF-8 tab-separated file, split into fields.
std::vector<std::vector<std::wstring>> ReadTsv(const std::wstring& path);

// What the updater does with an archive: every entry's record, then the entry extracted under
// the record's name.
struct Extraction {
  int count = -1;
  std::vector<ZipItem> items;
  std::vector<ZipResult> results;
};
Extraction ExtractAll(HZIP zip);

std::wstring Name(const ZipItem& item);

struct FileTimes {
  uint64_t creation = 0;
  uint64_t access = 0;
  uint64_t write = 0;
};
// Times of a file or folder, read without opening its data (which would move its access time).
bool GetTimes(const std::wstring& path, FileTimes* times);
DWORD Attributes(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
std::string ReadAll(const std::wstring& path);
bool WriteAll(const std::wstring& path, const std::string& data);

uint64_t UnixToFileTime(int64_t seconds);
// A calendar time taken as local time, in UTC, the way Windows converts it.
uint64_t LocalToUtc(int year, int month, int day, int hour, int minute, int second);

// Files of our leftover pattern ("~qz????????.new" / ".old") anywhere below `folder`.
std::vector<std::wstring> Leftovers(const std::wstring& folder);

// Writes an archive built by BuildZip to `path` and opens it.
HZIP OpenBuilt(const std::wstring& path, const std::string& archive,
               const char* password = nullptr);

}  // namespace ziptest
