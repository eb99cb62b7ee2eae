// A skin file as a plain tree of elements and attributes, read with the XML reader. The
// Windows side turns the tree into controls; keeping this step portable lets it be tested and
// fuzzed natively.
//
// A skin's root element is <Window> (window attributes such as size and caption); its children
// are <Font> settings and one root control, whose children are controls again.
#pragma once

#include "SkinValues.h"

#include <vector>

class CXmlDoc;

namespace DuiLib {
namespace Skin {

// Controls nest at most this deep; deeper skins are refused rather than risking the stack.
const int kMaxSkinDepth = 64;

struct SkinElement {
  Utf16String tag;
  AttributeList attributes;  // in the order written
  std::vector<SkinElement> children;

  // The attribute's value, or null when absent (names compared exactly).
  const Utf16String* Find(const Utf16Char* name) const;
};

// Reads the tree from a loaded document. False, with the reason in *error, when the document
// is not well-formed, its root is not <Window> or it nests too deeply.
bool ReadSkin(CXmlDoc& doc, SkinElement* window, Utf16String* error);

// SetDocText and ReadSkin in one step.
bool ParseSkinText(const Utf16String& text, SkinElement* window, Utf16String* error);

}  // namespace Skin
}  // namespace DuiLib
