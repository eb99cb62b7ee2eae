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
  // Record why reading can't go on: the file is too large to be indexed, or there is no
  // memory for it.
  void SetTooLarge();
  void SetOutOfMemory();

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

// Converting a loaded document's 8-bit bytes to UTF-16 in its own text buffer, leaving out
// zero bytes. Where the platform allows, this goes in pieces as indexing asks for them, so
// that each piece is indexed while it is still in the cache; otherwise everything is converted
// at once when it starts.
class CXmlConversion {
 public:
  // Converts bytes that lie in the upper half of `buffer` (byteOffset >= byteLength). False
  // when there is no memory for the converted text.
  bool Start(unsigned codePage, XmlTextBuffer* buffer, size_t byteOffset, size_t byteLength);
  // Reads `length` bytes of `file` from `offset` and converts them into `buffer`: in pieces,
  // each read just before it is converted, where the platform allows; otherwise read in one
  // piece into the upper half of the buffer and converted at once. False when reading failed
  // (the file's ErrorText says why) or there is no memory; a read that fails later leaves
  // Failed() set.
  bool StartReading(unsigned codePage, XmlTextBuffer* buffer, CXmlFileReader* file, uint64_t offset,
                    size_t length);

  // Units converted so far, from the start of the buffer.
  size_t Ready() const { return m_nOut; }
  bool Finished() const;
  // Converts the next piece; returns Ready().
  size_t Continue();
  // Once finished: the buffer shrinks to the converted text.
  void Finish();

  size_t RemovedZeros() const { return m_nZeros; }
  size_t BytesRead() const { return m_nRead; }
  bool Failed() const { return m_bFailed; }

 private:
  XmlTextBuffer* m_pBuffer = nullptr;
  size_t m_nOut = 0;
  size_t m_nZeros = 0;
  size_t m_nRead = 0;
  bool m_bFailed = false;
  // Converting bytes held in memory, piece by piece.
  unsigned char* m_pIn = nullptr;
  size_t m_nInLength = 0;
  size_t m_nIn = 0;
  // Reading as it converts: the file, what is left to read, and the piece last read (whose
  // unconverted tail, a cut-off sequence, moves to the front before the next read).
  CXmlFileReader* m_pFile = nullptr;
  uint64_t m_nFileOffset = 0;
  size_t m_nToRead = 0;
  bool m_bEndOfFile = false;
  std::vector<unsigned char> m_piece;
  size_t m_nPieceLength = 0;
  size_t m_nPiecePos = 0;
};
