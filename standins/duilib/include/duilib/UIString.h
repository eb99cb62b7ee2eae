// The library's wide string. It keeps its memory inside the library: every member that
// allocates or frees is compiled into the DLL, so a program linked to another C runtime may
// copy, keep and destroy it freely.
#pragma once

#include "UIDefine.h"

namespace DuiLib {

// A UTF-16 string. Short texts live in the object itself; longer ones on the library's heap.
class UILIB_API CDuiString {
 public:
  enum { MAX_LOCAL_STRING_LEN = 63 };

  CDuiString();
  CDuiString(const TCHAR ch);
  CDuiString(const CDuiString& src);
  CDuiString(CDuiString&& src) noexcept;
  CDuiString(LPCTSTR lpsz, int nLen = -1);
  ~CDuiString();

  void Empty();
  int GetLength() const;
  bool IsEmpty() const;
  void Append(LPCTSTR pstr);
  // At most nLength characters of pstr (all of it when negative); null counts as "".
  void Assign(LPCTSTR pstr, int nLength = -1);
  LPCTSTR GetData() const;
  operator LPCTSTR() const;
  // The character at nIndex, or 0 outside the text.
  TCHAR operator[](int nIndex) const;

  const CDuiString& operator=(const CDuiString& src);
  const CDuiString& operator=(CDuiString&& src) noexcept;
  const CDuiString& operator=(const TCHAR ch);
  const CDuiString& operator=(LPCTSTR pstr);
  CDuiString operator+(const CDuiString& src) const;
  CDuiString operator+(LPCTSTR pstr) const;
  const CDuiString& operator+=(const CDuiString& src);
  const CDuiString& operator+=(LPCTSTR pstr);
  const CDuiString& operator+=(const TCHAR ch);

  bool operator==(LPCTSTR str) const;
  bool operator!=(LPCTSTR str) const;
  int Compare(LPCTSTR pstr) const;

  // printf-style formatting with the Windows conventions (%s takes a wide string). Returns the
  // length of the result.
  int __cdecl Format(LPCTSTR pstrFormat, ...);

 protected:
  void Reserve(int nLength);

  LPTSTR m_pstr;
  int m_nLength;
  TCHAR m_szBuffer[MAX_LOCAL_STRING_LEN + 1];
};

// Comparisons with the literal on the left and between two strings.
UILIB_API bool operator==(LPCTSTR lhs, const CDuiString& rhs);
UILIB_API bool operator!=(LPCTSTR lhs, const CDuiString& rhs);
UILIB_API bool operator==(const CDuiString& lhs, const CDuiString& rhs);
UILIB_API bool operator!=(const CDuiString& lhs, const CDuiString& rhs);
UILIB_API CDuiString operator+(LPCTSTR lhs, const CDuiString& rhs);

}  // namespace DuiLib
