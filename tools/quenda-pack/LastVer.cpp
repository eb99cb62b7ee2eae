#include "LastVer.h"

#include "PackFs.h"
#include "Utf16.h"
#include "XmlDoc.h"

namespace qpack {

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

// The steps of the updater's own reading: config, into it, version, its text.
bool ReadVersion(CXmlDoc* doc, std::string* version, std::string* why) {
  if (!doc->FindElement(U16("config")) || !doc->EnterElement() ||
      !doc->FindElement(U16("version"))) {
    *why = "lastver.xml has no <config><version> element";
    return false;
  }
  *version = Utf16ToUtf8(doc->ElementData());
  return true;
}

}  // namespace

std::string RefuseVersion(const std::string& version) {
  if (version.empty()) return "the version is empty";
  if (Utf16ToUtf8(Utf8ToUtf16(version)) != version) return "the version is not valid UTF-8";
  for (char c : version) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return "the version holds a control character";
    }
  }
  if (version.front() == ' ' || version.back() == ' ') {
    return "the version starts or ends with a space, which the updater would compare too";
  }
  // It must read back as it is written.
  CXmlDoc doc;
  std::string back, why;
  const Utf16String text = Utf8ToUtf16(MakeVersionFile(version));
  if (!doc.SetDocText(text.c_str(), text.size()) || !ReadVersion(&doc, &back, &why) ||
      back != version) {
    return "the version does not read back from lastver.xml as it was written";
  }
  return std::string();
}

std::string MakeVersionFile(const std::string& version) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config><version>" + Escape(version) +
         "</version></config>\r\n";
}

bool ReadVersionFile(const std::string& path, std::string* version, std::string* why) {
  CXmlDoc doc;
  const Utf16String wide = Utf8ToUtf16(path);
  if (!doc.LoadFile(wide.c_str())) {
    *why = "lastver.xml can't be read as XML: " + Utf16ToUtf8(doc.ResultText());
    return false;
  }
  return ReadVersion(&doc, version, why);
}

bool ReadVersionBytes(const std::string& bytes, std::string* version, std::string* why) {
  TempFile file;
  return file.Create(bytes, why) && ReadVersionFile(file.path(), version, why);
}

}  // namespace qpack
