#include "UpdateCore.h"

#include <cmath>

void SplitText(const Utf16String& text, Utf16Char delimiter, std::vector<Utf16String>* pieces) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == delimiter) {
      pieces->push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) pieces->push_back(text.substr(start));
}

Utf16String FormatPlan(const Utf16String& planText) {
  std::vector<Utf16String> pieces;
  SplitText(planText, U16(';'), &pieces);
  Utf16String out;
  int n = 1;
  for (const Utf16String& piece : pieces) {
    for (char digit : std::to_string(n++)) out.push_back(static_cast<Utf16Char>(digit));
    out.push_back(static_cast<Utf16Char>(0xFF1A));  // full-width colon
    out += piece;
    out.push_back(U16('\n'));
  }
  return out;
}

// The figures follow IEEE arithmetic at the stated precision step by step. The volatile
// stores make each step round to its type even where the compiler would otherwise keep
// intermediates wider (the x87 unit of 32-bit x86): 7 of 10 kilobytes must show 69, as
// single precision gives, not the 70 of exact arithmetic.
int ProgressBarValue(int32_t total, int32_t done) {
  if (total <= 0) return 0;
  volatile double ratio = static_cast<double>(done) / static_cast<double>(total);
  volatile double value = ratio * 100.0;
  if (!(value > 0.0)) return 0;
  if (value >= 100.0) return 100;
  return static_cast<int>(value);
}

int ProgressPercent(int32_t total, int32_t done) {
  if (total <= 0) return 0;
  const int32_t totalKB = total / 1024;
  const int32_t doneKB = done / 1024;
  if (totalKB == 0) return done >= total ? 100 : 0;
  volatile float ratio = static_cast<float>(doneKB) / static_cast<float>(totalKB);
  volatile double percent = static_cast<double>(ratio) * 100.0;
  if (!(percent > 0.0)) return 0;
  if (percent >= 100.0) return 100;
  return static_cast<int>(percent);
}

void ScaleProgress(double total, double done, uint32_t* total32, uint32_t* done32) {
  const double kLimit = 2147483647.0;  // what a signed 32-bit message parameter holds
  if (!(total > 0.0)) total = 0.0;
  if (!(done > 0.0)) done = 0.0;
  if (total <= kLimit && done <= kLimit) {
    *total32 = static_cast<uint32_t>(total);
    *done32 = static_cast<uint32_t>(done);
    return;
  }
  const double factor = std::ceil((total > done ? total : done) / kLimit);
  uint32_t t = static_cast<uint32_t>(total / factor);
  uint32_t d = static_cast<uint32_t>(done / factor);
  if (done < total && d >= t) d = t > 0 ? t - 1 : 0;
  if (done >= total) d = t;
  *total32 = t;
  *done32 = d;
}

bool VersionsMatch(const Utf16String& expected, const Utf16String& installed) {
  return expected == installed;
}

std::string PercentEncodeNonAscii(const Utf16String& url) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : Utf16ToUtf8(url)) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 15]);
    }
  }
  return out;
}

Utf16String SignatureUrl(const Utf16String& packageUrl) {
  size_t cut = packageUrl.find_first_of(U16("?#"));
  if (cut == Utf16String::npos) cut = packageUrl.size();
  Utf16String url = packageUrl;
  url.insert(cut, U16(".sig"));
  return url;
}
