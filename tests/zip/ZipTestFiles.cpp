#include "ZipTestFiles.h"

#include "TestSupport.h"

using namespace testsupport;

namespace ziptest {

std::wstring Fixtures() { return WinPath(Env(L"QUENDA_ZIP_FIXTURES")); }

std::wstring Fixture(const std::wstring& name) { return Fixtures() + L"\\" + name; }

std::wstring OutDir(const std::wstring& name) {
  const std::wstring root = Fixtures() + L"\\extract";
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring dir = root + L"\\" + name;
  RemoveTree(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

std::vector<std::vector<std::wstring>> ReadTsv(const std::wstring& path) {
  std::vector<std::vector<std::wstring>> rows;
  const std::wstring text = FromUtf8(ReadAll(path));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::vector<std::wstring> fields;
    size_t field = start;
    for (size_t i = start; i <= end; ++i) {
      if (i == end || text[i] == L'\t') {
        fields.push_back(text.substr(field, i - field));
        field = i + 1;
      }
    }
    rows.push_back(fields);
    start = end + 1;
  }
  return rows;
}

Extraction ExtractAll(HZIP zip) {
  Extraction out;
  ZipItem item;
  if (ZipGetItem(zip, -1, &item) != ZR_OK) return out;
  out.count = item.index;
  for (int i = 0; i < out.count; ++i) {
    ZipGetItem(zip, i, &item);
    out.items.push_back(item);
    out.results.push_back(ZipExtractItem(zip, i, item.name));
  }
  return out;
}

std::wstring Name(const ZipItem& item) { return item.name; }

static uint64_t Ticks(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool GetTimes(const std::wstring& path, FileTimes* times) {
  const HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME c, a, w;
  const bool ok = GetFileTime(h, &c, &a, &w) != 0;
  CloseHandle(h);
  times->creation = Ticks(c);
  times->access = Ticks(a);
  times->write = Ticks(w);
  return ok;
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool IsDirectory(const std::wstring& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAll(const std::wstring& path) {
  std::string data;
  if (!ReadFileBytes(path, &data)) return "<unreadable>";
  return data;
}

bool WriteAll(const std::wstring& path, const std::string& data) {
  return WriteFileBytes(path, data);
}

uint64_t UnixToFileTime(int64_t seconds) {
  return static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL;
}

uint64_t LocalToUtc(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return Ticks(utc);
}

std::vector<std::wstring> Leftovers(const std::wstring& folder) {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW fd;
  const HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const std::wstring& f : Leftovers(folder + L"\\" + name)) found.push_back(f);
    } else if (name.size() == 15 && name.compare(0, 3, L"~qz") == 0 &&
               (name.compare(11, 4, L".new") == 0 || name.compare(11, 4, L".old") == 0)) {
      found.push_back(folder + L"\\" + name);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return found;
}

HZIP OpenBuilt(const std::wstring& path, const std::string& archive, const char* password) {
  if (!WriteAll(path, archive)) return nullptr;
  return ZipOpen(path.c_str(), password);
}

}  // namespace ziptest
