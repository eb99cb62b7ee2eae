// Reading files with Win32 calls.
#include <windows.h>

#include "SignFile.h"
#include "UniqueHandle.h"
#include "Utf16.h"

namespace qsign {

struct InputFile::Handle {
  quenda::unique_hfile file;
  DWORD openError = ERROR_SUCCESS;
};

std::string PathText(const PathString& path) { return Utf16ToUtf8(path); }

std::string SystemMessage(unsigned long error) {
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
  return Utf16ToUtf8(message);
}

namespace {

bool Fail(const std::wstring& path, DWORD error, std::string* why) {
  if (why) *why = PathText(path) + ": " + SystemMessage(error);
  return false;
}

}  // namespace

InputFile::InputFile(const PathString& path) : path_(path), handle_(new Handle) {
  handle_->file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle_->file) handle_->openError = GetLastError();
}

InputFile::~InputFile() = default;

bool InputFile::Size(uint64_t* size, std::string* why) {
  if (!handle_->file) return Fail(path_, handle_->openError, why);
  LARGE_INTEGER length;
  if (!GetFileSizeEx(handle_->file.get(), &length)) return Fail(path_, GetLastError(), why);
  *size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

int64_t InputFile::Read(uint8_t* buffer, size_t size, std::string* why) {
  DWORD n = 0;
  if (!ReadFile(handle_->file.get(), buffer, static_cast<DWORD>(size), &n, nullptr)) {
    Fail(path_, GetLastError(), why);
    return -1;
  }
  return n;
}

}  // namespace qsign
