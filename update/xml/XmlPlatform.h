// The platform edge of CXmlDoc::LoadFile: reading a file, the system's error texts and the
// code-page conversion. Windows uses the Win32 file API, FormatMessageW and
// MultiByteToWideChar; elsewhere POSIX files, strerror and iconv stand in for them, so that
// loading runs (and is fuzzed) natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Utf16.h"
#include "XmlTextBuffer.h"

class CXmlFileReader {
 public:
  CXmlFileReader() = default;
  ~CXmlFileReader();
  CXmlFileReader(const CXmlFileReader&) = delete;
  CXmlFileReader& operator=(const CXmlFileReader&) = delete;

  // Opens the file for reading. A null or empty path fails like a missing file.
  bool Open(const Utf16Char* path);
  bool Size(uint64_t* size);
  // Reads up to `length` bytes from `offset`; *got is what was read (less at the end).
  bool ReadAt(uint64_t offset, void* buffer, size_t length, size_t* got);
  void Close();

  // The system's message for the last failure: its first line, at most 100 characters.
  Utf16String ErrorText() const;
  // Records that the file is too large to be read into memory.
  void SetTooLarge();

 private:
#ifdef _WIN32
  void* m_hFile = nullptr;  // HANDLE; INVALID_HANDLE_VALUE is never kept
  unsigned long m_nError = 0;
#else
  int m_fd = -1;
  int m_nError = 0;
#endif
};

// Converts `length` bytes of code page `codePage` (0: the system's ANSI code page) to UTF-16.
// Invalid input never fails: it is replaced as the platform does. A code page the platform
// can't convert falls back to the ANSI code page.
void XmlConvertToUtf16(unsigned codePage, const char* bytes, size_t length, Utf16String* out);

// Converting a loaded document's bytes, which lie in the upper half of its own text buffer
// (byteOffset >= byteLength), to UTF-16 in that buffer, leaving out zero bytes. Where the
// platform allows, this goes in pieces as indexing asks for them, so that each piece is
// indexed while it is still in the cache; otherwise Start converts everything at once.
class CXmlConversion {
 public:
  // False when there is no memory for the converted text.
  bool Start(unsigned codePage, XmlTextBuffer* buffer, size_t byteOffset, size_t byteLength);
  // Units converted so far, from the start of the buffer.
  size_t Ready() const { return m_nOut; }
  bool Finished() const { return m_nIn >= m_nInLength; }
  // Converts the next piece; returns Ready().
  size_t Continue();
  // Once finished: the buffer shrinks to the converted text.
  void Finish();
  // Zero bytes left out.
  size_t RemovedZeros() const { return m_nZeros; }

 private:
  XmlTextBuffer* m_pBuffer = nullptr;
  unsigned char* m_pIn = nullptr;  // the bytes still to convert in pieces
  size_t m_nInLength = 0;
  size_t m_nIn = 0;
  size_t m_nOut = 0;
  size_t m_nZeros = 0;
};
