// quenda-pack's file system and console on Windows: UTF-8 inside, UTF-16 at the Win32 calls.
#include <windows.h>

#include "PackFs.h"
#include "SignFile.h"
#include "UniqueHandle.h"
#include "Utf16.h"
#include "Zip.h"
#include "ZipFiles.h"
#include "iowin32.h"

namespace qpack {

namespace {

std::wstring Wide(const std::string& utf8) { return Utf8ToUtf16(utf8); }
std::string Narrow(const std::wstring& wide) { return Utf16ToUtf8(wide); }

// A path Win32 takes beyond MAX_PATH too: absolute, with the "\\?\" prefix when long.
std::wstring Win32Path(const std::string& path) {
  std::wstring wide = Wide(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  if (wide.size() < 200 || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), n, &full[0], nullptr));
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool FailLastError(const std::string& path, std::string* why) {
  *why = path + ": " + qsign::SystemMessage(GetLastError());
  return false;
}

int64_t UnixTime(const FILETIME& time) {
  const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (static_cast<int64_t>(ticks) - 116444736000000000LL) / 10000000LL;
}

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A link (reparse point) to a file counts as the file it leads to.
bool FollowFileLink(const std::string& path, FileInfo* info, std::string* why) {
  quenda::unique_hfile file(CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION data;
  if (!file || !GetFileInformationByHandle(file.get(), &data)) {
    *why = "is a link that leads nowhere";
    return false;
  }
  info->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->writeTime = UnixTime(data.ftLastWriteTime);
  info->attributes = data.dwFileAttributes & kKeptAttributes;
  return true;
}

bool Examine(const std::string& folder, const WIN32_FIND_DATAW& data, FileInfo* info,
             std::string* why) {
  info->folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    if (info->folder) {
      *why = "is a link to a folder; put the folder itself in its place";
      return false;
    }
    return FollowFileLink(JoinPath(folder, info->name), info, why);
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
    *why = "is neither a file nor a folder";
    return false;
  }
  info->size =
      info->folder ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->writeTime = UnixTime(data.ftLastWriteTime);
  info->attributes = data.dwFileAttributes & kKeptAttributes;
  return true;
}

uint64_t SameTime(uint64_t time) { return time; }

void Write(DWORD which, const std::string& text) {
  const HANDLE out = GetStdHandle(which);
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::wstring wide = Wide(text);
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace

bool ListFolder(const std::string& folder, std::vector<FileInfo>* entries,
                std::vector<RefusedEntry>* refused, std::string* why) {
  entries->clear();
  refused->clear();
  WIN32_FIND_DATAW data;
  quenda::unique_hfind find(FindFirstFileExW(Win32Path(JoinPath(folder, "*")).c_str(),
                                             FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return FailLastError(folder, why);
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FileInfo info;
    info.name = Narrow(name);
    std::string reason;
    if (Wide(info.name) != name) {
      refused->push_back({info.name, "the name is not valid Unicode"});
    } else if (Examine(folder, data, &info, &reason)) {
      entries->push_back(info);
    } else {
      refused->push_back({info.name, reason});
    }
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) return FailLastError(folder, why);
  return true;
}

bool GetInfo(const std::string& path, FileInfo* info) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Win32Path(path).c_str(), GetFileExInfoStandard, &data)) return false;
  info->folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->writeTime = UnixTime(data.ftLastWriteTime);
  info->attributes = data.dwFileAttributes & kKeptAttributes;
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& relative) {
  std::string rel = relative;
  for (char& c : rel) {
    if (c == '/') c = '\\';
  }
  if (rel.empty()) return folder;
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + rel;
  return folder + "\\" + rel;
}

std::string FullPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), n, &full[0], nullptr));
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return Narrow(full);
}

bool MakeFolders(const std::string& folder, std::string* why) {
  const std::wstring full = Wide(FullPath(folder));
  for (size_t at = 3; at <= full.size(); ++at) {  // after "C:\"
    if (at < full.size() && full[at] != L'\\') continue;
    const std::wstring prefix = full.substr(0, at);
    const DWORD attributes = GetFileAttributesW(prefix.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *why = Narrow(prefix) + ": is not a folder";
        return false;
      }
      continue;
    }
    if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return FailLastError(Narrow(prefix), why);
    }
  }
  return true;
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* why) {
  return MoveFileExW(Win32Path(from).c_str(), Win32Path(to).c_str(), MOVEFILE_REPLACE_EXISTING) ||
         FailLastError(to, why);
}

void RemoveFile(const std::string& path) { DeleteFileW(Win32Path(path).c_str()); }

// A secret key file gets the folder's inherited permissions: keep keys in a folder of the
// signing user's own.
bool WriteNewFile(const std::string& path, const std::string& bytes, bool /*secret*/,
                  std::string* why) {
  quenda::unique_hfile file(CreateFileW(Win32Path(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FailLastError(path, why);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size() || !FlushFileBuffers(file.get())) {
    FailLastError(path, why);
    file.reset();
    RemoveFile(path);
    return false;
  }
  return true;
}

struct InputFile::State {
  quenda::unique_hfile file;
};

InputFile::InputFile() : state_(new State) {}

InputFile::~InputFile() = default;

bool InputFile::Open(const std::string& path, std::string* why) {
  path_ = path;
  state_->file.reset(CreateFileW(Win32Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  return state_->file.valid() || FailLastError(path, why);
}

bool InputFile::Read(uint8_t* buffer, size_t size, size_t* got, std::string* why) {
  DWORD n = 0;
  if (!ReadFile(state_->file.get(), buffer, static_cast<DWORD>(size), &n, nullptr)) {
    return FailLastError(path_, why);
  }
  *got = n;
  return true;
}

zipFile CreateZip(const std::string& path, std::string* why) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64W(&io);
  const std::wstring wide = Win32Path(path);
  SetLastError(0);
  zipFile zip = zipOpen2_64(wide.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  if (!zip) FailLastError(path, why);
  return zip;
}

struct PackageReader::State {
  quenda::unique_hfile file;
  qzip::Win32ZipStream stream;
};

PackageReader::PackageReader() : state_(new State) {}

PackageReader::~PackageReader() { archive_.reset(); }

bool PackageReader::Open(const std::string& path, std::string* why) {
  state_->file.reset(CreateFileW(Win32Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size;
  if (!state_->file || !GetFileSizeEx(state_->file.get(), &size)) return FailLastError(path, why);
  state_->stream.file = state_->file.get();
  state_->stream.size = static_cast<uint64_t>(size.QuadPart);
  zlib_filefunc64_def io;
  qzip::FillWin32FileFuncs(&io);
  archive_ = qzip::CZipArchive::Open(io, &state_->stream, SameTime);
  if (!archive_) *why = path + ": not a ZIP archive (no readable ZIP directory)";
  return archive_ != nullptr;
}

TempFile::~TempFile() {
  if (!path_.empty()) DeleteFileW(Wide(path_).c_str());
}

bool TempFile::Create(const std::string& bytes, std::string* why) {
  wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH || !GetTempFileNameW(folder, L"qpk", 0, name)) {
    return FailLastError("temporary file", why);
  }
  path_ = Narrow(name);
  quenda::unique_hfile file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                        FILE_ATTRIBUTE_TEMPORARY, nullptr));
  DWORD written = 0;
  return (file &&
          WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr) &&
          written == bytes.size()) ||
         FailLastError(path_, why);
}

qsign::PathString SignPath(const std::string& path) { return Win32Path(path); }

void PrintOut(const std::string& text) { Write(STD_OUTPUT_HANDLE, text); }

void PrintError(const std::string& text) { Write(STD_ERROR_HANDLE, text); }

bool ErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace qpack
