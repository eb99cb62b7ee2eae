// CXmlDoc: a small XML reader over UTF-16 text.
//
// The whole document is indexed in one pass: every element gets a record holding offsets into
// the unchanged document text (no names or texts are copied). Navigation then moves a position
// through that index: find an element by name among the siblings of the current level, step
// into it, read its text or its attributes, step back out. Malformed markup is tolerated: the
// index is still built, and the first problem is reported in words by ResultText().
//
// All offsets and lengths count UTF-16 units from the start of the document text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Utf16.h"
#include "XmlTextBuffer.h"

class CXmlConversion;

class CXmlDoc {
 public:
  // Document flags (GetDocFlags / SetDocFlags).
  enum : unsigned {
    DOC_UTF16LE_BOM = 0x01,  // the loaded file was UTF-16 little-endian with a byte-order mark
    DOC_UTF8_BOM = 0x04,     // the loaded file began with a UTF-8 byte-order mark
    DOC_IGNORE_CASE = 0x08,  // compare tag and attribute names without regard to ASCII case
    DOC_READING = 0x10,      // set only while LoadFile has the file open
    DOC_UTF16BE_BOM = 0x80,  // the loaded file was UTF-16 big-endian with a byte-order mark
  };

  CXmlDoc();

  // Reads an XML file in any encoding (byte-order mark, XML declaration, HTML meta charset,
  // UTF-8 check, else the system's ANSI code page), converts it to UTF-16 and indexes it.
  // On Windows `path` is a Win32 path; elsewhere it is a UTF-8 file-system path given as
  // UTF-16. True only when the file was read and the document is well-formed; ResultText()
  // then starts with a report of the encoding and the lengths read. A file that can't be
  // opened or read, is too large to index, or leaves no memory for its text or index leaves
  // an empty document and the system's message for the reason.
  bool LoadFile(const Utf16Char* path);

  // Replaces the document with `text` and indexes it. True when it is well-formed; otherwise
  // the index is built all the same and ResultText() names the first problem.
  bool SetDocText(const Utf16Char* text);
  bool SetDocText(const Utf16Char* text, size_t length);

  // Makes the next element called `name` current: among the siblings after the current
  // element, or, when there is none, among the children of the current parent from the first.
  // `name` may continue after the tag name with one of ' ', '=', '/', '[' or ']' (what follows
  // is ignored). nullptr or "" finds the next element of any name. False leaves the position.
  bool FindElement(const Utf16Char* name);
  // The current element becomes the parent; the position goes before its first child.
  bool EnterElement();
  // Back to the parent's level: the parent becomes the current element.
  bool LeaveElement();
  // Back to before the root element.
  void ResetPos();

  // Text of the current element with entities decoded and CDATA sections taken as they are;
  // "" for an element with child elements, an empty-element tag or an element never ended.
  Utf16String ElementData() const;
  // Tag name of the current element ("" when there is none).
  Utf16String GetTagName() const;
  // Attribute `name` of the current element, entities decoded. False when absent. An attribute
  // written without a value is present with an empty one.
  bool GetAttrib(const Utf16Char* name, Utf16String* value) const;
  // The attribute at `index` (0-based, in the order written) of the current element; false
  // past the last one. Either output may be null.
  bool GetAttribAt(size_t index, Utf16String* name, Utf16String* value) const;
  // True when the current element has child elements.
  bool HasChildElements() const;

  // Report of the last load and parse: "" for a well-formed document set by SetDocText.
  const Utf16String& ResultText() const { return m_strResult; }
  // The result of the last SetDocText or LoadFile.
  bool IsWellFormed() const { return m_bWellFormed; }
  // The document text as indexed (for a loaded file: after conversion to UTF-16); not
  // zero-terminated.
  const Utf16Char* GetDocText() const { return m_doc.data(); }
  size_t GetDocLength() const { return m_doc.size(); }
  unsigned GetDocFlags() const { return m_nDocFlags; }
  void SetDocFlags(unsigned flags) { m_nDocFlags = flags; }

 private:
  // One element of the index.
  struct XmlElemRec {
    uint32_t start;           // offset of the '<' of the start tag
    uint32_t length;          // from the start tag through the end tag
    uint32_t startTagLength;  // the start tag (or the empty-element tag) alone
    uint32_t endTagLength;    // 0 for an empty-element tag and for an element never ended
    uint32_t flags;           // nesting level (low 16 bits) and the ELEM_ flags
    uint32_t parent;
    uint32_t firstChild;   // 0: none
    uint32_t nextSibling;  // 0: last
    uint32_t prevSibling;  // the first child's prevSibling is the last child
  };
  struct OpenElem;
  class Indexer;

  Utf16String BuildIndex(CXmlConversion* source);
  bool SetResult(const Utf16String& loadReport, const Utf16String& message);
  void DropDocument(const Utf16String& result);
  void Reserve(uint64_t capacity);
  void ClearIndex(uint64_t capacity);
  uint32_t NewRecord();
  XmlElemRec& Rec(uint32_t index);
  const XmlElemRec& Rec(uint32_t index) const;
  void AppendChild(uint32_t parent, uint32_t child);
  size_t TagNameLength(uint32_t start) const;
  bool TagNameMatches(uint32_t index, const Utf16Char* name) const;
  bool FindAttrib(const Utf16Char* name, size_t index, Utf16String* nameOut,
                  Utf16String* value) const;

  XmlTextBuffer m_doc;
  Utf16String m_strResult;
  unsigned m_nDocFlags = 0;
  bool m_bWellFormed = false;

  // The element table: segments of up to 65536 records; an index's high 16 bits select the
  // segment, the low 16 bits the record. Record 0 stands for the document itself.
  std::vector<std::vector<XmlElemRec>> m_segments;
  uint64_t m_nCapacity = 0;  // records the table can hold before it grows
  uint32_t m_nNext = 1;      // next free record

  // Position: the parent whose children are being visited, and the current element among
  // them (0: before the first child).
  uint32_t m_iPosParent = 0;
  uint32_t m_iPos = 0;
};
