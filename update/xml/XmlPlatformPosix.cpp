// The native stand-in for the Win32 edge of LoadFile: POSIX files, strerror and iconv.
#ifndef _WIN32

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "XmlEncoding.h"
#include "XmlPlatform.h"

CXmlFileReader::~CXmlFileReader() { Close(); }

bool CXmlFileReader::Open(const Utf16Char* path) {
  Close();
  if (path == nullptr || path[0] == 0) {
    m_nError = ENOENT;
    return false;
  }
  const std::string name = Utf16ToUtf8(path);
  m_fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (m_fd < 0) {
    m_nError = errno;
    return false;
  }
  struct stat st;
  if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    Close();
    m_nError = EISDIR;
    return false;
  }
  return true;
}

bool CXmlFileReader::Size(uint64_t* size) {
  struct stat st;
  if (::fstat(m_fd, &st) != 0) {
    m_nError = errno;
    return false;
  }
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool CXmlFileReader::ReadAt(uint64_t offset, void* buffer, size_t length, size_t* got) {
  *got = 0;
  char* out = static_cast<char*>(buffer);
  while (*got < length) {
    const ssize_t n = ::pread(m_fd, out + *got, length - *got, static_cast<off_t>(offset + *got));
    if (n < 0) {
      if (errno == EINTR) continue;
      m_nError = errno;
      return false;
    }
    if (n == 0) break;  // the file ended early (it shrank since its size was taken)
    *got += static_cast<size_t>(n);
  }
  return true;
}

void CXmlFileReader::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void CXmlFileReader::SetTooLarge() { m_nError = EFBIG; }

void CXmlFileReader::SetOutOfMemory() { m_nError = ENOMEM; }

Utf16String CXmlFileReader::ErrorText() const {
  Utf16String text = Utf8ToUtf16(std::strerror(m_nError));
  const size_t eol = text.find_first_of(u"\r\n");
  if (eol != Utf16String::npos) text.resize(eol);
  if (text.size() > 100) text.resize(100);
  return text;
}

namespace {

// Eight ASCII bytes, as loaded into `chunk`, stored as eight UTF-16 units: each half is
// spread into 16-bit lanes with shifts and masks, then stored whole.
inline void WidenAscii8(uint64_t chunk, Utf16Char* out) {
  const uint16_t probe = 1;
  unsigned char first;
  std::memcpy(&first, &probe, 1);
  if (first != 1) {  // big-endian: lanes in the other order (folded away at compile time)
    unsigned char ascii[8];
    std::memcpy(ascii, &chunk, 8);
    for (int k = 0; k < 8; ++k) out[k] = ascii[k];
    return;
  }
  uint64_t lanes[2];
  for (int half = 0; half < 2; ++half) {
    uint64_t x = (chunk >> (32 * half)) & 0xFFFFFFFFull;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
    lanes[half] = x;
  }
  std::memcpy(out, lanes, sizeof lanes);
}

// UTF-8 as MultiByteToWideChar converts it: every byte that starts no valid sequence
// (overlong forms, surrogates and values past U+10FFFF included) becomes U+FFFD. Runs of
// ASCII, the bulk of any XML file, are widened eight bytes at a time. Never more units than
// bytes come out, and every unit is written only after the bytes it comes from were read, so
// `out` may share storage with the input as long as its bytes never overtake the input's
// unread part (as when converting in place from the upper half of the text buffer).
//
// Decodes the sequences that start in s[*pos, stop) (the last may end after `stop`, within
// *length), advances *pos past them and returns the count of units written. With kDropZeros,
// zero bytes are left out as if removed beforehand: at the first one met, the rest of the
// input is closed up (so *length shrinks and *zeros counts them), which costs nothing for the
// usual file without any. Otherwise a zero byte is U+0000 like any ASCII.
//
// Unless `final`, decoding stops while fewer than 4 bytes are left: they may be a sequence cut
// off at the end of a piece read from a file, to be completed by the next piece.
template <bool kDropZeros>
size_t DecodeUtf8(unsigned char* s, size_t* length, size_t* pos, size_t stop, bool final,
                  Utf16Char* out, size_t* zeros) {
  const uint64_t ones = 0x0101010101010101ull;
  const uint64_t highs = 0x8080808080808080ull;
  size_t i = *pos;
  size_t n = 0;
  while (i < stop && i < *length && (final || *length - i >= 4)) {
    if (*length - i >= 8) {
      uint64_t chunk;
      std::memcpy(&chunk, s + i, 8);
      // No byte of 0x80 or above, and (then) none that is zero.
      if (((kDropZeros ? chunk | (chunk - ones) : chunk) & highs) == 0) {
        WidenAscii8(chunk, out + n);
        i += 8;
        n += 8;
        continue;
      }
    }
    const unsigned char b = s[i];
    if (kDropZeros && b == 0) {
      size_t rest = *length - i;
      *zeros += XmlRemoveZeroBytes(reinterpret_cast<char*>(s + i), &rest);
      *length = i + rest;
      continue;
    }
    if (b < 0x80) {
      out[n++] = b;
      ++i;
      continue;
    }
    // A zero byte inside the sequence is not part of it: close up first.
    const size_t want = b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4);
    size_t k = 1;
    while (kDropZeros && k < want && i + k < *length && s[i + k] != 0) ++k;
    if (kDropZeros && k < want && i + k < *length) {
      size_t rest = *length - i - k;
      *zeros += XmlRemoveZeroBytes(reinterpret_cast<char*>(s + i + k), &rest);
      *length = i + k + rest;
      continue;
    }
    const size_t left = *length - i;
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b >= 0xE0 && b <= 0xEF && left >= 3) {
      // Three bytes: all of CJK.
      const unsigned char b1 = s[i + 1];
      const unsigned char b2 = s[i + 2];
      const uint32_t v = ((b & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && v >= 0x800 &&
          !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
        len = 3;
      }
    } else if (b >= 0xC2 && b <= 0xF4 && left >= want) {
      uint32_t v = b & (0x3F >> (want - 1));
      bool ok = true;
      for (k = 1; ok && k < want; ++k) {
        ok = (s[i + k] & 0xC0) == 0x80;
        v = (v << 6) | (s[i + k] & 0x3F);
      }
      static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
      if (ok && v >= kMin[want] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
        len = want;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out[n++] = static_cast<Utf16Char>(0xD800 + (cp >> 10));
      out[n++] = static_cast<Utf16Char>(0xDC00 + (cp & 0x3FF));
    } else {
      out[n++] = static_cast<Utf16Char>(cp);
    }
    i += len;
  }
  *pos = i;
  return n;
}

// glibc's names for the code pages it can convert. Others (and the ANSI code page, taken to
// be Windows' Western default here) convert as windows-1252.
struct IconvCodePage {
  unsigned codePage;
  const char* name;
};
const IconvCodePage kIconvNames[] = {
    {37, "IBM037"},         {420, "IBM420"},         {437, "CP437"},         {708, "ASMO-708"},
    {737, "CP737"},         {775, "CP775"},          {850, "CP850"},         {852, "CP852"},
    {857, "CP857"},         {861, "CP861"},          {862, "CP862"},         {866, "CP866"},
    {869, "CP869"},         {870, "IBM870"},         {874, "CP874"},         {875, "IBM875"},
    {932, "CP932"},         {936, "CP936"},          {949, "CP949"},         {950, "CP950"},
    {1026, "IBM1026"},      {1140, "IBM1140"},       {1142, "IBM1142"},      {1143, "IBM1143"},
    {1144, "IBM1144"},      {1145, "IBM1145"},       {1146, "IBM1146"},      {1147, "IBM1147"},
    {1148, "IBM1148"},      {1149, "IBM1149"},       {1250, "CP1250"},       {1251, "CP1251"},
    {1252, "CP1252"},       {1253, "CP1253"},        {1254, "CP1254"},       {1255, "CP1255"},
    {1256, "CP1256"},       {1257, "CP1257"},        {1258, "CP1258"},       {1361, "JOHAB"},
    {10000, "MACINTOSH"},   {10007, "MAC-CYRILLIC"}, {10079, "MAC-IS"},      {20106, "ISO646-DE"},
    {20107, "ISO646-SE"},   {20108, "ISO646-NO"},    {20127, "ASCII"},       {20273, "IBM273"},
    {20277, "IBM277"},      {20278, "IBM278"},       {20280, "IBM280"},      {20284, "IBM284"},
    {20285, "IBM285"},      {20290, "IBM290"},       {20423, "IBM423"},      {20424, "IBM424"},
    {20866, "KOI8-R"},      {20873, "IBM871"},       {20880, "IBM880"},      {20905, "IBM905"},
    {21025, "IBM1025"},     {21866, "KOI8-U"},       {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},   {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},   {28599, "ISO-8859-9"},  {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8"},  {50220, "ISO-2022-JP"},  {50221, "ISO-2022-JP"}, {50222, "ISO-2022-JP"},
    {50225, "ISO-2022-KR"}, {50930, "IBM930"},       {50933, "IBM933"},      {50935, "IBM935"},
    {50937, "IBM937"},      {50939, "IBM939"},       {51932, "EUC-JP"},      {51936, "EUC-CN"},
    {51949, "EUC-KR"},      {65000, "UTF-7"},
};

const char* IconvName(unsigned codePage) {
  for (const IconvCodePage& row : kIconvNames) {
    if (row.codePage == codePage) return row.name;
  }
  return nullptr;
}

bool ConvertWithIconv(const char* from, const char* bytes, size_t length, Utf16String* out) {
  iconv_t cd = iconv_open("UTF-16LE", from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string wide(length * 2 + 16, '\0');
  char* in = const_cast<char*>(bytes);
  size_t inLeft = length;
  size_t used = 0;
  auto put = [&](const char* outBytes, size_t n) {
    if (wide.size() - used < n) wide.resize(wide.size() * 2 + n);
    std::memcpy(&wide[used], outBytes, n);
    used += n;
  };
  for (;;) {
    char* outPtr = &wide[used];
    size_t outLeft = wide.size() - used;
    const size_t r = inLeft != 0 ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                                 : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    const int error = errno;
    used = wide.size() - outLeft;
    if (r != static_cast<size_t>(-1)) {
      if (inLeft == 0) break;
      continue;
    }
    if (error == E2BIG) {
      wide.resize(wide.size() * 2);
    } else if (error == EILSEQ || error == EINVAL) {
      // Invalid or cut-off input never fails the conversion: it becomes U+FFFD.
      static const char kReplacement[2] = {'\xFD', '\xFF'};
      put(kReplacement, 2);
      if (error == EINVAL) inLeft = 0;
      if (inLeft != 0) {
        ++in;
        --inLeft;
      }
    } else {
      break;
    }
  }
  iconv_close(cd);
  out->resize(used / 2);
  const unsigned char* w = reinterpret_cast<const unsigned char*>(wide.data());
  for (size_t i = 0; i < used / 2; ++i) {
    (*out)[i] = static_cast<Utf16Char>(w[2 * i] | (w[2 * i + 1] << 8));
  }
  return true;
}

}  // namespace

void XmlConvertToUtf16(unsigned codePage, const char* bytes, size_t length, Utf16String* out) {
  out->clear();
  if (length == 0) return;
  if (codePage == XML_CP_UTF8) {
    // Keeping zero bytes, the decoder never writes to its input.
    unsigned char* in = const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(bytes));
    size_t left = length;
    size_t pos = 0;
    size_t zeros = 0;
    out->resize(length);
    out->resize(DecodeUtf8<false>(in, &left, &pos, length, true, &(*out)[0], &zeros));
    return;
  }
  const char* name = IconvName(codePage);
  if (name != nullptr && ConvertWithIconv(name, bytes, length, out)) return;
  if (ConvertWithIconv("CP1252", bytes, length, out)) return;
  // Without iconv's tables: Latin-1, which maps every byte.
  out->resize(length);
  for (size_t i = 0; i < length; ++i) (*out)[i] = static_cast<unsigned char>(bytes[i]);
}

namespace {

// Bytes converted per piece: what they become stays in the cache until it is indexed.
const size_t kPiece = 32 * 1024;

}  // namespace

bool CXmlConversion::Start(unsigned codePage, XmlTextBuffer* buffer, size_t byteOffset,
                           size_t byteLength) {
  m_pBuffer = buffer;
  char* bytes = reinterpret_cast<char*>(buffer->data()) + byteOffset;
  if (codePage == XML_CP_UTF8) {
    // In place and in pieces (Continue).
    m_pIn = reinterpret_cast<unsigned char*>(bytes);
    m_nInLength = byteLength;
    return true;
  }
  m_nZeros = XmlRemoveZeroBytes(bytes, &byteLength);
  try {
    Utf16String converted;
    XmlConvertToUtf16(codePage, bytes, byteLength, &converted);
    XmlTextBuffer out(converted.begin(), converted.end());
    buffer->swap(out);
  } catch (const std::bad_alloc&) {
    return false;
  }
  m_nOut = buffer->size();
  return true;
}

bool CXmlConversion::StartReading(unsigned codePage, XmlTextBuffer* buffer, CXmlFileReader* file,
                                  uint64_t offset, size_t length) {
  try {
    buffer->resize(length);  // never more units than bytes
    if (codePage == XML_CP_UTF8) m_piece.resize(kPiece + 4);
  } catch (const std::bad_alloc&) {
    file->SetOutOfMemory();
    return false;
  }
  if (codePage == XML_CP_UTF8) {
    // Read as converted (Continue), a piece at a time.
    m_pBuffer = buffer;
    m_pFile = file;
    m_nFileOffset = offset;
    m_nToRead = length;
    return true;
  }
  const size_t byteOffset = length * sizeof(Utf16Char) - length;
  size_t got = 0;
  if (!file->ReadAt(offset, reinterpret_cast<char*>(buffer->data()) + byteOffset, length, &got)) {
    return false;
  }
  m_nRead = got;
  if (!Start(codePage, buffer, byteOffset, got)) {
    file->SetOutOfMemory();
    return false;
  }
  return true;
}

bool CXmlConversion::Finished() const {
  if (m_pFile != nullptr) return m_bEndOfFile && m_nPiecePos >= m_nPieceLength;
  return m_nIn >= m_nInLength;
}

size_t CXmlConversion::Continue() {
  Utf16Char* out = m_pBuffer->data() + m_nOut;
  if (m_pFile == nullptr) {
    if (m_pIn != nullptr) {
      const size_t stop = m_nInLength - m_nIn > kPiece ? m_nIn + kPiece : m_nInLength;
      m_nOut += DecodeUtf8<true>(m_pIn, &m_nInLength, &m_nIn, stop, true, out, &m_nZeros);
    }
    return m_nOut;
  }
  if (Finished()) return m_nOut;
  // What the last piece left (at most 3 bytes of a cut-off sequence) goes to the front.
  const size_t carry = m_nPieceLength - m_nPiecePos;
  std::memmove(m_piece.data(), m_piece.data() + m_nPiecePos, carry);
  const size_t want = m_nToRead - m_nRead < kPiece ? m_nToRead - m_nRead : kPiece;
  size_t got = 0;
  if (!m_pFile->ReadAt(m_nFileOffset + m_nRead, m_piece.data() + carry, want, &got)) {
    m_bFailed = true;
  }
  m_nRead += got;
  if (m_bFailed || got < want || m_nRead == m_nToRead) m_bEndOfFile = true;
  m_nPieceLength = carry + got;
  m_nPiecePos = 0;
  m_nOut += DecodeUtf8<true>(m_piece.data(), &m_nPieceLength, &m_nPiecePos, m_nPieceLength,
                             m_bEndOfFile, out, &m_nZeros);
  return m_nOut;
}

void CXmlConversion::Finish() {
  if (m_pIn != nullptr || m_pFile != nullptr) m_pBuffer->resize(m_nOut);
}

#endif  // !_WIN32
