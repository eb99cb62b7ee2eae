// Small helpers shared by the XML reader's tests: UTF-8 literals in, UTF-8 out (readable
// failure messages), and scratch files that work natively and under Wine.
#pragma once

#include <string>

#include "Utf16.h"
#include "XmlDoc.h"

inline Utf16String W(const std::string& utf8) { return Utf8ToUtf16(utf8); }
inline std::string U8(const Utf16String& s) { return Utf16ToUtf8(s); }

// Indexes a UTF-8 document; returns SetDocText's result.
inline bool Set(CXmlDoc* doc, const std::string& utf8) { return doc->SetDocText(W(utf8).c_str()); }

inline std::string Result(const CXmlDoc& doc) { return U8(doc.ResultText()); }
inline std::string Data(const CXmlDoc& doc) { return U8(doc.ElementData()); }
inline std::string Tag(const CXmlDoc& doc) { return U8(doc.GetTagName()); }
inline bool Find(CXmlDoc* doc, const std::string& name) {
  return doc->FindElement(W(name).c_str());
}
inline std::string Attrib(const CXmlDoc& doc, const std::string& name) {
  Utf16String value;
  return doc.GetAttrib(W(name).c_str(), &value) ? U8(value) : "<absent>";
}

// A fresh folder for one test's files, and writing and naming files in it. Paths are given
// to LoadFile as they are returned here (a Win32 path under Wine, a UTF-8 path natively).
std::string XmlScratchDir(const std::string& name);
inline std::string XmlJoin(const std::string& dir, const std::string& file) {
#ifdef _WIN32
  return dir + "\\" + file;
#else
  return dir + "/" + file;
#endif
}
bool XmlWriteFile(const std::string& path, const std::string& bytes);
Utf16String XmlPath(const std::string& path);
