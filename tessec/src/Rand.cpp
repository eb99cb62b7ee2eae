// The random generators: CCRTRand over the library's per-thread linear congruential stream,
// CRaknetRand over its own Mersenne Twister.
#include "tessec/Rand.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "Internal.h"

namespace public_crypt {

using tessec_detail::Store32LE;

namespace {

// ---- The per-thread stream ----------------------------------------------------------------
// One 32-bit state per thread, the library's own (the calling program's rand() is untouched).

thread_local uint32_t t_state = 1;

uint32_t Now() { return static_cast<uint32_t>(std::time(nullptr)); }

void SeedThread(uint32_t seed) { t_state = seed; }

// One draw, 0 to 32767.
int Draw() {
  t_state = t_state * 214013u + 2531011u;
  return static_cast<int>((t_state >> 16) & 0x7FFF);
}

// A draw as a fraction in [0, 1), in steps of 2^-15.
double Unit() { return Draw() / 32768.0; }

// ---- Bounded integers ---------------------------------------------------------------------

// Number of values of RandomInt(lo, hi), lo != hi: they run from lo upward, hi - lo of them
// when lo < hi and lo - hi when hi < lo. Worked out in 64 bits (the distance between two
// ints can exceed INT_MAX) and, for hi < lo, cut where int ends, so the result never leaves
// the range of int.
uint32_t Span(int lo, int hi) {
  if (lo < hi) return static_cast<uint32_t>(int64_t(hi) - lo);
  const int64_t span = int64_t(lo) - hi;
  const int64_t room = int64_t(INT_MAX) - lo + 1;
  return static_cast<uint32_t>(span < room ? span : room);
}

// lo + offset for an offset below Span(lo, hi): always an int.
int Offset(int lo, int64_t offset) { return static_cast<int>(int64_t(lo) + offset); }

inline bool InRange(int c, int first, int last) { return c >= first && c <= last; }

// Characters 58-64 (: to @) and 91-96 ([ to `) lie between the digits and letters of 0 to z.
inline bool InFirstHole(int c) { return InRange(c, 58, 64); }
inline bool InSecondHole(int c) { return InRange(c, 91, 96); }

int CharsetLength(const char* charset) { return static_cast<int>(std::strlen(charset)); }

// RandomByte of both generators: kinds 0 (raw bytes), 1 and 2 as they are, any other kind with
// the charset, or as kind 2 without one. fill(buf, n, kind, charset) fills by kind when charset
// is null.
template <typename Fill>
int FillByKind(char* buf, int len, int kind, char* charset, Fill fill) {
  if (len <= 0) return len;
  if (!buf) return 0;
  const unsigned int n = static_cast<unsigned int>(len);
  if (kind == 0 || kind == 1 || kind == 2) {
    fill(buf, n, kind, nullptr);
  } else {
    fill(buf, n, 2, charset);
  }
  return len;
}

// CCRTRand's character draw with a set of n characters.
char CrtCharsetChar(const char* charset, int n) {
  int c = 48 + static_cast<int>(Unit() * 75);
  if (InFirstHole(c)) c = charset[static_cast<int>(Unit() * n)];
  if (InSecondHole(c)) c = charset[static_cast<int>(Unit() * n)];
  return static_cast<char>(c);
}

// ---- Mersenne Twister ---------------------------------------------------------------------

const int kN = 624;
const int kM = 397;

// The twist of MT19937: the top bit of u and the lower bits of v, shifted, with the matrix
// added when v is odd.
inline uint32_t Twist(uint32_t u, uint32_t v) {
  return (((u & 0x80000000u) | (v & 0x7FFFFFFFu)) >> 1) ^ ((0u - (v & 1u)) & 0x9908B0DFu);
}

inline uint32_t Temper(uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  return y ^ (y >> 18);
}

}  // namespace

// ---- CRand --------------------------------------------------------------------------------

CRand::CRand() = default;
CRand::CRand(const CRand&) = default;
CRand& CRand::operator=(const CRand&) = default;
CRand::~CRand() = default;

// The one body of Seed() in both classes: the time seeds the thread's stream, and a draw
// from it seeds the object, through the virtual table.
void CRand::Seed() {
  SeedThread(Now());
  Seed(Draw());
}

// ---- CCRTRand -----------------------------------------------------------------------------

CCRTRand::CCRTRand() { CRand::Seed(); }
CCRTRand::CCRTRand(const CCRTRand& other) = default;
CCRTRand& CCRTRand::operator=(const CCRTRand& other) = default;
CCRTRand::~CCRTRand() = default;

void CCRTRand::Seed() { CRand::Seed(); }

int CCRTRand::Seed(int seed) {
  randomize(seed);
  return 1;
}

int CCRTRand::RandomByte(char* buf, int len, int kind, char* charset) {
  return FillByKind(buf, len, kind, charset, [this](char* out, unsigned int n, int k, char* set) {
    return set ? fillBufferMT(out, n, set) : fillBufferMT(out, n, k);
  });
}

int CCRTRand::RandomInt() {
  const int r = Draw();
  return r <= 16383 ? r : r | (r << 16);
}

int CCRTRand::RandomInt(int lo, int hi) {
  if (lo == hi) return lo;
  const uint32_t span = Span(lo, hi);
  int64_t offset = int64_t(RandomInt()) % span;
  if (offset < 0) offset += span;  // only a derived RandomInt() can be negative
  return Offset(lo, offset);
}

double CCRTRand::RandomDouble(double lo, double hi) {
  if (lo > hi) {
    const double t = lo;
    lo = hi;
    hi = t;
  }
  return lo + Unit() * (hi - lo);
}

double CCRTRand::RandomDouble() { return Unit(); }

void CCRTRand::randomize(int seed) { SeedThread(seed ? static_cast<uint32_t>(seed) : Now()); }

int CCRTRand::randomInteger() { return Draw(); }

int CCRTRand::randomInteger(int a, int b) {
  const int lo = a < b ? a : b;
  const int hi = a < b ? b : a;
  const double values = double(int64_t(hi) - lo + 1);
  return Offset(lo, static_cast<int64_t>(Unit() * values));
}

double CCRTRand::randomReal() { return Unit(); }

double CCRTRand::randomReal(double a, double b) {
  const double lo = a < b ? a : b;
  const double hi = a < b ? b : a;
  return lo + Unit() * (hi - lo);
}

bool CCRTRand::randomChance(double p) { return Unit() < p; }

char CCRTRand::randomMTChar() {
  int c = 48 + static_cast<int>(Unit() * 75);
  if (InFirstHole(c)) c = 48 + static_cast<int>(Unit() * 10);
  if (InSecondHole(c)) c = 97 + static_cast<int>(Unit() * 26);
  return static_cast<char>(c);
}

char CCRTRand::randomMTChar(char* charset) {
  if (!charset) return randomMTChar();
  return CrtCharsetChar(charset, CharsetLength(charset));
}

void CCRTRand::fillBufferMT(void* buf, unsigned int len) {
  unsigned char* out = static_cast<unsigned char*>(buf);
  for (unsigned int i = 0; i < len; ++i) out[i] = static_cast<unsigned char>(Draw());
  Draw();
}

void CCRTRand::fillBufferMT(void* buf, unsigned int len, int kind) {
  char* out = static_cast<char*>(buf);
  switch (kind) {
    case 0:
      fillBufferMT(buf, len);
      break;
    case 1:
      for (unsigned int i = 0; i < len; ++i)
        out[i] = static_cast<char>(32 + static_cast<int>(Unit() * 95));
      break;
    default:
      for (unsigned int i = 0; i < len; ++i) out[i] = randomMTChar();
      break;
  }
}

void CCRTRand::fillBufferMT(void* buf, unsigned int len, char* charset) {
  if (!charset) return fillBufferMT(buf, len, 2);
  char* out = static_cast<char*>(buf);
  const int n = CharsetLength(charset);
  for (unsigned int i = 0; i < len; ++i) out[i] = CrtCharsetChar(charset, n);
}

// ---- CRaknetRand --------------------------------------------------------------------------

CRaknetRand::CRaknetRand() : m_state(), m_next(0), m_left(-1) { CRand::Seed(); }
CRaknetRand::CRaknetRand(const CRaknetRand& other) = default;
CRaknetRand& CRaknetRand::operator=(const CRaknetRand& other) = default;
CRaknetRand::~CRaknetRand() = default;

void CRaknetRand::Seed() { CRand::Seed(); }

int CRaknetRand::Seed(int seed) {
  seedMT(static_cast<unsigned int>(seed));
  return 1;
}

int CRaknetRand::RandomByte(char* buf, int len, int kind, char* charset) {
  return FillByKind(buf, len, kind, charset, [this](char* out, unsigned int n, int k, char* set) {
    return set ? fillBufferMT(out, n, set) : fillBufferMT(out, n, k);
  });
}

int CRaknetRand::RandomInt() {
  // The absolute value without a branch (the sign of the output is random, so a branch on it
  // is mispredicted every other call): negate through the sign mask. 0x80000000 stays
  // -2147483648, as its absolute value is no int.
  const uint32_t u = randomMT();
  const uint32_t sign = 0u - (u >> 31);
  return static_cast<int>((u ^ sign) - sign);
}

int CRaknetRand::RandomInt(int lo, int hi) { return randomMT(lo, hi); }

double CRaknetRand::RandomDouble(double lo, double hi) {
  if (lo > hi) {
    const double t = lo;
    lo = hi;
    hi = t;
  }
  return lo + double(frandomMT()) * (hi - lo);
}

double CRaknetRand::RandomDouble() { return frandomMT(); }

void CRaknetRand::seedMT(unsigned int seed) {
  m_left = 0;
  uint32_t x = seed | 1u;
  m_state[0] = x;
  for (int i = 1; i < kN; ++i) m_state[i] = x *= 69069u;
}

unsigned int CRaknetRand::reloadMT() {
  if (m_left < -1) seedMT(4357u);
  // The MT19937 recurrence in place, in index order: words past the end wrap to the words
  // at the start, which are already renewed. Three loops instead of a wrapping index, which
  // would cost two divisions per word.
  uint32_t* s = m_state;
  int i = 0;
  for (; i < kN - kM; ++i) s[i] = s[i + kM] ^ Twist(s[i], s[i + 1]);
  for (; i < kN - 1; ++i) s[i] = s[i + kM - kN] ^ Twist(s[i], s[i + 1]);
  s[kN - 1] = s[kM - 1] ^ Twist(s[kN - 1], s[0]);
  m_left = kN - 1;
  m_next = 1;
  return Temper(m_state[0]);
}

unsigned int CRaknetRand::randomMT() {
  if (--m_left < 0) return reloadMT();
  return Temper(m_state[m_next++]);
}

int CRaknetRand::randomMT(int a, int b) {
  if (a == b) return a;
  return Offset(a, randomMT() % Span(a, b));
}

float CRaknetRand::frandomMT() { return static_cast<float>(randomMT() * (1.0 / 4294967296.0)); }

char CRaknetRand::randomMTChar() {
  int c = randomMT(48, 122);
  if (InFirstHole(c)) c = randomMT(48, 57);
  if (InSecondHole(c)) c = randomMT(97, 122);
  return static_cast<char>(c);
}

char CRaknetRand::randomMTChar(char* charset) {
  if (!charset) return randomMTChar();
  const int n = CharsetLength(charset);
  int c = 48 + static_cast<int>(randomMT() % 74);
  if (InFirstHole(c)) c = charset[randomMT(0, n - 1)];
  if (InSecondHole(c)) c = charset[randomMT(0, n - 1)];
  return static_cast<char>(c);
}

void CRaknetRand::fillBufferMT(void* buf, unsigned int len) {
  unsigned char* out = static_cast<unsigned char*>(buf);
  unsigned int i = 0;
  while (len - i >= 4) {
    // The outputs left in the state straight from it, then one output through randomMT (which
    // renews the state when it runs out): the same sequence as one randomMT per word.
    unsigned int words = (len - i) / 4;
    if (m_left > 0 && words > static_cast<unsigned int>(m_left)) words = m_left;
    if (m_left <= 0) words = 0;
    for (unsigned int w = 0; w < words; ++w, i += 4)
      Store32LE(out + i, Temper(m_state[m_next + w]));
    m_next += words;
    m_left -= static_cast<int>(words);
    if (len - i >= 4) {
      Store32LE(out + i, randomMT());
      i += 4;
    }
  }
  // The tail comes from one more output, drawn even when there is no tail.
  uint32_t v = randomMT();
  for (; i < len; ++i, v >>= 8) out[i] = static_cast<unsigned char>(v);
}

void CRaknetRand::fillBufferMT(void* buf, unsigned int len, int kind) {
  char* out = static_cast<char*>(buf);
  switch (kind) {
    case 0:
      fillBufferMT(buf, len);
      break;
    case 1:
      for (unsigned int i = 0; i < len; ++i) out[i] = static_cast<char>(32 + randomMT() % 94);
      break;
    default:
      for (unsigned int i = 0; i < len; ++i) out[i] = randomMTChar();
      break;
  }
}

void CRaknetRand::fillBufferMT(void* buf, unsigned int len, char* charset) {
  if (!charset) return fillBufferMT(buf, len, 2);
  char* out = static_cast<char*>(buf);
  for (unsigned int i = 0; i < len; ++i) out[i] = randomMTChar(charset);
}

}  // namespace public_crypt
