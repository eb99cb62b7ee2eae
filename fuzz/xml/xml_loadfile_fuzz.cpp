// LoadFile over arbitrary file contents: byte-order marks, declarations, the UTF-8 check,
// code-page conversion, zero bytes, then the index and a walk through it. UTF-8 text must be
// what converting the whole file at once gives.
//
// Built twice. As fuzz_xml_loadfile the input is the file. As fuzz_xml_loadfile_pieces
// (XML_FUZZ_REPEAT_TO set) the input is repeated to that size first, well past a conversion
// piece, so that UTF-8 is read, converted and indexed in several pieces with the input's own
// bytes at every cut; that costs too much time per input to do in the first.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "XmlDoc.h"
#include "XmlEncoding.h"
#include "XmlPlatform.h"

#ifndef XML_FUZZ_REPEAT_TO
#define XML_FUZZ_REPEAT_TO 0
#endif

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// A file of this process's own; removed after each load (libFuzzer may end the process
// without running exit handlers).
const std::string& FilePath() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_xml_loadfile." +
           std::to_string(static_cast<long>(getpid())) + ".xml";
  }();
  return path;
}

bool StartsWith(const Utf16String& text, const char* ascii) {
  const Utf16String prefix = Utf8ToUtf16(ascii);
  return text.compare(0, prefix.size(), prefix) == 0;
}

// UTF-8 that was read (after a mark, if any) and converted: the text is the whole file's
// bytes, without zero bytes, converted at once.
void CheckUtf8Text(const CXmlDoc& doc, const std::string& file) {
  const Utf16String& result = doc.ResultText();
  const bool mark = StartsWith(result, "UTF-8 BOM + length ");
  if (!mark && !StartsWith(result, "UTF-8 length ")) return;
  std::string bytes = file.substr(mark ? 3 : 0);
  bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
  Utf16String whole(bytes.size(), 0);
  whole.resize(XmlConvertToUtf16(XML_CP_UTF8, bytes.data(), bytes.size(), &whole[0], whole.size()));
  Check(Utf16String(doc.GetDocText(), doc.GetDocLength()) == whole);
}

// Loads `file` and walks through at most `walk` elements.
void LoadAndWalk(const std::string& file, size_t walk) {
  const std::string& path = FilePath();
  FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr);
  Check(std::fwrite(file.data(), 1, file.size(), f) == file.size());
  Check(std::fclose(f) == 0);

  CXmlDoc doc;
  const bool ok = doc.LoadFile(Utf8ToUtf16(path).c_str());
  std::remove(path.c_str());
  Check(ok == doc.IsWellFormed());
  Check(!doc.ResultText().empty());  // the load report at least
  Check((doc.GetDocFlags() & CXmlDoc::DOC_READING) == 0);
  // Never more UTF-16 units than bytes read.
  Check(doc.GetDocLength() <= file.size());
  CheckUtf8Text(doc, file);

  size_t visits = 0;
  while (visits < walk) {
    if (doc.FindElement(nullptr)) {
      Check(++visits <= file.size());
      Check(!doc.GetTagName().empty());
      Check(doc.ElementData().size() <= doc.GetDocLength());
      Utf16String value;
      doc.GetAttrib(U16("name"), &value);
      Check(doc.EnterElement());
      continue;
    }
    if (!doc.LeaveElement()) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  if (XML_FUZZ_REPEAT_TO == 0) {
    LoadAndWalk(file, size);
  } else if (size != 0) {
    while (file.size() < XML_FUZZ_REPEAT_TO) file.append(reinterpret_cast<const char*>(data), size);
    // The walk through a document made of many copies adds little but time.
    LoadAndWalk(file, 1000);
  }
  return 0;
}
