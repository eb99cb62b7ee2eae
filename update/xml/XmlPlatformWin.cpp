// The Win32 edge of LoadFile: the file API, FormatMessageW and MultiByteToWideChar.
#ifdef _WIN32

#include <windows.h>

#include <new>

#include "XmlEncoding.h"
#include "XmlPlatform.h"

CXmlFileReader::~CXmlFileReader() { Close(); }

bool CXmlFileReader::Open(const Utf16Char* path) {
  Close();
  if (path == nullptr || path[0] == 0) {
    m_nError = ERROR_PATH_NOT_FOUND;
    return false;
  }
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    m_nError = GetLastError();
    return false;
  }
  m_hFile = file;
  return true;
}

bool CXmlFileReader::Size(uint64_t* size) {
  LARGE_INTEGER li;
  if (!GetFileSizeEx(static_cast<HANDLE>(m_hFile), &li)) {
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
  if (!SetFilePointerEx(static_cast<HANDLE>(m_hFile), to, nullptr, FILE_BEGIN)) {
    m_nError = GetLastError();
    return false;
  }
  char* out = static_cast<char*>(buffer);
  while (*got < length) {
    const size_t left = length - *got;
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!ReadFile(static_cast<HANDLE>(m_hFile), out + *got, chunk, &n, nullptr)) {
      m_nError = GetLastError();
      return false;
    }
    if (n == 0) break;  // the file ended early (it shrank since its size was taken)
    *got += n;
  }
  return true;
}

void CXmlFileReader::Close() {
  if (m_hFile != nullptr) CloseHandle(static_cast<HANDLE>(m_hFile));
  m_hFile = nullptr;
}

void CXmlFileReader::SetTooLarge() { m_nError = ERROR_FILE_TOO_LARGE; }

void CXmlFileReader::SetOutOfMemory() { m_nError = ERROR_NOT_ENOUGH_MEMORY; }

Utf16String CXmlFileReader::ErrorText() const {
  wchar_t buffer[512];
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_nError,
                     0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  Utf16String text(buffer, n);
  if (n == 0) {
    // No system text for this code: say which error it was.
    text = L"Error " + std::to_wstring(m_nError);
  }
  const size_t eol = text.find_first_of(L"\r\n");
  if (eol != Utf16String::npos) text.resize(eol);
  if (text.size() > 100) text.resize(100);
  return text;
}

namespace {

// Measures, then converts with MultiByteToWideChar. Flags 0: invalid input is replaced, never
// refused. A code page the system can't convert with (UTF-16 or UTF-32 named in an 8-bit
// file, a missing table) falls back to the ANSI code page.
template <typename Text>
void Convert(unsigned codePage, const char* bytes, size_t length, Text* out) {
  out->clear();
  if (length == 0) return;
  const int n = static_cast<int>(length);  // LoadFile reads at most 2 GiB - 1
  UINT page = codePage == XML_CP_ANSI ? CP_ACP : codePage;
  int units = MultiByteToWideChar(page, 0, bytes, n, nullptr, 0);
  if (units <= 0 && page != CP_ACP) {
    page = CP_ACP;
    units = MultiByteToWideChar(page, 0, bytes, n, nullptr, 0);
  }
  if (units <= 0) return;
  out->resize(static_cast<size_t>(units));
  units = MultiByteToWideChar(page, 0, bytes, n, &(*out)[0], units);
  out->resize(units > 0 ? static_cast<size_t>(units) : 0);
}

}  // namespace

void XmlConvertToUtf16(unsigned codePage, const char* bytes, size_t length, Utf16String* out) {
  Convert(codePage, bytes, length, out);
}

bool CXmlConversion::Start(unsigned codePage, XmlTextBuffer* buffer, size_t byteOffset,
                           size_t byteLength) {
  // MultiByteToWideChar converts in one piece, and not in place: into a buffer of its own.
  m_pBuffer = buffer;
  char* bytes = reinterpret_cast<char*>(buffer->data()) + byteOffset;
  m_nZeros = XmlRemoveZeroBytes(bytes, &byteLength);
  try {
    XmlTextBuffer out;
    Convert(codePage, bytes, byteLength, &out);
    buffer->swap(out);
  } catch (const std::bad_alloc&) {
    return false;
  }
  m_nOut = buffer->size();
  return true;
}

bool CXmlConversion::StartReading(unsigned codePage, XmlTextBuffer* buffer, CXmlFileReader* file,
                                  uint64_t offset, size_t length) {
  // The file in one piece, into the upper half of the buffer, then converted at once.
  try {
    buffer->resize(length);
  } catch (const std::bad_alloc&) {
    file->SetOutOfMemory();
    return false;
  }
  const size_t byteOffset = length * sizeof(Utf16Char) - length;
  size_t got = 0;
  if (!file->ReadAt(offset, reinterpret_cast<char*>(buffer->data()) + byteOffset, length, &got)) {
    return false;
  }
  if (!Start(codePage, buffer, byteOffset, got)) {
    file->SetOutOfMemory();
    return false;
  }
  m_nRead = got;
  return true;
}

bool CXmlConversion::Finished() const { return true; }

size_t CXmlConversion::Continue() { return m_nOut; }

void CXmlConversion::Finish() {}

#endif  // _WIN32
