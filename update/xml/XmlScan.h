// The node scanner and the small text helpers under CXmlDoc: portable, bounded by the end
// offset they are given, and free of allocations except where a string is asked for.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Utf16.h"

// Node types of XmlToken::type.
enum XmlNodeType : int {
  XML_END_TAG = 0,
  XML_START_TAG = 1,
  XML_TEXT = 2,
  XML_WHITESPACE = 4,
  XML_CDATA = 8,
  XML_PROCESSING_INSTRUCTION = 16,
  XML_COMMENT = 32,
  XML_DECLARATION = 64,  // DOCTYPE and the other declarations opened by "<!"
  XML_BAD_NODE = -1,
  XML_END_OF_TEXT = -2,
};

// What made a node bad (XmlToken::problem).
enum XmlProblem : int {
  XML_OK = 0,
  // Markup that can't start a node.
  XML_BAD_TAG_NAME_CHAR,  // '<' followed by anything that starts no node
  XML_BAD_COMMENT_TAG,    // "<!-" not followed by a second '-'
  XML_BAD_TAG,            // "<![" not followed by 'C'
  XML_BAD_BANG_TAG,       // "<!" followed by anything else
  // A node still open at the end of the text.
  XML_OPEN_START_TAG,
  XML_OPEN_END_TAG,
  XML_OPEN_CDATA,
  XML_OPEN_PROCESSING_INSTRUCTION,
  XML_OPEN_COMMENT,
  XML_OPEN_DOCTYPE,
  XML_OPEN_DECLARATION,
};

enum : unsigned { XML_TOKEN_EMPTY_ELEMENT = 0x10000 };  // a start tag closed by "/>"

struct XmlToken {
  int type = XML_END_OF_TEXT;
  size_t start = 0;   // offset of the node's first unit
  size_t length = 0;  // 0 only for the end of the text
  unsigned flags = 0;
  // Tag name of a start tag, end tag or processing instruction.
  size_t nameStart = 0;
  size_t nameLength = 0;
  int problem = XML_OK;  // for a bad node
};

inline bool XmlIsSpace(Utf16Char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Offset of the first `unit` in text[pos, end), or `end`.
size_t XmlFindUnit(const Utf16Char* text, size_t pos, size_t end, Utf16Char unit);

// Scans the node that starts at `pos` in text[0, end).
void XmlScanNode(const Utf16Char* text, size_t pos, size_t end, XmlToken* token);
// "Incorrect tag name character at offset 5", "Comment at offset 3 unterminated", ...
Utf16String XmlProblemText(const XmlToken& token);

// One attribute inside a start tag or processing instruction.
struct XmlAttrib {
  size_t nameStart = 0;
  size_t nameLength = 0;
  size_t valueStart = 0;
  size_t valueLength = 0;
  bool hasValue = false;
};
// Steps through the attributes in text[*pos, end) (the part of a tag after its name, without
// the closing '>' or "?>"): a name, then optionally '=' and a value between matching quotes
// or an unquoted run up to whitespace or '>'. False when there are no more.
bool XmlNextAttrib(const Utf16Char* text, size_t* pos, size_t end, XmlAttrib* attrib);
// Where the attributes of a scanned start tag or processing instruction lie.
void XmlAttribRange(const Utf16Char* text, const XmlToken& token, size_t* begin, size_t* end);

inline Utf16Char XmlFoldAscii(Utf16Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Utf16Char>(c + ('a' - 'A')) : c;
}

// Name comparison, exact or without regard to ASCII case. Inline: every end tag is compared
// with the element it closes.
inline bool XmlNamesEqual(const Utf16Char* a, size_t aLength, const Utf16Char* b, size_t bLength,
                          bool ignoreCase) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i) {
    if (a[i] != b[i] && (!ignoreCase || XmlFoldAscii(a[i]) != XmlFoldAscii(b[i]))) return false;
  }
  return true;
}
// Same, against a zero-terminated ASCII name.
bool XmlNameIs(const Utf16Char* a, size_t aLength, const char* ascii, bool ignoreCase);

// Appends `text` to `out` with character references decoded ("&amp;", "&#65;", "&#x41;",
// the names of HTML 4.01 and "apos"). A reference that can't be decoded stays as written.
void XmlDecodeEntities(const Utf16Char* text, size_t length, Utf16String* out);
// Code point of a reference's name (what stands between '&' and ';'), 0 when there is none.
uint32_t XmlEntityCodePoint(const Utf16Char* name, size_t length);

// A row of the generated lookup tables (entity names, encoding names).
struct XmlNamedValue {
  const char* name;
  unsigned short value;
};

// Appends ASCII text, or an unsigned number in decimal, to a UTF-16 string.
void XmlAppendAscii(Utf16String* out, const char* ascii);
void XmlAppendNumber(Utf16String* out, uint64_t value);
