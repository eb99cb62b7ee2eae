#include "HttpFields.h"

#include <cstring>

namespace ferrow {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A cursor over a field value; every reader leaves it unchanged when it fails.
struct Cursor {
  const char* p;
  const char* end;

  bool AtEnd() const { return p == end; }
  void SkipBlanks() {
    while (p != end && IsBlank(*p)) ++p;
  }
  bool Take(char c) {
    if (p == end || *p != c) return false;
    ++p;
    return true;
  }
  // Decimal number of at least minDigits and at most maxDigits digits, no overflow.
  bool Number(uint64_t* out, size_t minDigits = 1, size_t maxDigits = 19) {
    const char* q = p;
    uint64_t v = 0;
    size_t n = 0;
    while (q != end && IsDigit(*q)) {
      if (n == maxDigits) return false;
      v = v * 10 + static_cast<uint64_t>(*q - '0');
      ++q;
      ++n;
    }
    if (n < minDigits) return false;
    p = q;
    *out = v;
    return true;
  }
  // A run of letters, folded to lower case.
  bool Word(std::string* out) {
    const char* q = p;
    while (q != end && IsAlpha(*q)) ++q;
    if (q == p) return false;
    out->clear();
    for (const char* r = p; r != q; ++r) out->push_back(Lower(*r));
    p = q;
    return true;
  }
};

Cursor Over(const std::string& s) { return Cursor{s.data(), s.data() + s.size()}; }

// 19 digits always fit in 64 bits unsigned; keep lengths within the signed range as well,
// since file positions are signed on every platform.
const uint64_t kMaxLength = 0x7FFFFFFFFFFFFFFFull;

int MonthIndex(const std::string& word) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  for (int i = 0; i < 12; ++i) {
    if (word == kMonths[i]) return i + 1;
  }
  return 0;
}

bool IsWeekday(const std::string& word) {
  static const char* const kDays[] = {"mon",      "tue",    "wed",      "thu",     "fri",
                                      "sat",      "sun",    "monday",   "tuesday", "wednesday",
                                      "thursday", "friday", "saturday", "sunday"};
  for (const char* d : kDays) {
    if (word == d) return true;
  }
  return false;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool Time(Cursor* c, uint64_t* h, uint64_t* m, uint64_t* s) {
  Cursor k = *c;
  if (!k.Number(h, 2, 2) || !k.Take(':') || !k.Number(m, 2, 2) || !k.Take(':') ||
      !k.Number(s, 2, 2)) {
    return false;
  }
  *c = k;
  return true;
}

}  // namespace

bool ParseContentLength(const std::string& value, uint64_t* length) {
  Cursor c = Over(value);
  c.SkipBlanks();
  uint64_t v = 0;
  if (!c.Number(&v)) return false;
  c.SkipBlanks();
  if (!c.AtEnd() || v > kMaxLength) return false;
  *length = v;
  return true;
}

bool ParseContentRange(const std::string& value, ContentRange* range) {
  Cursor c = Over(value);
  c.SkipBlanks();
  std::string unit;
  if (!c.Word(&unit) || unit != "bytes") return false;
  if (c.AtEnd() || !IsBlank(*c.p)) return false;
  c.SkipBlanks();
  ContentRange r;
  if (!c.Number(&r.first)) return false;
  c.SkipBlanks();
  if (!c.Take('-')) return false;
  c.SkipBlanks();
  if (!c.Number(&r.last)) return false;
  c.SkipBlanks();
  if (!c.Take('/')) return false;
  c.SkipBlanks();
  if (c.Take('*')) {
    r.completeKnown = false;
  } else {
    if (!c.Number(&r.complete)) return false;
    r.completeKnown = true;
  }
  c.SkipBlanks();
  if (!c.AtEnd() || r.first > r.last || r.last >= kMaxLength) return false;
  if (r.completeKnown && (r.last >= r.complete || r.complete > kMaxLength)) return false;
  *range = r;
  return true;
}

bool IsChunked(const std::string& transferEncoding) {
  // The codings are a comma-separated list; only the last one frames the message.
  size_t end = transferEncoding.size();
  while (end > 0 && (IsBlank(transferEncoding[end - 1]) || transferEncoding[end - 1] == ',')) {
    --end;
  }
  size_t begin = end;
  while (begin > 0 && transferEncoding[begin - 1] != ',') --begin;
  while (begin < end && IsBlank(transferEncoding[begin])) ++begin;
  static const char kChunked[] = "chunked";
  if (end - begin != sizeof kChunked - 1) return false;
  for (size_t i = 0; i < end - begin; ++i) {
    if (Lower(transferEncoding[begin + i]) != kChunked[i]) return false;
  }
  return true;
}

bool ParseHttpDate(const std::string& value, int64_t* unixTime) {
  Cursor c = Over(value);
  c.SkipBlanks();
  std::string word;
  if (!c.Word(&word) || !IsWeekday(word)) return false;
  uint64_t year = 0, month = 0, day = 0, h = 0, m = 0, s = 0;
  if (c.Take(',')) {
    c.SkipBlanks();
    if (!c.Number(&day, 1, 2)) return false;
    if (c.Take('-')) {
      // RFC 850: Sunday, 06-Nov-94 08:49:37 GMT
      if (!c.Word(&word) || (month = MonthIndex(word)) == 0 || !c.Take('-') ||
          !c.Number(&year, 2, 4)) {
        return false;
      }
      if (year < 100) year += year < 70 ? 2000 : 1900;
    } else {
      // IMF-fixdate: Sun, 06 Nov 1994 08:49:37 GMT
      c.SkipBlanks();
      if (!c.Word(&word) || (month = MonthIndex(word)) == 0) return false;
      c.SkipBlanks();
      if (!c.Number(&year, 4, 4)) return false;
    }
    c.SkipBlanks();
    if (!Time(&c, &h, &m, &s)) return false;
    c.SkipBlanks();
    if (!c.Word(&word) || word != "gmt") return false;
  } else {
    // asctime: Sun Nov  6 08:49:37 1994
    c.SkipBlanks();
    if (!c.Word(&word) || (month = MonthIndex(word)) == 0) return false;
    c.SkipBlanks();
    if (!c.Number(&day, 1, 2)) return false;
    c.SkipBlanks();
    if (!Time(&c, &h, &m, &s)) return false;
    c.SkipBlanks();
    if (!c.Number(&year, 4, 4)) return false;
  }
  c.SkipBlanks();
  if (!c.AtEnd()) return false;
  if (day < 1 || day > 31 || h > 23 || m > 59 || s > 60 || year < 1900) return false;
  *unixTime = DaysFromCivil(static_cast<int64_t>(year), static_cast<unsigned>(month),
                            static_cast<unsigned>(day)) *
                  86400 +
              static_cast<int64_t>(h * 3600 + m * 60 + s);
  return true;
}

bool ParseRetryAfter(const std::string& value, int64_t nowUnix, uint64_t* seconds) {
  Cursor c = Over(value);
  c.SkipBlanks();
  uint64_t delta = 0;
  if (c.Number(&delta)) {
    c.SkipBlanks();
    if (!c.AtEnd()) return false;
    *seconds = delta;
    return true;
  }
  int64_t when = 0;
  if (!ParseHttpDate(value, &when)) return false;
  *seconds = when > nowUnix ? static_cast<uint64_t>(when - nowUnix) : 0;
  return true;
}

bool IsStrongEtag(const std::string& etag) {
  if (etag.size() < 2 || etag.front() != '"' || etag.back() != '"') return false;
  // No quote inside, and nothing that would break the request header it is copied into.
  for (size_t i = 1; i + 1 < etag.size(); ++i) {
    const unsigned char ch = static_cast<unsigned char>(etag[i]);
    if (ch == '"' || ch < 0x21 || ch == 0x7F) return false;
  }
  return true;
}

bool IsTransientStatus(unsigned status) {
  return status == 408 || status == 429 || (status >= 500 && status <= 599);
}

uint32_t RetryDelayMs(unsigned failures, uint64_t retryAfterSeconds, uint32_t jitter) {
  const uint32_t kBase = 500, kMax = 8000, kRetryAfterMax = 60;
  uint32_t delay = kBase;
  for (unsigned i = 1; i < failures && delay < kMax; ++i) delay *= 2;
  if (delay > kMax) delay = kMax;
  delay += jitter % (delay / 5 + 1);
  if (retryAfterSeconds > 0) {
    const uint64_t asked =
        (retryAfterSeconds > kRetryAfterMax ? kRetryAfterMax : retryAfterSeconds) * 1000;
    if (asked > delay) delay = static_cast<uint32_t>(asked);
  }
  return delay;
}

}  // namespace ferrow
