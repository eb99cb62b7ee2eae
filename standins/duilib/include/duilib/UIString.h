// The library's wide string and pointer array. Both keep their memory inside the library: every
// member that allocates or frees is compiled into the DLL, so a program linked to another C
// runtime may copy, keep and destroy them freely.
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
  TCHAR GetAt(int nIndex) const;
  void Append(LPCTSTR pstr);
  void Assign(LPCTSTR pstr, int nLength = -1);
  LPCTSTR GetData() const;

  void SetAt(int nIndex, TCHAR ch);
  operator LPCTSTR() const;

  TCHAR operator[](int nIndex) const;
  const CDuiString& operator=(const CDuiString& src);
  const CDuiString& operator=(CDuiString&& src) noexcept;
  const CDuiString& operator=(const TCHAR ch);
  const CDuiString& operator=(LPCTSTR pstr);
  CDuiString operator+(const CDuiString& src) const;
  CDuiString operator+(LPCTSTR pstr) const;
  CDuiString operator+(const TCHAR ch) const;
  const CDuiString& operator+=(const CDuiString& src);
  const CDuiString& operator+=(LPCTSTR pstr);
  const CDuiString& operator+=(const TCHAR ch);

  bool operator==(LPCTSTR str) const;
  bool operator!=(LPCTSTR str) const;
  bool operator<=(LPCTSTR str) const;
  bool operator<(LPCTSTR str) const;
  bool operator>=(LPCTSTR str) const;
  bool operator>(LPCTSTR str) const;

  int Compare(LPCTSTR pstr) const;
  int CompareNoCase(LPCTSTR pstr) const;

  void MakeUpper();
  void MakeLower();

  CDuiString Left(int nLength) const;
  CDuiString Mid(int iPos, int nLength = -1) const;
  CDuiString Right(int nLength) const;

  int Find(TCHAR ch, int iPos = 0) const;
  int Find(LPCTSTR pstr, int iPos = 0) const;
  int ReverseFind(TCHAR ch) const;
  int Replace(LPCTSTR pstrFrom, LPCTSTR pstrTo);

  // printf-style formatting with the Windows conventions (%s takes a wide string). Returns the
  // length of the result.
  int __cdecl Format(LPCTSTR pstrFormat, ...);
  int __cdecl SmallFormat(LPCTSTR pstrFormat, ...);

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

// A growable array of untyped pointers; it owns only its own storage, never the pointees.
class UILIB_API CDuiPtrArray {
 public:
  CDuiPtrArray(int iPreallocSize = 0);
  CDuiPtrArray(const CDuiPtrArray& src);
  ~CDuiPtrArray();
  CDuiPtrArray& operator=(const CDuiPtrArray& src);

  void Empty();
  void Resize(int iSize);
  bool IsEmpty() const;
  int Find(LPVOID iIndex) const;
  bool Add(LPVOID pData);
  bool SetAt(int iIndex, LPVOID pData);
  bool InsertAt(int iIndex, LPVOID pData);
  bool Remove(int iIndex);
  int GetSize() const;
  LPVOID* GetData();

  LPVOID GetAt(int iIndex) const;
  LPVOID operator[](int nIndex) const;

 protected:
  LPVOID* m_ppVoid;
  int m_nCount;
  int m_nAllocated;
};

// A skin named either by a file name (or XML text starting with '<') or by a resource id.
class UILIB_API STRINGorID {
 public:
  STRINGorID(LPCTSTR lpString) : m_lpstr(lpString) {}
  STRINGorID(UINT nID) : m_lpstr(MAKEINTRESOURCE(nID)) {}
  LPCTSTR m_lpstr;
};

}  // namespace DuiLib
