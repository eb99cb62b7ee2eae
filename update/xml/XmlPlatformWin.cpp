// The Win32 edge of LoadFile: the file API, FormatMessageW and MultiByteToWideChar.
#ifdef _WIN32

#include <windows.h>

#include <climits>
#include <string>

#include "XmlEncoding.h"
#include "XmlPlatform.h"

CXmlFileReader::~CXmlFileReader() = default;

bool CXmlFileReader::Open(const Utf16Char* path) {
  m_file.reset();
  if (path == nullptr || path[0] == 0) {
    m_nError = ERROR_PATH_NOT_FOUND;
    return false;
  }
  m_file.reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!m_file) {
    m_nError = GetLastError();
    return false;
  }
  return true;
}

bool CXmlFileReader::Size(uint64_t* size) {
  LARGE_INTEGER li;
  if (!GetFileSizeEx(m_file.get(), &li)) {
    m_nError = GetLastError();
    return false;
  }
  *size = static_cast<uint64_t>(li.QuadPart);
  return true;
}

bool CXmlFileReader::ReadAt(uint64_t offset, void* buffer, size_t length, size_t* got) {
  *got = 0;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  const DWORD chunk = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
  DWORD n = 0;
  if (!SetFilePointerEx(m_file.get(), to, nullptr, FILE_BEGIN) ||
      !ReadFile(m_file.get(), buffer, chunk, &n, nullptr)) {
    m_nError = GetLastError();
    return false;
  }
  *got = n;
  return true;
}

void CXmlFileReader::SetTooLarge() { m_nError = ERROR_FILE_TOO_LARGE; }

void CXmlFileReader::SetOutOfMemory() { m_nError = ERROR_NOT_ENOUGH_MEMORY; }

Utf16String CXmlFileReader::SystemMessage() const {
  wchar_t buffer[512];
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_nError,
                     0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  // No system text for this code: say which error it was.
  return n != 0 ? Utf16String(buffer, n) : L"Error " + std::to_wstring(m_nError);
}

size_t XmlConvertToUtf16(unsigned codePage, const char* bytes, size_t length, Utf16Char* out,
                         size_t capacity) {
  if (length == 0) return 0;
  const int n = static_cast<int>(length);  // LoadFile reads at most 2 GiB - 1
  const int room = out == nullptr ? 0 : capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  // Flags 0: invalid input is replaced, never refused.
  const UINT page = codePage == XML_CP_ANSI ? CP_ACP : codePage;
  int units = MultiByteToWideChar(page, 0, bytes, n, out, room);
  if (units <= 0 && page != CP_ACP &&
      (out == nullptr || GetLastError() != ERROR_INSUFFICIENT_BUFFER)) {
    // A code page the system can't convert with (UTF-16 or UTF-32 named in an 8-bit file, a
    // missing table).
    units = MultiByteToWideChar(CP_ACP, 0, bytes, n, out, room);
  }
  return units > 0 ? static_cast<size_t>(units) : 0;
}

#endif  // _WIN32
