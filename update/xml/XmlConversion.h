// Turning a loaded file's UTF-8 bytes into the document text a piece at a time, as indexing
// asks for more (CXmlDoc::BuildIndex), so that each piece is indexed while it is still in the
// cache. The bytes come from the file, read a piece at a time, or from memory. Each piece
// loses its zero bytes and goes through the platform's code-page conversion.
//
// A piece is cut only where three ASCII bytes end it: no sequence that starts before such a
// point, valid or not, can reach past it, so converting in pieces gives exactly what
// converting the whole would (what is behind the cut waits for the next piece). A stretch
// without such a point (a long run of CJK text) makes the piece longer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "XmlTextBuffer.h"

class CXmlFileReader;

class CXmlConversion {
 public:
  // `length` bytes of `file` from `offset`. `text` must hold `length` units (UTF-8 never gives
  // more units than bytes); they are written from its start.
  void FromFile(CXmlFileReader* file, uint64_t offset, size_t length, XmlTextBuffer* text);
  // `length` bytes already in memory, in the upper half of `text` itself (from byte
  // text->size() on, with text->size() >= length): each piece is copied out before its units
  // are written, and the units written never reach the bytes not yet taken.
  void FromMemory(const char* bytes, size_t length, XmlTextBuffer* text);

  // Units converted so far, from the start of the text.
  size_t Ready() const { return m_nOut; }
  bool Finished() const { return m_bEnd && m_nCarry == 0; }
  // Converts pieces until at least `atLeast` more units are ready (fewer only at the end);
  // returns Ready().
  size_t Continue(size_t atLeast);
  // Once finished: the text shrinks to the converted units.
  void Finish();

  size_t BytesRead() const { return m_nTaken; }
  size_t RemovedZeros() const { return m_nZeros; }
  // Reading the file failed (its SystemMessage says why); what was read is converted.
  bool Failed() const { return m_bFailed; }

 private:
  void Start(size_t length, XmlTextBuffer* text);
  void ConvertPiece();

  XmlTextBuffer* m_pText = nullptr;
  CXmlFileReader* m_pFile = nullptr;
  uint64_t m_nOffset = 0;
  const char* m_pBytes = nullptr;
  size_t m_nLength = 0;  // bytes to take from the file or from memory
  size_t m_nTaken = 0;
  bool m_bEnd = true;  // everything taken (or the file ended early, or failed)
  bool m_bFailed = false;
  std::vector<char> m_piece;
  size_t m_nCarry = 0;  // bytes at the front of m_piece that wait for the next piece
  size_t m_nOut = 0;
  size_t m_nZeros = 0;
};
