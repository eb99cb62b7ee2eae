// The native stand-in for the Win32 edge of LoadFile: POSIX files, strerror and iconv.
#ifndef _WIN32

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

Utf16String CXmlFileReader::ErrorText() const {
  Utf16String text = Utf8ToUtf16(std::strerror(m_nError));
  const size_t eol = text.find_first_of(u"\r\n");
  if (eol != Utf16String::npos) text.resize(eol);
  if (text.size() > 100) text.resize(100);
  return text;
}

namespace {

// UTF-8 as MultiByteToWideChar converts it: every byte that starts no valid sequence
// (overlong forms, surrogates and values past U+10FFFF included) becomes U+FFFD. Runs of
// ASCII, the bulk of any XML file, are widened eight bytes at a time.
void Utf8ToUtf16Fast(const char* bytes, size_t length, Utf16String* out) {
  out->resize(length);  // never more units than bytes
  Utf16Char* u = &(*out)[0];
  const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  size_t n = 0;
  while (i < length) {
    if (i + 8 <= length) {
      uint64_t chunk;
      std::memcpy(&chunk, s + i, 8);
      if ((chunk & 0x8080808080808080ull) == 0) {
        for (int k = 0; k < 8; ++k) u[n + k] = s[i + k];
        i += 8;
        n += 8;
        continue;
      }
    }
    const unsigned char b = s[i];
    if (b < 0x80) {
      u[n++] = b;
      ++i;
      continue;
    }
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b >= 0xC2 && b <= 0xF4) {
      const size_t want = b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4);
      uint32_t v = b & (0x3F >> (want - 1));
      bool ok = i + want <= length;
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
      u[n++] = static_cast<Utf16Char>(0xD800 + (cp >> 10));
      u[n++] = static_cast<Utf16Char>(0xDC00 + (cp & 0x3FF));
    } else {
      u[n++] = static_cast<Utf16Char>(cp);
    }
    i += len;
  }
  out->resize(n);
}

// glibc's names for the code pages it can convert. Others (and the ANSI code page, taken to
// be Windows' Western default here) convert as windows-1252.
const char* IconvName(unsigned codePage) {
  switch (codePage) {
    case 37:
      return "IBM037";
    case 420:
      return "IBM420";
    case 437:
      return "CP437";
    case 708:
      return "ASMO-708";
    case 737:
      return "CP737";
    case 775:
      return "CP775";
    case 850:
      return "CP850";
    case 852:
      return "CP852";
    case 857:
      return "CP857";
    case 861:
      return "CP861";
    case 862:
      return "CP862";
    case 866:
      return "CP866";
    case 869:
      return "CP869";
    case 870:
      return "IBM870";
    case 874:
      return "CP874";
    case 875:
      return "IBM875";
    case 932:
      return "CP932";
    case 936:
      return "CP936";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
    case 1026:
      return "IBM1026";
    case 1140:
      return "IBM1140";
    case 1142:
      return "IBM1142";
    case 1143:
      return "IBM1143";
    case 1144:
      return "IBM1144";
    case 1145:
      return "IBM1145";
    case 1146:
      return "IBM1146";
    case 1147:
      return "IBM1147";
    case 1148:
      return "IBM1148";
    case 1149:
      return "IBM1149";
    case 1250:
      return "CP1250";
    case 1251:
      return "CP1251";
    case 1252:
      return "CP1252";
    case 1253:
      return "CP1253";
    case 1254:
      return "CP1254";
    case 1255:
      return "CP1255";
    case 1256:
      return "CP1256";
    case 1257:
      return "CP1257";
    case 1258:
      return "CP1258";
    case 1361:
      return "JOHAB";
    case 10000:
      return "MACINTOSH";
    case 10007:
      return "MAC-CYRILLIC";
    case 10079:
      return "MAC-IS";
    case 20106:
      return "ISO646-DE";
    case 20107:
      return "ISO646-SE";
    case 20108:
      return "ISO646-NO";
    case 20127:
      return "ASCII";
    case 20273:
      return "IBM273";
    case 20277:
      return "IBM277";
    case 20278:
      return "IBM278";
    case 20280:
      return "IBM280";
    case 20284:
      return "IBM284";
    case 20285:
      return "IBM285";
    case 20290:
      return "IBM290";
    case 20423:
      return "IBM423";
    case 20424:
      return "IBM424";
    case 20866:
      return "KOI8-R";
    case 20873:
      return "IBM871";
    case 20880:
      return "IBM880";
    case 20905:
      return "IBM905";
    case 21025:
      return "IBM1025";
    case 21866:
      return "KOI8-U";
    case 28591:
      return "ISO-8859-1";
    case 28592:
      return "ISO-8859-2";
    case 28593:
      return "ISO-8859-3";
    case 28594:
      return "ISO-8859-4";
    case 28595:
      return "ISO-8859-5";
    case 28596:
      return "ISO-8859-6";
    case 28597:
      return "ISO-8859-7";
    case 28598:
      return "ISO-8859-8";
    case 28599:
      return "ISO-8859-9";
    case 28605:
      return "ISO-8859-15";
    case 38598:
      return "ISO-8859-8";
    case 50220:
      return "ISO-2022-JP";
    case 50221:
      return "ISO-2022-JP";
    case 50222:
      return "ISO-2022-JP";
    case 50225:
      return "ISO-2022-KR";
    case 50930:
      return "IBM930";
    case 50933:
      return "IBM933";
    case 50935:
      return "IBM935";
    case 50937:
      return "IBM937";
    case 50939:
      return "IBM939";
    case 51932:
      return "EUC-JP";
    case 51936:
      return "EUC-CN";
    case 51949:
      return "EUC-KR";
    case 65000:
      return "UTF-7";
    default:
      return nullptr;
  }
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
  if (codePage == XML_CP_UTF8) return Utf8ToUtf16Fast(bytes, length, out);
  const char* name = IconvName(codePage);
  if (name != nullptr && ConvertWithIconv(name, bytes, length, out)) return;
  if (ConvertWithIconv("CP1252", bytes, length, out)) return;
  // Without iconv's tables: Latin-1, which maps every byte.
  out->resize(length);
  for (size_t i = 0; i < length; ++i) (*out)[i] = static_cast<unsigned char>(bytes[i]);
}

#endif  // !_WIN32
