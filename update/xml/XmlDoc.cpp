#include "XmlDoc.h"

#include <algorithm>
#include <string>

#include "XmlConversion.h"
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

void Append(Utf16String* out, const char* ascii) { XmlAppendAscii(out, ascii); }

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
  if (length > kXmlMaxDocLength) {
    Utf16String result;
    Append(&result, "Document too large");
    DropDocument(result);
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

// Nothing half-built stays behind: no text, no elements, and `result` says why.
void CXmlDoc::DropDocument(const Utf16String& result) {
  XmlTextBuffer().swap(m_doc);
  ClearIndex(8);
  m_bWellFormed = false;
  m_strResult = result;
}

// One pass over the text with a stack of the open elements: each node is indexed as it is
// scanned, and the first problem is kept in words.
class CXmlDoc::Indexer {
 public:
  explicit Indexer(CXmlDoc* doc)
      : m_owner(*doc),
        m_text(doc->m_doc.data()),  // a conversion under way never moves it
        m_bIgnoreCase((doc->m_nDocFlags & DOC_IGNORE_CASE) != 0),
        m_counts(kNameBuckets, 0) {
    m_stack.reserve(6);
  }

  // Scans node after node. With a conversion under way, the scan stops at what is ready, and
  // a node that reaches that point is scanned again once more is (it may end differently
  // with more text behind it). Asking for at least as much again as that node has so far
  // keeps a node that spans many pieces from being scanned over and over.
  void Scan(CXmlConversion* source) {
    size_t ready = source ? source->Ready() : m_owner.m_doc.size();
    bool more = source != nullptr && !source->Finished();
    XmlToken t;
    for (size_t pos = 0;; pos = t.start + t.length) {
      // Text and whitespace are not indexed: go straight to the next markup.
      pos = XmlFindUnit(m_text, pos, ready, '<');
      XmlScanNode(m_text, pos, ready, &t);
      if (more && t.start + t.length == ready) {
        ready = source->Continue(ready - t.start);
        more = !source->Finished();
        t.length = 0;  // scan again from t.start
        continue;
      }
      if (t.type == XML_END_OF_TEXT) return;
      if (t.type == XML_START_TAG) StartTag(t);
      if (t.type == XML_END_TAG) EndTag(t);
      if (t.type == XML_BAD_NODE) BadNode(t);
      // Comments, CDATA sections, processing instructions and declarations are not indexed
      // either: they stay in the text.
    }
  }

  // Closes what is still open as never ended; returns the first problem in words, or what
  // is wrong with the root.
  Utf16String Finish() {
    if (!m_stack.empty()) {
      if (Utf16String* message = FirstProblem()) {
        const OpenElem& open = m_stack.back();
        Append(message, "Element '");
        message->append(Name(open), open.nameLength);
        Append(message, "' at offset ");
        XmlAppendNumber(message, m_owner.Rec(open.index).start);
        Append(message, " not ended");
      }
      CloseNeverEnded(0);
    }
    const uint32_t root = m_owner.Rec(0).firstChild;
    if (root == 0) {
      m_message.clear();
      Append(&m_message, "No root element");
    } else if (m_owner.Rec(root).nextSibling != 0) {
      m_message.clear();
      Append(&m_message, "Root element has sibling");
    }
    return m_message;
  }

 private:
  // A new record, the last child of the innermost open element; pushed unless it is an
  // empty-element tag, which is complete at once.
  void StartTag(const XmlToken& t) {
    const uint32_t parent = m_stack.empty() ? 0 : m_stack.back().index;
    const uint32_t index = m_owner.NewRecord();
    XmlElemRec& r = m_owner.Rec(index);
    r.start = static_cast<uint32_t>(t.start);
    r.startTagLength = static_cast<uint32_t>(t.length);
    r.flags = static_cast<uint32_t>(std::min<size_t>(m_stack.size(), ELEM_LEVEL_MASK));
    m_owner.AppendChild(parent, index);
    if (t.flags & XML_TOKEN_EMPTY_ELEMENT) {
      r.length = r.startTagLength;
      return;
    }
    if (m_stack.size() == m_stack.capacity()) m_stack.reserve(m_stack.capacity() * 2 + 6);
    const uint32_t bucket = Bucket(m_text + t.nameStart, t.nameLength);
    m_stack.push_back(OpenElem{index, static_cast<uint32_t>(t.nameLength), bucket});
    ++m_counts[bucket];
  }

  // Ends the open element of the same name; those opened inside it are never ended. An end
  // tag that no open element matches is ignored.
  void EndTag(const XmlToken& t) {
    const Utf16Char* name = m_text + t.nameStart;
    const size_t found = FindOpen(name, t.nameLength);
    if (found == m_stack.size()) {
      m_owner.Rec(0).flags |= DOC_NOT_WELL_FORMED;
      if (Utf16String* message = FirstProblem()) {
        Append(message, "No start tag for end tag '");
        message->append(name, t.nameLength);
        Append(message, "' at offset ");
        XmlAppendNumber(message, t.start);
      }
      return;
    }
    if (found + 1 < m_stack.size()) {
      if (Utf16String* message = FirstProblem()) {
        const OpenElem& open = m_stack.back();
        Append(message, "End tag '");
        message->append(name, t.nameLength);
        Append(message, "' at offset ");
        XmlAppendNumber(message, t.start + 1);
        Append(message, " does not match start tag '");
        message->append(Name(open), open.nameLength);
        Append(message, "' at offset ");
        XmlAppendNumber(message, m_owner.Rec(open.index).start);
      }
      CloseNeverEnded(found + 1);
    }
    XmlElemRec& r = m_owner.Rec(m_stack.back().index);
    r.length = static_cast<uint32_t>(t.start + t.length - r.start);
    r.endTagLength = static_cast<uint32_t>(t.length);
    --m_counts[m_stack.back().bucket];
    m_stack.pop_back();
  }

  void BadNode(const XmlToken& t) {
    m_owner.Rec(0).flags |= DOC_NOT_WELL_FORMED;
    if (!m_stack.empty()) m_owner.Rec(m_stack.back().index).flags |= ELEM_HAS_ERROR;
    if (Utf16String* message = FirstProblem()) *message = XmlProblemText(t);
  }

  // The innermost open element called `name`, or m_stack.size() when none is.
  size_t FindOpen(const Utf16Char* name, size_t length) const {
    if (m_stack.empty()) return 0;
    // The usual case: it ends the innermost element.
    const OpenElem& top = m_stack.back();
    if (XmlNamesEqual(Name(top), top.nameLength, name, length, m_bIgnoreCase)) {
      return m_stack.size() - 1;
    }
    const uint32_t bucket = Bucket(name, length);
    if (m_counts[bucket] == 0) return m_stack.size();
    for (size_t s = m_stack.size() - 1; s-- > 0;) {
      const OpenElem& e = m_stack[s];
      if (e.bucket == bucket && XmlNamesEqual(Name(e), e.nameLength, name, length, m_bIgnoreCase)) {
        return s;
      }
    }
    return m_stack.size();
  }

  // Closes the open elements m_stack[from..] as never ended: each keeps only its start tag,
  // and its children move up to follow it as siblings. Going from the outermost inwards moves
  // every element at most once (inwards-out would move the same children again at every
  // level).
  void CloseNeverEnded(size_t from) {
    for (size_t s = from; s < m_stack.size(); ++s) {
      --m_counts[m_stack[s].bucket];
      MoveChildrenUp(m_stack[s].index);
    }
    m_owner.Rec(0).flags |= DOC_NOT_WELL_FORMED;
    m_stack.resize(from);
  }

  void MoveChildrenUp(uint32_t index) {
    XmlElemRec& r = m_owner.Rec(index);
    r.length = r.startTagLength;
    r.endTagLength = 0;
    r.flags |= ELEM_NEVER_ENDED;
    const uint32_t first = r.firstChild;
    if (first == 0) return;
    const uint32_t last = m_owner.Rec(first).prevSibling;
    const uint32_t level = r.flags & ELEM_LEVEL_MASK;
    for (uint32_t c = first; c != 0; c = m_owner.Rec(c).nextSibling) {
      XmlElemRec& moved = m_owner.Rec(c);
      moved.parent = r.parent;
      moved.flags = (moved.flags & ~ELEM_LEVEL_MASK) | level;
    }
    const uint32_t next = r.nextSibling;
    m_owner.Rec(last).nextSibling = next;
    if (next != 0) {
      m_owner.Rec(next).prevSibling = last;
    } else {
      m_owner.Rec(m_owner.Rec(r.parent).firstChild).prevSibling = last;
    }
    r.nextSibling = first;
    m_owner.Rec(first).prevSibling = index;
    r.firstChild = 0;
  }

  // Where the message of the first problem goes; null once there was one.
  Utf16String* FirstProblem() {
    if (m_bProblem) return nullptr;
    m_bProblem = true;
    return &m_message;
  }

  const Utf16Char* Name(const OpenElem& e) const { return m_text + m_owner.Rec(e.index).start + 1; }

  uint32_t Bucket(const Utf16Char* name, size_t length) const {
    return NameBucket(name, length, m_bIgnoreCase);
  }

  CXmlDoc& m_owner;
  const Utf16Char* m_text;
  const bool m_bIgnoreCase;
  std::vector<OpenElem> m_stack;
  // Open elements per name bucket (NameBucket).
  std::vector<uint32_t> m_counts;
  Utf16String m_message;
  bool m_bProblem = false;
};

// Builds the element table; returns the first problem in words ("" when there is none).
// With a conversion under way, the text is indexed as it is converted.
Utf16String CXmlDoc::BuildIndex(CXmlConversion* source) {
  ClearIndex(m_doc.size() / 64 + 8);  // while converting, the size is an upper bound
  Utf16String message;
  if (source == nullptr && m_doc.empty()) {
    Append(&message, "Empty document");
  } else {
    Indexer indexer(this);
    indexer.Scan(source);
    message = indexer.Finish();
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

// The attribute of the current element called `name` or, with `name` null, the one at
// `index`: its name and its value with entities decoded.
bool CXmlDoc::FindAttrib(const Utf16Char* name, size_t index, Utf16String* nameOut,
                         Utf16String* value) const {
  if (m_iPos == 0) return false;
  const XmlElemRec& r = Rec(m_iPos);
  const Utf16Char* text = m_doc.data();
  const size_t nameLength = name ? Utf16Length(name) : 0;
  const bool ignoreCase = (m_nDocFlags & DOC_IGNORE_CASE) != 0;
  size_t pos = r.start + 1 + TagNameLength(r.start);
  const size_t end = r.start + r.startTagLength - 1;  // before the closing '>'
  XmlAttrib a;
  for (size_t i = 0; XmlNextAttrib(text, &pos, end, &a); ++i) {
    if (name ? !XmlNamesEqual(text + a.nameStart, a.nameLength, name, nameLength, ignoreCase)
             : i != index) {
      continue;
    }
    if (nameOut) nameOut->assign(text + a.nameStart, a.nameLength);
    if (value) {
      value->clear();
      XmlDecodeEntities(text + a.valueStart, a.valueLength, value);
    }
    return true;
  }
  return false;
}

bool CXmlDoc::GetAttribAt(size_t index, Utf16String* name, Utf16String* value) const {
  return FindAttrib(nullptr, index, name, value);
}

bool CXmlDoc::GetAttrib(const Utf16Char* name, Utf16String* value) const {
  return name != nullptr && FindAttrib(name, 0, nullptr, value);
}
