// The native stand-in for the Win32 edge of LoadFile: POSIX files, strerror, iconv, and a
// UTF-8 decoder that converts as MultiByteToWideChar does.
#ifndef _WIN32

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "XmlEncoding.h"
#include "XmlPlatform.h"

CXmlFileReader::~CXmlFileReader() {
  if (m_fd >= 0) ::close(m_fd);
}

bool CXmlFileReader::Open(const Utf16Char* path) {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (path == nullptr || path[0] == 0) {
    m_nError = ENOENT;
    return false;
  }
  const int fd = ::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    m_nError = errno;
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    m_nError = EISDIR;
    return false;
  }
  m_fd = fd;
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
  ssize_t n;
  do {
    n = ::pread(m_fd, buffer, length, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    m_nError = errno;
    return false;
  }
  *got = static_cast<size_t>(n);
  return true;
}

void CXmlFileReader::SetTooLarge() { m_nError = EFBIG; }

void CXmlFileReader::SetOutOfMemory() { m_nError = ENOMEM; }

Utf16String CXmlFileReader::SystemMessage() const { return Utf8ToUtf16(std::strerror(m_nError)); }

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
// bytes come out; returns how many.
size_t DecodeUtf8(const unsigned char* s, size_t length, Utf16Char* out) {
  const uint64_t highs = 0x8080808080808080ull;
  size_t i = 0;
  size_t n = 0;
  while (i < length) {
    if (length - i >= 8) {
      uint64_t chunk;
      std::memcpy(&chunk, s + i, 8);
      if ((chunk & highs) == 0) {
        WidenAscii8(chunk, out + n);
        i += 8;
        n += 8;
        continue;
      }
    }
    const unsigned char b = s[i];
    if (b < 0x80) {
      out[n++] = b;
      ++i;
      continue;
    }
    const size_t left = length - i;
    const size_t want = b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4);
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
      for (size_t k = 1; ok && k < want; ++k) {
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

size_t XmlConvertToUtf16(unsigned codePage, const char* bytes, size_t length, Utf16Char* out,
                         size_t capacity) {
  if (length == 0) return 0;
  const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
  if (codePage == XML_CP_UTF8 && out != nullptr && capacity >= length) {
    return DecodeUtf8(in, length, out);
  }
  Utf16String converted;
  if (codePage == XML_CP_UTF8) {
    converted.resize(length);
    converted.resize(DecodeUtf8(in, length, &converted[0]));
  } else {
    const char* name = IconvName(codePage);
    if ((name == nullptr || !ConvertWithIconv(name, bytes, length, &converted)) &&
        !ConvertWithIconv("CP1252", bytes, length, &converted)) {
      // Without iconv's tables: Latin-1, which maps every byte.
      converted.assign(in, in + length);
    }
  }
  if (out == nullptr) return converted.size();
  const size_t n = converted.size() < capacity ? converted.size() : capacity;
  std::memcpy(out, converted.data(), n * sizeof(Utf16Char));
  return n;
}

#endif  // !_WIN32
