#include "XmlConversion.h"

#include <cstring>

#include "XmlEncoding.h"
#include "XmlPlatform.h"

namespace {

// Bytes taken per piece: what they become stays in the cache until it is indexed.
const size_t kPiece = 32 * 1024;

// The last point in piece[0, length) where three ASCII bytes end, looking only at points past
// `from` (the bytes before were looked at with the previous piece); 0 when there is none.
size_t LastCut(const char* piece, size_t from, size_t length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(piece);
  for (size_t end = length; end > from && end >= 3; --end) {
    if (((p[end - 1] | p[end - 2] | p[end - 3]) & 0x80) == 0) return end;
  }
  return 0;
}

}  // namespace

void CXmlConversion::Start(size_t length, XmlTextBuffer* text) {
  m_pText = text;
  m_nLength = length;
  m_bEnd = length == 0;
  m_piece.reserve(kPiece + 64);
}

void CXmlConversion::FromFile(CXmlFileReader* file, uint64_t offset, size_t length,
                              XmlTextBuffer* text) {
  Start(length, text);
  m_pFile = file;
  m_nOffset = offset;
}

void CXmlConversion::FromMemory(const char* bytes, size_t length, XmlTextBuffer* text) {
  Start(length, text);
  m_pBytes = bytes;
}

size_t CXmlConversion::Continue(size_t atLeast) {
  const size_t target = m_nOut + (atLeast != 0 ? atLeast : 1);
  while (!Finished() && m_nOut < target) ConvertPiece();
  return m_nOut;
}

// Takes the next bytes behind what the last piece left, without their zero bytes, and
// converts up to the last cut (everything, once all is taken).
void CXmlConversion::ConvertPiece() {
  const size_t want = m_nLength - m_nTaken < kPiece ? m_nLength - m_nTaken : kPiece;
  if (m_piece.size() < m_nCarry + want) m_piece.resize(m_nCarry + want);
  char* fresh = m_piece.data() + m_nCarry;
  size_t got = 0;
  if (m_pFile != nullptr) {
    m_bFailed = !XmlReadFully(m_pFile, m_nOffset + m_nTaken, fresh, want, &got);
  } else {
    std::memcpy(fresh, m_pBytes + m_nTaken, want);
    got = want;
  }
  m_nTaken += got;
  if (m_bFailed || got < want || m_nTaken == m_nLength) m_bEnd = true;
  m_nZeros += XmlRemoveZeroBytes(fresh, &got);

  const size_t length = m_nCarry + got;
  const size_t cut = m_bEnd ? length : LastCut(m_piece.data(), m_nCarry, length);
  m_nOut += XmlConvertToUtf16(XML_CP_UTF8, m_piece.data(), cut, m_pText->data() + m_nOut,
                              m_pText->size() - m_nOut);
  m_nCarry = length - cut;
  std::memmove(m_piece.data(), m_piece.data() + cut, m_nCarry);
}

void CXmlConversion::Finish() {
  if (m_pText != nullptr) m_pText->resize(m_nOut);
}
