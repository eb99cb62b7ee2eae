// Reading files for hashing and small reads, with Win32 calls.
#include <windows.h>

#include <vector>

#include "Sign.h"
#include "UniqueHandle.h"
#include "Utf16.h"

namespace qsign {

namespace {

bool FailLastError(const std::wstring& path, std::string* why) {
  const DWORD error = GetLastError();
  if (!why) return false;
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n ? std::wstring(text, n) : L"error " + std::to_wstring(error);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  *why = Utf16ToUtf8(path) + ": " + Utf16ToUtf8(message);
  return false;
}

quenda::unique_hfile OpenForReading(const std::wstring& path, uint64_t* size) {
  quenda::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER length;
  if (file && !GetFileSizeEx(file.get(), &length)) file.reset();
  if (file) *size = static_cast<uint64_t>(length.QuadPart);
  return file;
}

}  // namespace

bool HashFile(const PathString& path, uint8_t (&digest)[kDigestSize], std::string* why,
              const HashProgress& progress) {
  uint64_t total = 0;
  const quenda::unique_hfile file = OpenForReading(path, &total);
  if (!file) return FailLastError(path, why);
  std::vector<uint8_t> buffer(1 << 20);
  Sha256 hash;
  uint64_t done = 0;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      return FailLastError(path, why);
    }
    if (n == 0) break;
    hash.Update(buffer.data(), n);
    done += n;
    if (progress && !progress(done, total)) {
      if (why) *why = "stopped";
      return false;
    }
  }
  if (!hash.Finish(digest)) {
    if (why) *why = "SHA-256 failed";
    return false;
  }
  return true;
}

bool ReadSmallFile(const PathString& path, size_t limit, std::string* bytes, std::string* why) {
  uint64_t size = 0;
  const quenda::unique_hfile file = OpenForReading(path, &size);
  if (!file) return FailLastError(path, why);
  if (size > limit) {
    if (why) *why = Utf16ToUtf8(path) + ": larger than " + std::to_string(limit) + " bytes";
    return false;
  }
  bytes->assign(static_cast<size_t>(size), '\0');
  size_t have = 0;
  while (have < bytes->size()) {
    DWORD n = 0;
    if (!ReadFile(file.get(), &(*bytes)[have], static_cast<DWORD>(bytes->size() - have), &n,
                  nullptr)) {
      return FailLastError(path, why);
    }
    if (n == 0) break;
    have += n;
  }
  bytes->resize(have);
  return true;
}

}  // namespace qsign
