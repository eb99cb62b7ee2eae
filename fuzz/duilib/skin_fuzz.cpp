// Fuzzes what the skin library does with a skin file's text: the element tree, every attribute
// value as colour, numbers and boolean, texts through the markup and the line layout, and each
// container's children through the box layout.
#include <cstddef>
#include <cstdint>
#include <string>

#include "BoxLayout.h"
#include "SkinTree.h"
#include "TextMarkup.h"

using namespace DuiLib::Skin;

namespace {

class Measurer : public TextMeasurer {
 public:
  int Measure(const TextStyle& style, const Utf16Char*, size_t n, int maxWidth,
              size_t* fit) override {
    const int unit = style.bold ? 9 : 7;
    if (maxWidth >= 0 && fit) *fit = std::min<size_t>(n, static_cast<size_t>(maxWidth / unit));
    return static_cast<int>(std::min<size_t>(n, 1000000)) * unit;
  }
  int LineHeight(const TextStyle& style) override { return style.bold ? 20 : 16; }
  int Ascent(const TextStyle&) override { return 12; }
};

void Visit(const SkinElement& e, int width) {
  std::vector<BoxItem> items;
  for (const auto& a : e.attributes) {
    uint32_t color = 0;
    ParseColor(a.second.c_str(), &color);
    int values[4];
    ParseInts(a.second.c_str(), values, 4);
    ParseBool(a.second.c_str());
    Measurer m;
    LayoutOptions o;
    o.maxWidth = width;
    o.maxHeight = values[1];
    o.wrap = (values[0] & 1) != 0;
    o.endEllipsis = (values[0] & 2) != 0;
    LayoutText(ParseMarkup(a.second, true), o, m);
  }
  for (const SkinElement& child : e.children) {
    BoxItem item;
    for (const auto& a : child.attributes) {
      int v[4];
      ParseInts(a.second.c_str(), v, 4);
      if (a.first.size() == 5) item.width = v[0];
      if (a.first.size() == 6) item.height = v[0];
      if (a.first.size() == 7) item.padding.left = v[0], item.padding.right = v[2];
      if (a.first.size() == 8) item.minWidth = v[0], item.maxWidth = v[1];
    }
    items.push_back(item);
    Visit(child, width / 2);
  }
  Box area;
  area.right = width;
  area.bottom = width / 2;
  LayoutBoxes(items, area, (width & 1) != 0, width % 7, Align::kCenter, Align::kEnd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Utf16String text = Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
  SkinElement window;
  Utf16String error;
  ParseSkinText(text, &window, &error);
  Visit(window, static_cast<int>(size % 997));
  return 0;
}
