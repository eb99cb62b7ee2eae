#include "XmlDoc.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "XmlEncoding.h"
#include "XmlPlatform.h"
#include "XmlScan.h"

namespace {

// XmlElemRec::flags
enum : uint32_t {
  ELEM_LEVEL_MASK = 0xFFFF,        // nesting level; the root is level 0
  ELEM_FIRST_CHILD = 0x80000,      // created as the first child of its parent
  ELEM_NEVER_ENDED = 0x100000,     // no end tag closed it
  ELEM_HAS_ERROR = 0x200000,       // a bad node was found inside it
  DOC_NOT_WELL_FORMED = 0x800000,  // on record 0
};

const uint32_t kSegmentShift = 16;
const uint32_t kSegmentSize = 1u << kSegmentShift;

// Open elements are counted per bucket of a cheap hash of their names (length, first and last
// unit), so that an end tag whose name no open element has is known at once, without walking
// the whole stack: a long run of stray end tags inside deep nesting would otherwise cost depth
// x count comparisons.
const uint32_t kNameBuckets = 4096;

uint32_t NameBucket(const Utf16Char* name, size_t length, bool ignoreCase) {
  if (length == 0) return 0;
  const uint32_t first = ignoreCase ? XmlFoldAscii(name[0]) : name[0];
  const uint32_t last = ignoreCase ? XmlFoldAscii(name[length - 1]) : name[length - 1];
  return (static_cast<uint32_t>(length) * 31u + first * 7u + last * 131u) & (kNameBuckets - 1);
}

// Offsets are 32-bit: a longer text can't be indexed.
const size_t kMaxDocLength = 0x7FFFFFFF;

void Append(Utf16String* out, const char* ascii) { XmlAppendAscii(out, ascii); }

void AppendNulls(Utf16String* report, size_t nulls) {
  if (nulls == 0) return;
  Append(report, "(");
  XmlAppendNumber(report, nulls);
  Append(report, " nulls removed) ");
}

}  // namespace

struct CXmlDoc::OpenElem {
  uint32_t index;
  uint32_t nameLength;
  uint32_t bucket;
};

CXmlDoc::CXmlDoc() { SetDocText(nullptr, 0); }

// ---- The element table ---------------------------------------------------------------------

CXmlDoc::XmlElemRec& CXmlDoc::Rec(uint32_t index) {
  return m_segments[index >> kSegmentShift][index & (kSegmentSize - 1)];
}

const CXmlDoc::XmlElemRec& CXmlDoc::Rec(uint32_t index) const {
  return m_segments[index >> kSegmentShift][index & (kSegmentSize - 1)];
}

// Makes room for `capacity` records: every segment but the last holds 65536 of them.
void CXmlDoc::Reserve(uint64_t capacity) {
  for (uint64_t k = 0; k * kSegmentSize < capacity; ++k) {
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(kSegmentSize, capacity - k * kSegmentSize));
    if (k == m_segments.size()) m_segments.emplace_back();
    m_segments[k].reserve(want);
  }
  m_nCapacity = capacity;
}

// An empty table with record 0 standing for the whole document.
void CXmlDoc::ClearIndex(uint64_t capacity) {
  m_segments.clear();
  m_nCapacity = 0;
  Reserve(capacity);
  XmlElemRec doc = {};
  doc.length = static_cast<uint32_t>(m_doc.size());
  m_segments[0].push_back(doc);
  m_nNext = 1;
  m_iPosParent = 0;
  m_iPos = 0;
}

uint32_t CXmlDoc::NewRecord() {
  // A full table grows by half.
  if (m_nNext == m_nCapacity) Reserve(m_nCapacity + m_nCapacity / 2 + 1);
  const uint32_t index = m_nNext++;
  m_segments[index >> kSegmentShift].emplace_back();
  return index;
}

// Appends `child` as the last child of `parent`. The first child's prevSibling is the last
// child, so the end of the list is found in one step.
void CXmlDoc::AppendChild(uint32_t parent, uint32_t child) {
  XmlElemRec& p = Rec(parent);
  XmlElemRec& c = Rec(child);
  c.parent = parent;
  c.nextSibling = 0;
  if (p.firstChild == 0) {
    p.firstChild = child;
    c.prevSibling = child;
    c.flags |= ELEM_FIRST_CHILD;
    return;
  }
  XmlElemRec& first = Rec(p.firstChild);
  Rec(first.prevSibling).nextSibling = child;
  c.prevSibling = first.prevSibling;
  first.prevSibling = child;
}

// Closes the open elements stack[from..] as never ended: each keeps only its start tag, and
// its children move up to follow it as siblings. Going from the outermost inwards moves every
// element at most once (inwards-out would move the same children again at every level).
void CXmlDoc::CloseNeverEnded(std::vector<OpenElem>* stack, size_t from,
                              std::vector<uint32_t>* counts) {
  for (size_t s = from; s < stack->size(); ++s) {
    const uint32_t index = (*stack)[s].index;
    --(*counts)[(*stack)[s].bucket];
    XmlElemRec& r = Rec(index);
    r.length = r.startTagLength;
    r.endTagLength = 0;
    r.flags |= ELEM_NEVER_ENDED;
    const uint32_t first = r.firstChild;
    if (first == 0) continue;
    const uint32_t last = Rec(first).prevSibling;
    const uint32_t level = r.flags & ELEM_LEVEL_MASK;
    for (uint32_t c = first; c != 0; c = Rec(c).nextSibling) {
      XmlElemRec& moved = Rec(c);
      moved.parent = r.parent;
      moved.flags = (moved.flags & ~ELEM_LEVEL_MASK) | level;
    }
    const uint32_t next = r.nextSibling;
    Rec(last).nextSibling = next;
    if (next != 0) {
      Rec(next).prevSibling = last;
    } else {
      Rec(Rec(r.parent).firstChild).prevSibling = last;
    }
    r.nextSibling = first;
    Rec(first).prevSibling = index;
    r.firstChild = 0;
  }
  Rec(0).flags |= DOC_NOT_WELL_FORMED;
  stack->resize(from);
}

size_t CXmlDoc::TagNameLength(uint32_t start) const {
  const Utf16Char* text = m_doc.data();
  const size_t end = m_doc.size();
  size_t i = start + 1;
  while (i < end && !XmlIsSpace(text[i]) && text[i] != '/' && text[i] != '>') ++i;
  return i - start - 1;
}

// ---- Indexing ------------------------------------------------------------------------------

bool CXmlDoc::SetDocText(const Utf16Char* text) {
  return SetDocText(text, text ? Utf16Length(text) : 0);
}

bool CXmlDoc::SetDocText(const Utf16Char* text, size_t length) {
  m_nDocFlags &= ~(DOC_UTF16LE_BOM | DOC_UTF8_BOM | DOC_UTF16BE_BOM);
  if (length > kMaxDocLength) {
    m_doc.clear();
    ClearIndex(8);
    m_bWellFormed = false;
    m_strResult.clear();
    Append(&m_strResult, "Document too large");
    return false;
  }
  if (text == nullptr) length = 0;
  m_doc.resize(length);
  if (length != 0) std::copy(text, text + length, m_doc.data());
  const Utf16String message = BuildIndex(nullptr);
  return SetResult(Utf16String(), message);
}

// The result text, and whether the document is well-formed: a root exists, it has no
// sibling, and no problem was found.
bool CXmlDoc::SetResult(const Utf16String& loadReport, const Utf16String& message) {
  const uint32_t root = Rec(0).firstChild;
  m_bWellFormed = root != 0 && Rec(root).nextSibling == 0 && !(Rec(0).flags & DOC_NOT_WELL_FORMED);
  m_strResult = loadReport;
  if (!message.empty()) {
    if (!m_strResult.empty()) m_strResult.push_back(' ');
    m_strResult += message;
  }
  return m_bWellFormed;
}

// Builds the element table in one pass over the text; returns the first problem in words (""
// when there is none). With a conversion under way, the text is indexed as it is converted:
// the scan stops at what is ready, and a node that reaches that point is scanned again once
// more is (it may end differently with more text behind it).
Utf16String CXmlDoc::BuildIndex(CXmlConversion* source) {
  const bool ignoreCase = (m_nDocFlags & DOC_IGNORE_CASE) != 0;
  size_t ready = source ? source->Ready() : m_doc.size();
  bool more = source != nullptr && !source->Finished();
  ClearIndex(m_doc.size() / 64 + 8);  // while converting, the size is an upper bound

  Utf16String message;  // the first problem, in words
  bool problem = false;
  if (ready == 0 && !more) {
    Append(&message, "Empty document");
  } else {
    const Utf16Char* text = m_doc.data();  // converting in place never moves it
    std::vector<OpenElem> stack;
    stack.reserve(6);
    std::vector<uint32_t> counts(kNameBuckets, 0);
    XmlToken t;
    for (size_t pos = 0;; pos = t.start + t.length) {
      // Text and whitespace are not indexed: go straight to the next markup.
      pos = XmlFindUnit(text, pos, ready, '<');
      XmlScanNode(text, pos, ready, &t);
      if (more && t.start + t.length == ready) {
        ready = source->Continue();
        more = !source->Finished();
        t.length = 0;  // scan again from t.start
        continue;
      }
      if (t.type == XML_END_OF_TEXT) break;

      if (t.type == XML_START_TAG) {
        const uint32_t parent = stack.empty() ? 0 : stack.back().index;
        const uint32_t index = NewRecord();
        XmlElemRec& r = Rec(index);
        r.start = static_cast<uint32_t>(t.start);
        r.startTagLength = static_cast<uint32_t>(t.length);
        r.flags = static_cast<uint32_t>(std::min<size_t>(stack.size(), ELEM_LEVEL_MASK));
        AppendChild(parent, index);
        if (t.flags & XML_TOKEN_EMPTY_ELEMENT) {
          r.length = r.startTagLength;  // complete at once
        } else {
          if (stack.size() == stack.capacity()) stack.reserve(stack.capacity() * 2 + 6);
          const uint32_t bucket = NameBucket(text + t.nameStart, t.nameLength, ignoreCase);
          stack.push_back(OpenElem{index, static_cast<uint32_t>(t.nameLength), bucket});
          ++counts[bucket];
        }
      } else if (t.type == XML_END_TAG) {
        const Utf16Char* name = text + t.nameStart;
        size_t found = stack.size();
        if (!stack.empty() &&
            XmlNamesEqual(text + Rec(stack.back().index).start + 1, stack.back().nameLength, name,
                          t.nameLength, ignoreCase)) {
          found = stack.size() - 1;  // the usual case: it ends the innermost element
        } else if (counts[NameBucket(name, t.nameLength, ignoreCase)] != 0) {
          const uint32_t bucket = NameBucket(name, t.nameLength, ignoreCase);
          for (size_t s = stack.size() - 1; s-- > 0;) {
            const OpenElem& e = stack[s];
            if (e.bucket == bucket && XmlNamesEqual(text + Rec(e.index).start + 1, e.nameLength,
                                                    name, t.nameLength, ignoreCase)) {
              found = s;
              break;
            }
          }
        }
        if (found == stack.size()) {
          // Ignored, but the document is not well-formed.
          Rec(0).flags |= DOC_NOT_WELL_FORMED;
          if (!problem) {
            problem = true;
            Append(&message, "No start tag for end tag '");
            message.append(name, t.nameLength);
            Append(&message, "' at offset ");
            XmlAppendNumber(&message, t.start);
          }
          continue;
        }
        if (found + 1 < stack.size()) {
          if (!problem) {
            problem = true;
            const XmlElemRec& open = Rec(stack.back().index);
            Append(&message, "End tag '");
            message.append(name, t.nameLength);
            Append(&message, "' at offset ");
            XmlAppendNumber(&message, t.start + 1);
            Append(&message, " does not match start tag '");
            message.append(text + open.start + 1, stack.back().nameLength);
            Append(&message, "' at offset ");
            XmlAppendNumber(&message, open.start);
          }
          CloseNeverEnded(&stack, found + 1, &counts);
        }
        XmlElemRec& r = Rec(stack.back().index);
        r.length = static_cast<uint32_t>(t.start + t.length - r.start);
        r.endTagLength = static_cast<uint32_t>(t.length);
        --counts[stack.back().bucket];
        stack.pop_back();
      } else if (t.type == XML_BAD_NODE) {
        Rec(0).flags |= DOC_NOT_WELL_FORMED;
        if (!stack.empty()) Rec(stack.back().index).flags |= ELEM_HAS_ERROR;
        if (!problem) {
          problem = true;
          message = XmlProblemText(t);
        }
      }
      // Comments, CDATA sections, processing instructions and declarations are not indexed
      // either: they stay in the text.
    }
    if (!stack.empty()) {
      if (!problem) {
        problem = true;
        const XmlElemRec& open = Rec(stack.back().index);
        Append(&message, "Element '");
        message.append(text + open.start + 1, stack.back().nameLength);
        Append(&message, "' at offset ");
        XmlAppendNumber(&message, open.start);
        Append(&message, " not ended");
      }
      CloseNeverEnded(&stack, 0, &counts);
    }
    const uint32_t root = Rec(0).firstChild;
    if (root == 0) {
      message.clear();
      Append(&message, "No root element");
    } else if (Rec(root).nextSibling != 0) {
      message.clear();
      Append(&message, "Root element has sibling");
    }
  }
  if (source) {
    source->Finish();
    if (m_doc.empty()) {  // nothing but zero bytes
      message.clear();
      Append(&message, "Empty document");
    }
  }
  Rec(0).length = static_cast<uint32_t>(m_doc.size());
  return message;
}

// ---- Navigation ----------------------------------------------------------------------------

bool CXmlDoc::TagNameMatches(uint32_t index, const Utf16Char* name) const {
  const uint32_t start = Rec(index).start;
  const size_t n = TagNameLength(start);
  const Utf16Char* tag = m_doc.data() + start + 1;
  const bool ignoreCase = (m_nDocFlags & DOC_IGNORE_CASE) != 0;
  for (size_t k = 0; k < n; ++k) {
    const Utf16Char a = name[k];
    if (a == 0) return false;
    if (a != tag[k] && (!ignoreCase || XmlFoldAscii(a) != XmlFoldAscii(tag[k]))) return false;
  }
  // What may follow the tag name in `name`, as in "item[2]" or "item/child".
  const Utf16Char next = name[n];
  return next == 0 || next == ' ' || next == '=' || next == '/' || next == '[' || next == ']';
}

bool CXmlDoc::FindElement(const Utf16Char* name) {
  const bool any = name == nullptr || name[0] == 0;
  uint32_t c = m_iPos != 0 ? Rec(m_iPos).nextSibling : Rec(m_iPosParent).firstChild;
  for (; c != 0; c = Rec(c).nextSibling) {
    if (any || TagNameMatches(c, name)) {
      m_iPos = c;
      m_iPosParent = Rec(c).parent;
      return true;
    }
  }
  return false;
}

bool CXmlDoc::EnterElement() {
  if (m_iPos == 0) return false;
  m_iPosParent = m_iPos;
  m_iPos = 0;
  return true;
}

bool CXmlDoc::LeaveElement() {
  if (m_iPosParent == 0) return false;
  m_iPos = m_iPosParent;
  m_iPosParent = Rec(m_iPos).parent;
  return true;
}

void CXmlDoc::ResetPos() {
  m_iPosParent = 0;
  m_iPos = 0;
}

// ---- Reading the current element -----------------------------------------------------------

Utf16String CXmlDoc::GetTagName() const {
  if (m_iPos == 0) return Utf16String();
  const uint32_t start = Rec(m_iPos).start;
  return Utf16String(m_doc.data() + start + 1, TagNameLength(start));
}

bool CXmlDoc::HasChildElements() const { return m_iPos != 0 && Rec(m_iPos).firstChild != 0; }

Utf16String CXmlDoc::ElementData() const {
  Utf16String data;
  if (m_iPos == 0) return data;
  const XmlElemRec& r = Rec(m_iPos);
  // Child elements, an empty-element tag, or no end tag: no text of its own.
  if (r.firstChild != 0 || r.endTagLength == 0) return data;
  const Utf16Char* text = m_doc.data();
  const size_t begin = r.start + r.startTagLength;
  const size_t end = r.start + r.length - r.endTagLength;
  if (std::find(text + begin, text + end, static_cast<Utf16Char>('<')) == text + end) {
    XmlDecodeEntities(text + begin, end - begin, &data);
    return data;
  }
  // Mixed content: text nodes decoded and CDATA sections as they are, joined in order;
  // whitespace between markup, comments and processing instructions are left out.
  XmlToken t;
  for (size_t pos = begin;; pos = t.start + t.length) {
    XmlScanNode(text, pos, end, &t);
    if (t.type == XML_END_OF_TEXT) break;
    if (t.type == XML_TEXT) {
      XmlDecodeEntities(text + t.start, t.length, &data);
    } else if (t.type == XML_CDATA) {
      const size_t inner = t.start + 9;  // after "<![CDATA["
      data.append(text + inner, t.start + t.length - 3 - inner);
    }
  }
  return data;
}

bool CXmlDoc::GetAttribAt(size_t index, Utf16String* name, Utf16String* value) const {
  if (m_iPos == 0) return false;
  const XmlElemRec& r = Rec(m_iPos);
  const Utf16Char* text = m_doc.data();
  size_t pos = r.start + 1 + TagNameLength(r.start);
  const size_t end = r.start + r.startTagLength - 1;  // before the closing '>'
  XmlAttrib a;
  for (size_t i = 0; XmlNextAttrib(text, &pos, end, &a); ++i) {
    if (i != index) continue;
    if (name) name->assign(text + a.nameStart, a.nameLength);
    if (value) {
      value->clear();
      XmlDecodeEntities(text + a.valueStart, a.valueLength, value);
    }
    return true;
  }
  return false;
}

bool CXmlDoc::GetAttrib(const Utf16Char* name, Utf16String* value) const {
  if (m_iPos == 0 || name == nullptr) return false;
  const XmlElemRec& r = Rec(m_iPos);
  const Utf16Char* text = m_doc.data();
  const size_t nameLength = Utf16Length(name);
  const bool ignoreCase = (m_nDocFlags & DOC_IGNORE_CASE) != 0;
  size_t pos = r.start + 1 + TagNameLength(r.start);
  const size_t end = r.start + r.startTagLength - 1;
  XmlAttrib a;
  while (XmlNextAttrib(text, &pos, end, &a)) {
    if (!XmlNamesEqual(text + a.nameStart, a.nameLength, name, nameLength, ignoreCase)) continue;
    if (value) {
      value->clear();
      XmlDecodeEntities(text + a.valueStart, a.valueLength, value);
    }
    return true;
  }
  return false;
}

// ---- Loading a file ------------------------------------------------------------------------

bool CXmlDoc::LoadFile(const Utf16Char* path) {
  m_nDocFlags &= ~(DOC_UTF16LE_BOM | DOC_UTF8_BOM | DOC_UTF16BE_BOM | DOC_READING);
  CXmlFileReader file;
  CXmlConversion conversion;
  Utf16String prefix;    // the encoding part of the report
  Utf16String readPart;  // what reading found
  Converting converting = NOT_CONVERTING;
  bool ok = file.Open(path);
  if (ok) {
    m_nDocFlags |= DOC_READING;
    ok = ReadOpenFile(&file, &prefix, &readPart, &conversion, &converting);
  }
  Utf16String message;
  if (ok) {
    // A conversion under way goes on as the text is indexed (reading, too, where it can).
    message = BuildIndex(converting != NOT_CONVERTING ? &conversion : nullptr);
    if (conversion.Failed()) {
      ok = false;
    } else if (converting != NOT_CONVERTING) {
      if (converting == READING_AS_CONVERTED) {
        Append(&readPart, "length ");
        XmlAppendNumber(&readPart, conversion.BytesRead());
        readPart.push_back(' ');
      }
      AppendNulls(&readPart, conversion.RemovedZeros());
      Append(&readPart, "to ");
      XmlAppendNumber(&readPart, m_doc.size());
      Append(&readPart, " wide chars ");
    }
  }
  m_nDocFlags &= ~DOC_READING;
  if (!ok) {
    // Nothing half-loaded stays behind: the previous document is gone, the report says why:
    // the system's message, in place of what reading would have found.
    m_doc.clear();
    ClearIndex(8);
    m_bWellFormed = false;
    m_strResult = prefix + file.ErrorText();
    return false;
  }
  return SetResult(prefix + readPart, message);
}

// Reads the open file into m_doc: finds the encoding, then reads the bytes, as UTF-16 or set up
// for conversion (*converting). *prefix gets the encoding part of the report, *readPart what
// reading found so far; counts known only once the conversion is through come later.
bool CXmlDoc::ReadOpenFile(CXmlFileReader* file, Utf16String* prefix, Utf16String* readPart,
                           CXmlConversion* conversion, Converting* converting) {
  // 1. The encoding: a byte-order mark, else a declaration in the first 1024 bytes, else a
  //    file starting with '<' is UTF-8.
  Utf16String name;
  size_t markLength = 0;
  bool utf16 = false;
  bool bigEndian = false;
  uint64_t size = 0;
  bool ok = file->Size(&size);
  if (ok && size > 0) {
    unsigned char head[1024];
    size_t headLength = 0;
    ok = file->ReadAt(0, head, static_cast<size_t>(std::min<uint64_t>(size, sizeof head)),
                      &headLength);
    switch (ok ? XmlDetectBom(head, headLength, &markLength) : XML_BOM_NONE) {
      case XML_BOM_UTF8:
        Append(&name, "UTF-8");
        m_nDocFlags |= DOC_UTF8_BOM;
        break;
      case XML_BOM_UTF16LE:
        Append(&name, "UTF-16LE");
        m_nDocFlags |= DOC_UTF16LE_BOM;
        utf16 = true;
        break;
      case XML_BOM_UTF16BE:
        Append(&name, "UTF-16BE");
        m_nDocFlags |= DOC_UTF16BE_BOM;
        utf16 = true;
        bigEndian = true;
        break;
      case XML_BOM_NONE:
        if (ok && headLength > 0) {
          Utf16String first;
          XmlConvertToUtf16(XML_CP_UTF8, reinterpret_cast<const char*>(head), headLength, &first);
          name = XmlDeclaredEncoding(first.data(), first.size());
          if (name.empty() && head[0] == '<') Append(&name, "UTF-8");
        }
        break;
    }
  }
  const bool named = !name.empty();

  // 2. The rest of the file in one piece, converted to UTF-16.
  if (ok) {
    const uint64_t toRead = size - std::min<uint64_t>(size, markLength);
    if (toRead == 0) {
      Append(readPart, "0 length ");
      m_doc.clear();
    } else if (toRead > kMaxDocLength) {
      file->SetTooLarge();
      ok = false;
    } else {
      ok = ReadBytes(file, markLength, static_cast<size_t>(toRead), utf16, bigEndian, &name,
                     readPart, conversion, converting);
    }
  }

  // The encoding name with the mark found, or (no name at first) the name that the UTF-8 check
  // gave, or "ANSI".
  if (named) {
    *prefix = name;
    if (markLength != 0) Append(prefix, " BOM +");
    prefix->push_back(' ');
  } else if (!name.empty()) {
    *prefix = name;
    prefix->push_back(' ');
  } else {
    Append(prefix, "ANSI ");
  }
  return ok;
}

bool CXmlDoc::ReadBytes(CXmlFileReader* file, size_t offset, size_t length, bool utf16,
                        bool bigEndian, Utf16String* name, Utf16String* readPart,
                        CXmlConversion* conversion, Converting* converting) {
  if (!name->empty() && !utf16) {
    // The encoding is known: read and convert together.
    const unsigned codePage = XmlCodePageOfName(name->data(), name->size());
    if (!conversion->StartReading(codePage, &m_doc, file, offset, length)) return false;
    *converting = READING_AS_CONVERTED;
    return true;
  }

  // The bytes are read straight into the text's own storage: a UTF-16 file fills it as it
  // is, an 8-bit file its upper half, from where it is converted (in place where the
  // platform can). No second copy of the file is made.
  const size_t units = utf16 ? (length + 1) / 2 : length;
  try {
    m_doc.resize(units);
  } catch (const std::bad_alloc&) {
    file->SetOutOfMemory();
    return false;
  }
  char* base = reinterpret_cast<char*>(m_doc.data());
  const size_t byteOffset = utf16 ? 0 : units * sizeof(Utf16Char) - length;
  char* bytes = base + byteOffset;
  size_t got = 0;
  if (!file->ReadAt(offset, bytes, length, &got)) return false;

  if (utf16) {
    size_t n = got / 2;
    Append(readPart, "length ");
    XmlAppendNumber(readPart, n);
    readPart->push_back(' ');
    AppendNulls(readPart, XmlUnitsInPlace(m_doc.data(), &n, bigEndian));
    m_doc.resize(n);
    if (bigEndian) Append(readPart, "endian swap ");
    return true;
  }

  // Undeclared: UTF-8 when the bytes (without zero bytes) pass as UTF-8, else the system's
  // ANSI code page.
  Append(readPart, "length ");
  XmlAppendNumber(readPart, got);
  readPart->push_back(' ');
  size_t n = got;
  AppendNulls(readPart, XmlRemoveZeroBytes(bytes, &n));
  if (XmlLooksLikeUtf8(reinterpret_cast<const unsigned char*>(bytes), n)) Append(name, "UTF-8");
  Append(readPart, "(used UTF-8 detection) ");
  const unsigned codePage = XmlCodePageOfName(name->data(), name->size());
  if (!conversion->Start(codePage, &m_doc, byteOffset, n)) {
    file->SetOutOfMemory();
    return false;
  }
  *converting = CONVERTING;
  return true;
}
