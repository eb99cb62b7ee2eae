#include "TextMarkup.h"

#include <algorithm>

namespace DuiLib {
namespace Skin {

namespace {

Utf16Char Fold(Utf16Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Utf16Char>(c - 'A' + 'a') : c;
}

// "{b}" or "{/b}" (any case) at text[i]: the tag's length, else 0.
size_t BoldTag(const Utf16String& text, size_t i, bool* open) {
  const bool closing = i + 1 < text.size() && text[i + 1] == '/';
  const size_t letter = i + (closing ? 2 : 1);
  if (letter + 1 >= text.size() || Fold(text[letter]) != 'b' || text[letter + 1] != '}') return 0;
  *open = !closing;
  return letter + 2 - i;
}

class MarkupParser {
 public:
  explicit MarkupParser(bool markup) : markup_(markup) {}

  std::vector<TextRun> Parse(const Utf16String& text) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
      const Utf16Char c = text[i];
      if (c == '\r') {
        Flush(true);
        if (i + 1 < n && text[i + 1] == '\n') ++i;
        continue;
      }
      if (c == '\n') {
        Flush(true);
        continue;
      }
      bool open = false;
      const size_t tag = markup_ && c == '{' ? BoldTag(text, i, &open) : 0;
      if (tag > 0) {
        Flush(false);
        if (open)
          ++bold_;
        else if (bold_ > 0)
          --bold_;
        i += tag - 1;
        continue;
      }
      buffer_.push_back(c);
    }
    Flush(false);
    return std::move(runs_);
  }

 private:
  void Flush(bool lineBreak) {
    if (buffer_.empty() && !lineBreak) return;
    TextRun run;
    run.text.swap(buffer_);
    run.style = Current();
    run.breakAfter = lineBreak;
    runs_.push_back(std::move(run));
  }

  TextStyle Current() const {
    TextStyle s;
    s.bold = bold_ > 0;
    return s;
  }

  bool markup_;
  Utf16String buffer_;
  std::vector<TextRun> runs_;
  int bold_ = 0;
};

// ---- Line breaking --------------------------------------------------------------------

bool IsHighSurrogate(Utf16Char c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Utf16Char c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters of scripts written without spaces: a line may break between any two of them.
bool IsWide(Utf16Char c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) || IsHighSurrogate(c);
}

bool InSet(Utf16Char c, const char16_t* set) {
  for (; *set; ++set) {
    if (static_cast<char16_t>(c) == *set) return true;
  }
  return false;
}

// Punctuation that must not begin a line, and openers that must not end one.
bool NoBreakBefore(Utf16Char c) { return InSet(c, u"，。、：；！？）》」』】〉”’,.;:!?)]}%…・"); }
bool NoBreakAfter(Utf16Char c) { return InSet(c, u"（《「『【〈“‘([{"); }

bool CanBreakAt(const Utf16String& s, size_t b) {
  const Utf16Char before = s[b - 1], after = s[b];
  if (IsLowSurrogate(after)) return false;
  if (after == ' ' || before == ' ') return true;
  if (NoBreakBefore(after) || NoBreakAfter(before)) return false;
  if (before == '-') return true;
  return IsWide(before) || IsWide(after);
}

// The last place in (lo, hi] where the line may break, or npos.
size_t FindBreak(const Utf16String& s, size_t lo, size_t hi) {
  for (size_t b = hi; b > lo; --b) {
    if (CanBreakAt(s, b)) return b;
  }
  return Utf16String::npos;
}

class LineBuilder {
 public:
  LineBuilder(const LayoutOptions& options, TextMeasurer& measurer)
      : options_(options), measurer_(measurer) {}

  void Run(const TextRun& run) {
    const Utf16String& s = run.text;
    const size_t n = s.size();
    size_t pos = 0;
    while (pos < n) {
      if (!options_.wrap || options_.maxWidth < 0) {
        Append(run.style, s, pos, n - pos, -1);
        break;
      }
      const int avail = std::max(0, options_.maxWidth - x_);
      size_t fit = 0;
      const int width = measurer_.Measure(run.style, s.data() + pos, n - pos, avail, &fit);
      if (fit >= n - pos) {
        Append(run.style, s, pos, n - pos, width);
        break;
      }
      size_t cut = FindBreak(s, pos, pos + fit);
      if (cut == Utf16String::npos) {
        if (open_ && x_ > 0) {
          // The word does not fit behind what is on the line: start it on a new line.
          EndLine(true);
          continue;
        }
        // Not even one word fits on an empty line: cut it where the width runs out.
        cut = pos + std::max<size_t>(fit, 1);
        if (cut < n && IsLowSurrogate(s[cut])) cut = cut > pos + 1 ? cut - 1 : cut + 1;
      }
      size_t end = cut;
      while (end > pos && s[end - 1] == ' ') --end;
      if (end > pos) Append(run.style, s, pos, end - pos, -1);
      EndLine(true);
      pos = cut;
      while (pos < n && s[pos] == ' ') ++pos;
    }
    if (run.breakAfter) {
      if (open_ || !wrapped_) {
        Open();
        EndLine(false);
      }
      wrapped_ = false;
    }
  }

  TextLayout Finish() {
    if (open_) EndLine(false);
    if (options_.endEllipsis) ApplyEllipsis();
    for (const TextLine& line : layout_.lines) {
      layout_.width = std::max(layout_.width, line.width);
      layout_.height += line.height;
    }
    return std::move(layout_);
  }

 private:
  void Open() {
    if (open_) return;
    line_ = TextLine();
    x_ = 0;
    open_ = true;
  }

  void Append(const TextStyle& style, const Utf16String& s, size_t start, size_t length,
              int width) {
    Open();
    TextFragment f;
    f.text = s.substr(start, length);
    f.style = style;
    f.x = x_;
    f.width =
        width >= 0 ? width : measurer_.Measure(style, f.text.data(), f.text.size(), -1, nullptr);
    x_ += f.width;
    line_.fragments.push_back(std::move(f));
    wrapped_ = false;
  }

  void EndLine(bool wrapped) {
    Open();
    Measure(&line_);
    layout_.lines.push_back(std::move(line_));
    open_ = false;
    x_ = 0;
    wrapped_ = wrapped;
  }

  void Measure(TextLine* line) {
    line->width = 0;
    line->height = 0;
    line->ascent = 0;
    if (line->fragments.empty()) {
      line->height = measurer_.LineHeight(options_.baseStyle);
      line->ascent = measurer_.Ascent(options_.baseStyle);
      return;
    }
    for (const TextFragment& f : line->fragments) {
      line->width = std::max(line->width, f.x + f.width);
      line->height = std::max(line->height, measurer_.LineHeight(f.style));
      line->ascent = std::max(line->ascent, measurer_.Ascent(f.style));
    }
  }

  // Shortens a line to maxWidth with "..." at its end.
  void Shorten(TextLine* line) {
    static const Utf16Char kDots[] = {'.', '.', '.', 0};
    TextStyle style = line->fragments.empty() ? options_.baseStyle : line->fragments.back().style;
    const int dotsWidth = measurer_.Measure(style, kDots, 3, -1, nullptr);
    const int room = std::max(0, options_.maxWidth - dotsWidth);
    std::vector<TextFragment> kept;
    for (TextFragment& f : line->fragments) {
      if (f.x + f.width <= room) {
        kept.push_back(std::move(f));
        continue;
      }
      size_t fit = 0;
      measurer_.Measure(f.style, f.text.data(), f.text.size(), std::max(0, room - f.x), &fit);
      if (fit > 0 && fit < f.text.size() && IsLowSurrogate(f.text[fit])) --fit;
      if (fit > 0) {
        f.text.resize(fit);
        f.width = measurer_.Measure(f.style, f.text.data(), f.text.size(), -1, nullptr);
        style = f.style;
        kept.push_back(std::move(f));
      }
      break;
    }
    TextFragment dots;
    dots.text.assign(kDots, 3);
    dots.style = style;
    dots.x = kept.empty() ? 0 : kept.back().x + kept.back().width;
    dots.width = dotsWidth;
    kept.push_back(std::move(dots));
    line->fragments.swap(kept);
    Measure(line);
  }

  void ApplyEllipsis() {
    std::vector<TextLine>& lines = layout_.lines;
    bool cutLines = false;
    if (options_.maxHeight >= 0 && lines.size() > 1) {
      int height = 0;
      size_t keep = 0;
      while (keep < lines.size() && height + lines[keep].height <= options_.maxHeight) {
        height += lines[keep].height;
        ++keep;
      }
      keep = std::max<size_t>(keep, 1);
      if (keep < lines.size()) {
        lines.resize(keep);
        cutLines = true;
      }
    }
    if (options_.maxWidth < 0) return;
    for (size_t i = 0; i < lines.size(); ++i) {
      const bool last = i + 1 == lines.size();
      if (lines[i].width > options_.maxWidth || (last && cutLines)) Shorten(&lines[i]);
    }
  }

  const LayoutOptions& options_;
  TextMeasurer& measurer_;
  TextLayout layout_;
  TextLine line_;
  bool open_ = false;
  bool wrapped_ = false;  // the last line ended by wrapping, not by a break
  int x_ = 0;
};

}  // namespace

std::vector<TextRun> ParseMarkup(const Utf16String& text, bool markup) {
  return MarkupParser(markup).Parse(text);
}

Utf16String PlainText(const std::vector<TextRun>& runs) {
  Utf16String out;
  for (const TextRun& r : runs) {
    out += r.text;
    if (r.breakAfter) out.push_back('\n');
  }
  return out;
}

TextLayout LayoutText(const std::vector<TextRun>& runs, const LayoutOptions& options,
                      TextMeasurer& measurer) {
  LineBuilder builder(options, measurer);
  for (const TextRun& run : runs) builder.Run(run);
  return builder.Finish();
}

}  // namespace Skin
}  // namespace DuiLib
