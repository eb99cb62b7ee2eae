#include "UIlib.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <new>

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
  if (src.m_pstr != src.m_szBuffer) {
    m_pstr = src.m_pstr;
    m_nLength = src.m_nLength;
    src.m_pstr = src.m_szBuffer;
    src.m_nLength = 0;
    src.m_szBuffer[0] = 0;
  } else {
    Assign(src.m_pstr, src.m_nLength);
  }
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

TCHAR CDuiString::GetAt(int nIndex) const {
  return (nIndex >= 0 && nIndex < m_nLength) ? m_pstr[nIndex] : 0;
}
TCHAR CDuiString::operator[](int nIndex) const { return GetAt(nIndex); }

void CDuiString::SetAt(int nIndex, TCHAR ch) {
  if (nIndex < 0 || nIndex >= m_nLength) return;
  m_pstr[nIndex] = ch;
  // A zero written inside the text ends it, as it would a C string.
  if (ch == 0) m_nLength = nIndex;
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

CDuiString CDuiString::operator+(const TCHAR ch) const {
  CDuiString s(*this);
  s += ch;
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
bool CDuiString::operator<=(LPCTSTR str) const { return Compare(str) <= 0; }
bool CDuiString::operator<(LPCTSTR str) const { return Compare(str) < 0; }
bool CDuiString::operator>=(LPCTSTR str) const { return Compare(str) >= 0; }
bool CDuiString::operator>(LPCTSTR str) const { return Compare(str) > 0; }

int CDuiString::Compare(LPCTSTR pstr) const { return wcscmp(m_pstr, pstr ? pstr : L""); }

int CDuiString::CompareNoCase(LPCTSTR pstr) const { return _wcsicmp(m_pstr, pstr ? pstr : L""); }

void CDuiString::MakeUpper() {
  if (m_nLength) CharUpperBuffW(m_pstr, m_nLength);
}

void CDuiString::MakeLower() {
  if (m_nLength) CharLowerBuffW(m_pstr, m_nLength);
}

CDuiString CDuiString::Left(int iLength) const {
  if (iLength < 0) iLength = 0;
  if (iLength > m_nLength) iLength = m_nLength;
  return CDuiString(m_pstr, iLength);
}

CDuiString CDuiString::Mid(int iPos, int iLength) const {
  if (iPos < 0) iPos = 0;
  if (iPos > m_nLength) iPos = m_nLength;
  if (iLength < 0 || iLength > m_nLength - iPos) iLength = m_nLength - iPos;
  return CDuiString(m_pstr + iPos, iLength);
}

CDuiString CDuiString::Right(int iLength) const {
  if (iLength < 0) iLength = 0;
  if (iLength > m_nLength) iLength = m_nLength;
  return CDuiString(m_pstr + m_nLength - iLength, iLength);
}

int CDuiString::Find(TCHAR ch, int iPos) const {
  if (iPos < 0 || iPos > m_nLength) return -1;
  for (int i = iPos; i < m_nLength; ++i) {
    if (m_pstr[i] == ch) return i;
  }
  return -1;
}

int CDuiString::Find(LPCTSTR pstrSub, int iPos) const {
  if (iPos < 0 || iPos > m_nLength || pstrSub == NULL) return -1;
  LPCTSTR p = wcsstr(m_pstr + iPos, pstrSub);
  return p ? static_cast<int>(p - m_pstr) : -1;
}

int CDuiString::ReverseFind(TCHAR ch) const {
  for (int i = m_nLength - 1; i >= 0; --i) {
    if (m_pstr[i] == ch) return i;
  }
  return -1;
}

int CDuiString::Replace(LPCTSTR pstrFrom, LPCTSTR pstrTo) {
  if (pstrFrom == NULL || *pstrFrom == 0) return 0;
  if (pstrTo == NULL) pstrTo = L"";
  const int fromLen = static_cast<int>(wcslen(pstrFrom));
  CDuiString result;
  int count = 0, pos = 0;
  for (int hit; (hit = Find(pstrFrom, pos)) >= 0; pos = hit + fromLen) {
    result += Mid(pos, hit - pos);
    result += pstrTo;
    ++count;
  }
  if (count) {
    result += Mid(pos);
    *this = static_cast<CDuiString&&>(result);
  }
  return count;
}

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
  LPTSTR buffer = static_cast<LPTSTR>(malloc((static_cast<size_t>(length) + 1) * sizeof(TCHAR)));
  if (!buffer) throw std::bad_alloc();
  const int written = _vsnwprintf(buffer, length + 1, format, args);
  buffer[written >= 0 && written <= length ? written : length] = 0;
  out->Assign(buffer);
  free(buffer);
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

int CDuiString::SmallFormat(LPCTSTR pstrFormat, ...) {
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

// ---- CDuiPtrArray -------------------------------------------------------------------------

CDuiPtrArray::CDuiPtrArray(int iPreallocSize) : m_ppVoid(NULL), m_nCount(0), m_nAllocated(0) {
  if (iPreallocSize > 0) Resize(iPreallocSize), m_nCount = 0;
}

CDuiPtrArray::CDuiPtrArray(const CDuiPtrArray& src) : m_ppVoid(NULL), m_nCount(0), m_nAllocated(0) {
  *this = src;
}

CDuiPtrArray::~CDuiPtrArray() { free(m_ppVoid); }

CDuiPtrArray& CDuiPtrArray::operator=(const CDuiPtrArray& src) {
  if (this == &src) return *this;
  Empty();
  for (int i = 0; i < src.GetSize(); ++i) Add(src.GetAt(i));
  return *this;
}

void CDuiPtrArray::Empty() {
  free(m_ppVoid);
  m_ppVoid = NULL;
  m_nCount = m_nAllocated = 0;
}

void CDuiPtrArray::Resize(int iSize) {
  if (iSize < 0) iSize = 0;
  if (iSize > m_nAllocated) {
    int grow = m_nAllocated * 2;
    if (grow < iSize) grow = iSize;
    if (grow < 8) grow = 8;
    LPVOID* p = static_cast<LPVOID*>(realloc(m_ppVoid, grow * sizeof(LPVOID)));
    if (!p) throw std::bad_alloc();
    m_ppVoid = p;
    m_nAllocated = grow;
  }
  for (int i = m_nCount; i < iSize; ++i) m_ppVoid[i] = NULL;
  m_nCount = iSize;
}

bool CDuiPtrArray::IsEmpty() const { return m_nCount == 0; }

bool CDuiPtrArray::Add(LPVOID pData) {
  Resize(m_nCount + 1);
  m_ppVoid[m_nCount - 1] = pData;
  return true;
}

bool CDuiPtrArray::InsertAt(int iIndex, LPVOID pData) {
  if (iIndex == m_nCount) return Add(pData);
  if (iIndex < 0 || iIndex > m_nCount) return false;
  Resize(m_nCount + 1);
  memmove(&m_ppVoid[iIndex + 1], &m_ppVoid[iIndex], (m_nCount - iIndex - 1) * sizeof(LPVOID));
  m_ppVoid[iIndex] = pData;
  return true;
}

bool CDuiPtrArray::SetAt(int iIndex, LPVOID pData) {
  if (iIndex < 0 || iIndex >= m_nCount) return false;
  m_ppVoid[iIndex] = pData;
  return true;
}

bool CDuiPtrArray::Remove(int iIndex) {
  if (iIndex < 0 || iIndex >= m_nCount) return false;
  if (iIndex < --m_nCount) {
    memmove(&m_ppVoid[iIndex], &m_ppVoid[iIndex + 1], (m_nCount - iIndex) * sizeof(LPVOID));
  }
  return true;
}

int CDuiPtrArray::Find(LPVOID pData) const {
  for (int i = 0; i < m_nCount; ++i) {
    if (m_ppVoid[i] == pData) return i;
  }
  return -1;
}

int CDuiPtrArray::GetSize() const { return m_nCount; }
LPVOID* CDuiPtrArray::GetData() { return m_ppVoid; }

LPVOID CDuiPtrArray::GetAt(int iIndex) const {
  return (iIndex >= 0 && iIndex < m_nCount) ? m_ppVoid[iIndex] : NULL;
}
LPVOID CDuiPtrArray::operator[](int iIndex) const { return GetAt(iIndex); }

}  // namespace DuiLib
