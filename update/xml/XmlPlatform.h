// The platform edge of CXmlDoc::LoadFile: a file opened for reading, the system's message for
// a failure, and the conversion of a code page to UTF-16. Everything that decides what a load
// gives (encodings, how and in what pieces bytes are converted, zero bytes, the report) is
// portable (XmlLoad.cpp, XmlConversion.cpp), so the native build with its sanitizers and
// fuzzers runs the code that Windows ships; only these primitives differ. Windows uses the
// Win32 file API, FormatMessageW and MultiByteToWideChar; elsewhere POSIX files, strerror,
// iconv and a UTF-8 decoder that converts as MultiByteToWideChar does stand in for them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Utf16.h"

#ifdef _WIN32
#include "UniqueHandle.h"
#endif

class CXmlFileReader {
 public:
  CXmlFileReader() = default;
  ~CXmlFileReader();
  CXmlFileReader(const CXmlFileReader&) = delete;
  CXmlFileReader& operator=(const CXmlFileReader&) = delete;

  // Opens the file for reading. A null or empty path fails like a missing file.
  bool Open(const Utf16Char* path);
  bool Size(uint64_t* size);
  // One read of at most `length` bytes from `offset`: *got may be less, and is 0 only at the
  // end of the file.
  bool ReadAt(uint64_t offset, void* buffer, size_t length, size_t* got);

  // The system's message for the last failure, as the system words it (it may run over
  // several lines).
  Utf16String SystemMessage() const;
  // Record why reading can't go on: the file is too large to be indexed, or there is no
  // memory for it.
  void SetTooLarge();
  void SetOutOfMemory();

 private:
#ifdef _WIN32
  quenda::unique_hfile m_file;
  unsigned long m_nError = 0;
#else
  int m_fd = -1;
  int m_nError = 0;
#endif
};

// Reads `length` bytes from `offset`, or what there is up to the end of the file (*got is less
// when the file shrank since its size was taken).
inline bool XmlReadFully(CXmlFileReader* file, uint64_t offset, void* buffer, size_t length,
                         size_t* got) {
  *got = 0;
  while (*got < length) {
    size_t n = 0;
    if (!file->ReadAt(offset + *got, static_cast<char*>(buffer) + *got, length - *got, &n)) {
      return false;
    }
    if (n == 0) break;
    *got += n;
  }
  return true;
}

// Converts `length` bytes of code page `codePage` (0: the system's ANSI code page) to UTF-16,
// as MultiByteToWideChar does: with `out` null, returns how many units the conversion gives;
// otherwise writes them to `out` (at most `capacity`) and returns how many it wrote. Invalid
// input never fails: it is replaced as the platform does. A code page the platform can't
// convert with falls back to the ANSI code page. UTF-8 never gives more units than bytes.
size_t XmlConvertToUtf16(unsigned codePage, const char* bytes, size_t length, Utf16Char* out,
                         size_t capacity);
