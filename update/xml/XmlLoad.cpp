// CXmlDoc::LoadFile: finding out how a file is encoded, reading it, turning it into UTF-16
// text and reporting what was done. All of it is portable; the platform gives only the file
// primitives and the code-page conversion (XmlPlatform.h).
#include <algorithm>
#include <new>

#include "XmlConversion.h"
#include "XmlDoc.h"
#include "XmlEncoding.h"
#include "XmlPlatform.h"
#include "XmlScan.h"

namespace {

void Append(Utf16String* out, const char* ascii) { XmlAppendAscii(out, ascii); }

// What one load finds out, step by step, for the text and for the report.
struct FileLoad {
  CXmlFileReader file;
  // The encoding: a byte-order mark, a declaration or a leading '<' names it before reading
  // (`named`); otherwise the UTF-8 check may name it afterwards.
  Utf16String name;
  bool named = false;
  size_t markLength = 0;
  bool utf16 = false;
  bool bigEndian = false;
  uint64_t size = 0;
  // What reading found.
  bool nothingToRead = false;
  size_t length = 0;     // bytes read, or 16-bit units of a UTF-16 file
  size_t zeros = 0;      // zero bytes (or units) left out
  bool checked = false;  // the UTF-8 check ran
  // UTF-8 is converted as the text is indexed: read from the file as it goes (`fromFile`),
  // or from the bytes already read.
  CXmlConversion conversion;
  bool converting = false;
  bool fromFile = false;
};

unsigned CodePage(const Utf16String& name) { return XmlCodePageOfName(name.data(), name.size()); }

// The encoding from the first bytes: a byte-order mark (which sets its document flag); else a
// declaration within the first 1024 bytes; else a file starting with '<' is UTF-8.
bool DetectEncoding(FileLoad* load, unsigned* flags) {
  if (!load->file.Size(&load->size)) return false;
  if (load->size == 0) return true;
  unsigned char head[1024];
  size_t headLength = 0;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(load->size, sizeof head));
  if (!XmlReadFully(&load->file, 0, head, want, &headLength)) return false;
  switch (XmlDetectBom(head, headLength, &load->markLength)) {
    case XML_BOM_UTF8:
      Append(&load->name, "UTF-8");
      *flags |= CXmlDoc::DOC_UTF8_BOM;
      break;
    case XML_BOM_UTF16LE:
      Append(&load->name, "UTF-16LE");
      *flags |= CXmlDoc::DOC_UTF16LE_BOM;
      load->utf16 = true;
      break;
    case XML_BOM_UTF16BE:
      Append(&load->name, "UTF-16BE");
      *flags |= CXmlDoc::DOC_UTF16BE_BOM;
      load->utf16 = true;
      load->bigEndian = true;
      break;
    case XML_BOM_NONE:
      if (headLength > 0) {
        Utf16String first(headLength, 0);
        const char* bytes = reinterpret_cast<const char*>(head);
        first.resize(XmlConvertToUtf16(XML_CP_UTF8, bytes, headLength, &first[0], headLength));
        load->name = XmlDeclaredEncoding(first.data(), first.size());
        if (load->name.empty() && head[0] == '<') Append(&load->name, "UTF-8");
      }
      break;
  }
  load->named = !load->name.empty();
  return true;
}

// A UTF-16 file fills the text as it is, less its zero units, swapped when big-endian.
bool ReadUtf16(FileLoad* load, size_t length, XmlTextBuffer* text) {
  text->resize((length + 1) / 2);
  size_t got = 0;
  if (!XmlReadFully(&load->file, load->markLength, text->data(), length, &got)) return false;
  size_t units = got / 2;  // an odd last byte is no unit
  load->length = units;
  load->zeros = XmlUnitsInPlace(text->data(), &units, load->bigEndian);
  text->resize(units);
  return true;
}

// The bytes of an 8-bit file are read whole into the upper half of the text's own storage (no
// second copy of the file is made) and lose their zero bytes. Undeclared, they are UTF-8 when
// they pass as such, else in the system's ANSI code page. UTF-8 is then converted as the
// text is indexed, any other code page at once.
bool Read8Bit(FileLoad* load, size_t length, XmlTextBuffer* text) {
  text->resize(length);
  char* bytes = reinterpret_cast<char*>(text->data()) + length;
  size_t n = 0;
  if (!XmlReadFully(&load->file, load->markLength, bytes, length, &n)) return false;
  load->length = n;
  load->zeros = XmlRemoveZeroBytes(bytes, &n);
  if (!load->named) {
    load->checked = true;
    if (XmlLooksLikeUtf8(reinterpret_cast<const unsigned char*>(bytes), n)) {
      Append(&load->name, "UTF-8");
    }
  }
  const unsigned codePage = CodePage(load->name);
  if (codePage == XML_CP_UTF8) {
    load->conversion.FromMemory(bytes, n, text);
    load->converting = true;
    return true;
  }
  // Measured, then converted into a text of its own.
  XmlTextBuffer converted(XmlConvertToUtf16(codePage, bytes, n, nullptr, 0));
  converted.resize(XmlConvertToUtf16(codePage, bytes, n, converted.data(), converted.size()));
  text->swap(converted);
  return true;
}

// Reads what follows the mark into `text`. Declared UTF-8 (the usual file) is read a piece
// at a time as it is converted and indexed.
bool ReadText(FileLoad* load, XmlTextBuffer* text) {
  const uint64_t toRead = load->size - std::min<uint64_t>(load->size, load->markLength);
  if (toRead == 0) {
    load->nothingToRead = true;
    text->clear();
    return true;
  }
  if (toRead > kXmlMaxDocLength) {
    load->file.SetTooLarge();
    return false;
  }
  const size_t length = static_cast<size_t>(toRead);
  if (load->utf16) return ReadUtf16(load, length, text);
  if (!load->named || CodePage(load->name) != XML_CP_UTF8) return Read8Bit(load, length, text);
  text->resize(length);  // UTF-8 never gives more units than bytes
  load->conversion.FromFile(&load->file, load->markLength, length, text);
  load->converting = true;
  load->fromFile = true;
  return true;
}

// The encoding part of the report: the name with the mark found, or the name that the UTF-8
// check gave, or "ANSI".
Utf16String OpenPart(const FileLoad& load) {
  Utf16String part = load.name;
  if (part.empty()) {
    Append(&part, "ANSI");
  } else if (load.named && load.markLength != 0) {
    Append(&part, " BOM +");
  }
  part.push_back(' ');
  return part;
}

// What reading found: the length read and the zeros left out, then how the text came about.
Utf16String ReadPart(const FileLoad& load, size_t units) {
  Utf16String part;
  if (load.nothingToRead) {
    Append(&part, "0 length ");
    return part;
  }
  const size_t zeros = load.fromFile ? load.conversion.RemovedZeros() : load.zeros;
  Append(&part, "length ");
  XmlAppendNumber(&part, load.fromFile ? load.conversion.BytesRead() : load.length);
  part.push_back(' ');
  if (zeros != 0) {
    Append(&part, "(");
    XmlAppendNumber(&part, zeros);
    Append(&part, " nulls removed) ");
  }
  if (load.utf16) {
    if (load.bigEndian) Append(&part, "endian swap ");
    return part;
  }
  if (load.checked) Append(&part, "(used UTF-8 detection) ");
  Append(&part, "to ");
  XmlAppendNumber(&part, units);
  Append(&part, " wide chars ");
  return part;
}

// A system message as the report gives it: its first line, at most 100 characters.
Utf16String FirstLine(Utf16String text) {
  const size_t eol = text.find_first_of(U16("\r\n"));
  if (eol != Utf16String::npos) text.resize(eol);
  if (text.size() > 100) text.resize(100);
  return text;
}

}  // namespace

bool CXmlDoc::LoadFile(const Utf16Char* path) {
  m_nDocFlags &= ~(DOC_UTF16LE_BOM | DOC_UTF8_BOM | DOC_UTF16BE_BOM | DOC_READING);
  FileLoad load;
  if (!load.file.Open(path)) {
    DropDocument(FirstLine(load.file.SystemMessage()));
    return false;
  }
  m_nDocFlags |= DOC_READING;
  Utf16String message;
  bool ok = false;
  try {
    ok = DetectEncoding(&load, &m_nDocFlags) && ReadText(&load, &m_doc);
    if (ok) message = BuildIndex(load.converting ? &load.conversion : nullptr);
    ok = ok && !load.conversion.Failed();
  } catch (const std::bad_alloc&) {
    // No memory for the text or its index: a failed load like any other.
    load.file.SetOutOfMemory();
    ok = false;
  }
  m_nDocFlags &= ~DOC_READING;
  if (!ok) {
    // The system's message takes the place of what reading would have found.
    DropDocument(OpenPart(load) + FirstLine(load.file.SystemMessage()));
    return false;
  }
  return SetResult(OpenPart(load) + ReadPart(load, m_doc.size()), message);
}
