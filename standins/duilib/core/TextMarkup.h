// Text of labels and buttons: the inline markup and the arrangement of styled text in lines.
//
// Markup (only where a control asks for it): {b}...{/b} makes text bold. The tags nest; a
// closing tag without an opening one is ignored; anything else in braces is ordinary text.
// A line feed (or CR, or CR LF) breaks the line in any text.
#pragma once

#include "Utf16.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace DuiLib {
namespace Skin {

// How a piece of text is drawn, on top of the control's own font and colour.
struct TextStyle {
  bool bold = false;
};

// A piece of text in one style; breakAfter: a line break follows it.
struct TextRun {
  Utf16String text;
  TextStyle style;
  bool breakAfter = false;
};

// Cuts a text into runs. Without markup only line breaks cut it.
std::vector<TextRun> ParseMarkup(const Utf16String& text, bool markup);

// The runs' text without markup, line breaks as '\n' (what the user reads).
Utf16String PlainText(const std::vector<TextRun>& runs);

// Measures text for the layout; the Windows side measures with the real fonts.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() {}
  // Width of s[0, n) in the style. When maxWidth >= 0, *fit is set to how many units from the
  // start fit within maxWidth.
  virtual int Measure(const TextStyle& style, const Utf16Char* s, size_t n, int maxWidth,
                      size_t* fit) = 0;
  virtual int LineHeight(const TextStyle& style) = 0;
  virtual int Ascent(const TextStyle& style) = 0;
};

struct TextFragment {
  Utf16String text;
  TextStyle style;
  int x = 0;  // from the line's start
  int width = 0;
};

struct TextLine {
  std::vector<TextFragment> fragments;
  int width = 0;
  int height = 0;
  int ascent = 0;
};

struct LayoutOptions {
  int maxWidth = -1;         // < 0: unlimited
  int maxHeight = -1;        // < 0: unlimited; used with endEllipsis
  bool wrap = false;         // break lines that are wider than maxWidth
  bool endEllipsis = false;  // shorten what does not fit and end it with "..."
  TextStyle baseStyle;       // the style of empty lines
};

struct TextLayout {
  std::vector<TextLine> lines;
  int width = 0;
  int height = 0;
};

TextLayout LayoutText(const std::vector<TextRun>& runs, const LayoutOptions& options,
                      TextMeasurer& measurer);

}  // namespace Skin
}  // namespace DuiLib
