#include "UIlib.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <new>
#include <vector>

namespace DuiLib {

// ---- CDuiString ---------------------------------------------------------------------------

CDuiString::CDuiString() : m_pstr(m_szBuffer), m_nLength(0) { m_szBuffer[0] = 0; }

CDuiString::CDuiString(const TCHAR ch) : m_pstr(m_szBuffer), m_nLength(1) {
  m_szBuffer[0] = ch;
  m_szBuffer[1] = 0;
}

CDuiString::CDuiString(LPCTSTR lpsz, int nLen) : m_pstr(m_szBuffer), m_nLength(0) {
  m_szBuffer[0] = 0;
  Assign(lpsz, nLen);
}

CDuiString::CDuiString(const CDuiString& src) : m_pstr(m_szBuffer), m_nLength(0) {
  m_szBuffer[0] = 0;
  Assign(src.m_pstr, src.m_nLength);
}

CDuiString::CDuiString(CDuiString&& src) noexcept : m_pstr(m_szBuffer), m_nLength(0) {
  m_szBuffer[0] = 0;
  *this = static_cast<CDuiString&&>(src);
}

CDuiString::~CDuiString() {
  if (m_pstr != m_szBuffer) free(m_pstr);
}

// Makes room for nLength characters and a terminating zero, keeping the current text.
void CDuiString::Reserve(int nLength) {
  if (nLength <= MAX_LOCAL_STRING_LEN) {
    if (m_pstr != m_szBuffer) {
      const int keep = m_nLength < nLength ? m_nLength : nLength;
      wmemcpy(m_szBuffer, m_pstr, keep);
      m_szBuffer[keep] = 0;
      free(m_pstr);
      m_pstr = m_szBuffer;
    }
    return;
  }
  const size_t bytes = (static_cast<size_t>(nLength) + 1) * sizeof(TCHAR);
  if (m_pstr == m_szBuffer) {
    LPTSTR p = static_cast<LPTSTR>(malloc(bytes));
    if (!p) throw std::bad_alloc();
    wmemcpy(p, m_szBuffer, m_nLength + 1);
    m_pstr = p;
  } else {
    LPTSTR p = static_cast<LPTSTR>(realloc(m_pstr, bytes));
    if (!p) throw std::bad_alloc();
    m_pstr = p;
  }
}

void CDuiString::Empty() {
  if (m_pstr != m_szBuffer) free(m_pstr);
  m_pstr = m_szBuffer;
  m_nLength = 0;
  m_szBuffer[0] = 0;
}

int CDuiString::GetLength() const { return m_nLength; }
bool CDuiString::IsEmpty() const { return m_nLength == 0; }
LPCTSTR CDuiString::GetData() const { return m_pstr; }
CDuiString::operator LPCTSTR() const { return m_pstr; }

TCHAR CDuiString::operator[](int nIndex) const {
  return (nIndex >= 0 && nIndex < m_nLength) ? m_pstr[nIndex] : 0;
}

void CDuiString::Assign(LPCTSTR pstr, int nLength) {
  if (pstr == NULL) pstr = L"";
  const int available = static_cast<int>(wcslen(pstr));
  if (nLength < 0 || nLength > available) nLength = available;
  if (pstr >= m_pstr && pstr <= m_pstr + m_nLength) {
    // Assigning a part of ourselves: copy it out first.
    CDuiString copy(pstr, nLength);
    *this = static_cast<CDuiString&&>(copy);
    return;
  }
  Reserve(nLength);
  wmemcpy(m_pstr, pstr, nLength);
  m_pstr[nLength] = 0;
  m_nLength = nLength;
}

void CDuiString::Append(LPCTSTR pstr) {
  if (pstr == NULL || *pstr == 0) return;
  const int add = static_cast<int>(wcslen(pstr));
  if (pstr >= m_pstr && pstr <= m_pstr + m_nLength) {
    CDuiString copy(pstr, add);
    Append(copy.m_pstr);
    return;
  }
  Reserve(m_nLength + add);
  wmemcpy(m_pstr + m_nLength, pstr, add + 1);
  m_nLength += add;
}

const CDuiString& CDuiString::operator=(const CDuiString& src) {
  if (this != &src) Assign(src.m_pstr, src.m_nLength);
  return *this;
}

const CDuiString& CDuiString::operator=(CDuiString&& src) noexcept {
  if (this == &src) return *this;
  if (src.m_pstr != src.m_szBuffer) {
    if (m_pstr != m_szBuffer) free(m_pstr);
    m_pstr = src.m_pstr;
    m_nLength = src.m_nLength;
    src.m_pstr = src.m_szBuffer;
    src.m_nLength = 0;
    src.m_szBuffer[0] = 0;
  } else {
    // Short texts fit the local buffer: no allocation, so nothing can fail here.
    Empty();
    wmemcpy(m_szBuffer, src.m_szBuffer, src.m_nLength + 1);
    m_nLength = src.m_nLength;
  }
  return *this;
}

const CDuiString& CDuiString::operator=(LPCTSTR pstr) {
  Assign(pstr);
  return *this;
}

const CDuiString& CDuiString::operator=(const TCHAR ch) {
  Empty();
  m_szBuffer[0] = ch;
  m_szBuffer[1] = 0;
  m_nLength = ch ? 1 : 0;
  return *this;
}

CDuiString CDuiString::operator+(const CDuiString& src) const {
  CDuiString s(*this);
  s.Append(src.m_pstr);
  return s;
}

CDuiString CDuiString::operator+(LPCTSTR pstr) const {
  CDuiString s(*this);
  s.Append(pstr);
  return s;
}

const CDuiString& CDuiString::operator+=(const CDuiString& src) {
  Append(src.m_pstr);
  return *this;
}

const CDuiString& CDuiString::operator+=(LPCTSTR pstr) {
  Append(pstr);
  return *this;
}

const CDuiString& CDuiString::operator+=(const TCHAR ch) {
  if (ch == 0) return *this;
  Reserve(m_nLength + 1);
  m_pstr[m_nLength++] = ch;
  m_pstr[m_nLength] = 0;
  return *this;
}

bool CDuiString::operator==(LPCTSTR str) const { return Compare(str) == 0; }
bool CDuiString::operator!=(LPCTSTR str) const { return Compare(str) != 0; }
int CDuiString::Compare(LPCTSTR pstr) const { return wcscmp(m_pstr, pstr ? pstr : L""); }

namespace {
// Formats with the Microsoft conventions of the system's C runtime, whatever printf the
// compiler's own runtime would pick: %s is a wide string in a wide format.
int FormatInto(CDuiString* out, LPCTSTR format, va_list args) {
  if (format == NULL) {
    out->Empty();
    return 0;
  }
  va_list copy;
  va_copy(copy, args);
  const int length = _vscwprintf(format, copy);
  va_end(copy);
  if (length <= 0) {
    out->Empty();
    return 0;
  }
  std::vector<TCHAR> buffer(static_cast<size_t>(length) + 1);
  const int written = _vsnwprintf(buffer.data(), buffer.size(), format, args);
  buffer[written >= 0 && written <= length ? written : length] = 0;
  out->Assign(buffer.data());
  return out->GetLength();
}
}  // namespace

int CDuiString::Format(LPCTSTR pstrFormat, ...) {
  va_list args;
  va_start(args, pstrFormat);
  const int n = FormatInto(this, pstrFormat, args);
  va_end(args);
  return n;
}

bool operator==(LPCTSTR lhs, const CDuiString& rhs) { return rhs.Compare(lhs) == 0; }
bool operator!=(LPCTSTR lhs, const CDuiString& rhs) { return rhs.Compare(lhs) != 0; }
bool operator==(const CDuiString& lhs, const CDuiString& rhs) {
  return lhs.Compare(rhs.GetData()) == 0;
}
bool operator!=(const CDuiString& lhs, const CDuiString& rhs) {
  return lhs.Compare(rhs.GetData()) != 0;
}
CDuiString operator+(LPCTSTR lhs, const CDuiString& rhs) {
  CDuiString s(lhs);
  s += rhs;
  return s;
}

}  // namespace DuiLib
