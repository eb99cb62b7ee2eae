#include "SkinTree.h"

#include "XmlDoc.h"

namespace DuiLib {
namespace Skin {

namespace {

Utf16String Ascii(const char* s) { return Utf16String(s, s + std::char_traits<char>::length(s)); }

void ReadAttributes(const CXmlDoc& doc, SkinElement* element) {
  Utf16String name, value;
  for (size_t i = 0; doc.GetAttribAt(i, &name, &value); ++i) {
    element->attributes.emplace_back(name, value);
  }
}

bool ReadChildren(CXmlDoc& doc, SkinElement* parent, int depth, Utf16String* error) {
  if (!doc.HasChildElements()) return true;
  if (depth >= kMaxSkinDepth) {
    *error = Ascii("elements nest more than 64 levels deep");
    return false;
  }
  if (!doc.EnterElement()) return true;
  bool ok = true;
  while (ok && doc.FindElement(nullptr)) {
    parent->children.emplace_back();
    SkinElement& child = parent->children.back();
    child.tag = doc.GetTagName();
    ReadAttributes(doc, &child);
    ok = ReadChildren(doc, &child, depth + 1, error);
  }
  doc.LeaveElement();
  return ok;
}

}  // namespace

const Utf16String* SkinElement::Find(const Utf16Char* name) const {
  for (const auto& a : attributes) {
    if (a.first == name) return &a.second;
  }
  return nullptr;
}

bool ReadSkin(CXmlDoc& doc, SkinElement* window, Utf16String* error) {
  *window = SkinElement();
  if (!doc.IsWellFormed()) {
    *error = doc.ResultText().empty() ? Ascii("the XML is not well-formed") : doc.ResultText();
    return false;
  }
  doc.ResetPos();
  if (!doc.FindElement(nullptr)) {
    *error = Ascii("no root element");
    return false;
  }
  window->tag = doc.GetTagName();
  static const Utf16Char kWindow[] = {'W', 'i', 'n', 'd', 'o', 'w', 0};
  if (window->tag != kWindow) {
    *error = Ascii("the root element is <") + window->tag + Ascii(">, not <Window>");
    return false;
  }
  ReadAttributes(doc, window);
  return ReadChildren(doc, window, 1, error);
}

bool ParseSkinText(const Utf16String& text, SkinElement* window, Utf16String* error) {
  CXmlDoc doc;
  doc.SetDocText(text.c_str(), text.size());
  return ReadSkin(doc, window, error);
}

}  // namespace Skin
}  // namespace DuiLib
