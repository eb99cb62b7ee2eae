// LoadFile over arbitrary file contents: byte-order marks, declarations, the UTF-8 check,
// code-page conversion through iconv, zero bytes, then the index and a walk through it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "XmlDoc.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = FilePath();
  FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr);
  Check(std::fwrite(data, 1, size, f) == size);
  Check(std::fclose(f) == 0);

  CXmlDoc doc;
  const bool ok = doc.LoadFile(Utf8ToUtf16(path).c_str());
  std::remove(path.c_str());
  Check(ok == doc.IsWellFormed());
  Check(!doc.ResultText().empty());  // the load report at least
  Check((doc.GetDocFlags() & CXmlDoc::DOC_READING) == 0);
  // Never more UTF-16 units than bytes read.
  Check(doc.GetDocLength() <= size);

  size_t visits = 0;
  for (;;) {
    if (doc.FindElement(nullptr)) {
      Check(++visits <= size);
      Check(!doc.GetTagName().empty());
      Check(doc.ElementData().size() <= doc.GetDocLength());
      Utf16String value;
      doc.GetAttrib(u"name", &value);
      Check(doc.EnterElement());
      continue;
    }
    if (!doc.LeaveElement()) break;
  }
  return 0;
}
