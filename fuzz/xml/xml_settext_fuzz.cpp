// Indexes arbitrary UTF-16 text and walks every element: names, text, attributes. Besides
// memory safety (ASan/UBSan) it checks what callers rely on: navigation always ends, every
// element found has a name, and no text read out is longer than the document.
//
// The first byte chooses how the rest becomes text: bit 0 clear, UTF-8 (so seeds stay
// readable); set, raw little-endian UTF-16 units. Bit 1 compares names without case.
#include <cstdint>
#include <cstdlib>

#include "XmlDoc.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  Utf16String text;
  if (mode & 1) {
    text.resize(size / 2);
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<Utf16Char>(data[2 * i] | (data[2 * i + 1] << 8));
    }
  } else {
    text = Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
  }

  CXmlDoc doc;
  if (mode & 2) doc.SetDocFlags(CXmlDoc::DOC_IGNORE_CASE);
  const bool wellFormed = doc.SetDocText(text.data(), text.size());
  Check(wellFormed == doc.IsWellFormed());
  Check(wellFormed == doc.ResultText().empty());
  Check(doc.GetDocLength() == text.size() &&
        Utf16String(doc.GetDocText(), doc.GetDocLength()) == text);

  // Depth first through every element. Each start tag takes at least 3 units.
  size_t visits = 0;
  for (;;) {
    if (doc.FindElement(nullptr)) {
      Check(++visits <= text.size() / 3 + 1);
      const Utf16String name = doc.GetTagName();
      Check(!name.empty() && name.size() < text.size());
      Check(doc.ElementData().size() <= text.size());
      Utf16String attribName, attribValue;
      for (size_t i = 0; doc.GetAttribAt(i, &attribName, &attribValue); ++i) {
        Check(attribName.size() + attribValue.size() <= text.size());
        Check(i < text.size());
        Utf16String again;
        Check(doc.GetAttrib(attribName.c_str(), &again) ||
              attribName.find(Utf16Char(0)) != Utf16String::npos);
      }
      Check(doc.EnterElement());
      continue;
    }
    if (!doc.LeaveElement()) break;
  }
  if (wellFormed) Check(visits >= 1);

  // Searching by name from the top finds the root again.
  doc.ResetPos();
  if (doc.FindElement(nullptr)) {
    const Utf16String root = doc.GetTagName();
    doc.ResetPos();
    if (root.find(Utf16Char(0)) == Utf16String::npos) Check(doc.FindElement(root.c_str()));
  }
  return 0;
}
