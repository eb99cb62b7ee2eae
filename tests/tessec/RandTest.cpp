// The random generators: the published sequences, the per-thread stream of CCRTRand, the
// Mersenne Twister against the standard library's, every RandomByte kind against a reference
// drawn from independent generators, and the ranges and differences of the two classes.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "tessec/Rand.h"

using public_crypt::CCRTRand;
using public_crypt::CRaknetRand;
using public_crypt::CRand;

namespace {

// The protected operations, made reachable the way an outside program would: by derivation.
class CrtProbe : public CCRTRand {
 public:
  using CCRTRand::fillBufferMT;
  using CCRTRand::randomChance;
  using CCRTRand::randomInteger;
  using CCRTRand::randomize;
  using CCRTRand::randomMTChar;
  using CCRTRand::randomReal;
};

class MtProbe : public CRaknetRand {
 public:
  using CRaknetRand::fillBufferMT;
  using CRaknetRand::frandomMT;
  using CRaknetRand::randomMT;
  using CRaknetRand::randomMTChar;
  using CRaknetRand::reloadMT;
  using CRaknetRand::seedMT;
};

// The thread stream as documented, for predicting CCRTRand.
struct RefCrt {
  uint32_t state;
  int Draw() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
  double Unit() { return Draw() / 32768.0; }
};

// The library's twister seeded from s, built on the standard library's mt19937: the state is
// loaded through the engine's stream input, so the recurrence and tempering are its own.
std::mt19937 StdTwister(uint32_t s) {
  std::ostringstream words;
  uint32_t x = s | 1u;
  words << x;
  for (int i = 1; i < 624; ++i) words << ' ' << (x *= 69069u);
  std::mt19937 engine;
  std::istringstream in(words.str());
  in >> engine;
  return engine;
}

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// ---- CCRTRand -----------------------------------------------------------------------------

TEST(CrtRand, PublishedSequences) {
  CrtProbe r;
  EXPECT_EQ(r.Seed(1), 1);
  EXPECT_EQ(r.randomInteger(), 41);
  EXPECT_EQ(r.randomInteger(), 18467);
  EXPECT_EQ(r.randomInteger(), 6334);
  EXPECT_EQ(r.randomInteger(), 26500);
  r.Seed(1);
  EXPECT_EQ(r.RandomInt(), 41);
  EXPECT_EQ(r.RandomInt(), 1210271779);  // 18467 | (18467 << 16)
  r.randomize(1);
  EXPECT_EQ(r.randomInteger(), 41);
}

TEST(CrtRand, OneStreamPerThreadSharedByAllObjects) {
  CrtProbe a, b;
  a.Seed(1);
  EXPECT_EQ(a.randomInteger(), 41);
  EXPECT_EQ(b.randomInteger(), 18467);

  // Another thread that never seeded starts from state 1, and its draws leave this one's
  // stream alone.
  int first = -1, second = -1;
  std::thread t([&] {
    first = a.randomInteger();
    second = b.randomInteger();
  });
  t.join();
  EXPECT_EQ(first, 41);
  EXPECT_EQ(second, 18467);
  EXPECT_EQ(a.randomInteger(), 6334);
}

TEST(CrtRand, ConstructionAndSeedReseedTheThreadStreamFromTheTime) {
  // Construction seeds the stream with the time, draws d and reseeds with d (the time again
  // when d is 0). The second may tick during the test: accept either neighbour.
  auto predicted = [](uint32_t t) {
    RefCrt ref{t};
    const int d = ref.Draw();
    RefCrt next{d ? static_cast<uint32_t>(d) : t};
    return next.Draw();
  };
  for (int i = 0; i < 2; ++i) {
    const uint32_t before = static_cast<uint32_t>(std::time(nullptr));
    CrtProbe r;
    if (i == 1) {
      r.Seed(5);
      r.Seed();
    }
    const int got = r.randomInteger();
    const uint32_t after = static_cast<uint32_t>(std::time(nullptr));
    EXPECT_TRUE(got == predicted(before) || got == predicted(after)) << got;
  }
  // Seed(0) seeds with the time itself.
  CrtProbe r;
  const uint32_t before = static_cast<uint32_t>(std::time(nullptr));
  r.Seed(0);
  const int got = r.randomInteger();
  const uint32_t after = static_cast<uint32_t>(std::time(nullptr));
  RefCrt b{before}, a{after};
  const int viaBefore = b.Draw(), viaAfter = a.Draw();
  EXPECT_TRUE(got == viaBefore || got == viaAfter);

  // Constructing a CRaknetRand moves this thread's CCRTRand stream too.
  r.Seed(1);
  const uint32_t t0 = static_cast<uint32_t>(std::time(nullptr));
  CRaknetRand twister;
  const int next = r.randomInteger();
  const uint32_t t1 = static_cast<uint32_t>(std::time(nullptr));
  RefCrt s0{t0}, s1{t1};
  s0.Draw();
  s1.Draw();
  const int want0 = s0.Draw(), want1 = s1.Draw();
  EXPECT_TRUE(next == want0 || next == want1);
}

TEST(CrtRand, BoundedIntegersAndReals) {
  CrtProbe r;
  r.Seed(77);
  EXPECT_EQ(r.RandomInt(5, 5), 5);
  std::set<int> seen;
  for (int i = 0; i < 3000; ++i) {
    const int v = r.RandomInt(0, 10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    const int w = r.RandomInt(10, 5);
    ASSERT_GE(w, 10);
    ASSERT_LE(w, 14);
    seen.insert(w);
    const double d = r.RandomDouble(3.0, 1.0);
    ASSERT_GE(d, 1.0);
    ASSERT_LE(d, 3.0);
    const double u = r.RandomDouble();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    ASSERT_EQ(u * 32768.0, static_cast<double>(static_cast<int>(u * 32768.0)));
    const int both = r.randomInteger(7, 3);
    ASSERT_GE(both, 3);
    ASSERT_LE(both, 7);
    const double real = r.randomReal(2.0, -2.0);
    ASSERT_GE(real, -2.0);
    ASSERT_LT(real, 2.0);
  }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_TRUE(r.randomChance(1.0));
  EXPECT_FALSE(r.randomChance(0.0));

  // Extreme bounds: always within the documented range, never a signed overflow.
  for (int i = 0; i < 500; ++i) {
    r.RandomInt(INT_MIN, INT_MAX);
    ASSERT_LT(r.RandomInt(INT_MIN, 0), 0);
    ASSERT_GE(r.RandomInt(0, INT_MIN), 0);
    ASSERT_EQ(r.RandomInt(INT_MAX, INT_MIN), INT_MAX);
    ASSERT_GE(r.RandomInt(INT_MAX - 5, INT_MIN), INT_MAX - 5);
    ASSERT_GE(r.RandomInt(-1, INT_MIN), -1);
    const int extreme = r.randomInteger(INT_MIN, INT_MAX);
    (void)extreme;
  }
}

// ---- CRaknetRand --------------------------------------------------------------------------

TEST(RaknetRand, PublishedSequences) {
  MtProbe r;
  EXPECT_EQ(r.Seed(1), 1);
  EXPECT_EQ(r.randomMT(), 3796174982u);
  EXPECT_EQ(r.randomMT(), 4182529786u);
  EXPECT_EQ(r.randomMT(), 2180050607u);
  r.Seed(1);
  EXPECT_EQ(r.RandomInt(), 498792314);

  MtProbe zero, two, three;
  zero.Seed(0);
  two.Seed(2);
  three.Seed(3);
  r.Seed(1);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(zero.randomMT(), r.randomMT());
    ASSERT_EQ(two.randomMT(), three.randomMT());
  }
}

TEST(RaknetRand, MatchesTheStandardTwisterOverSeveralRegenerations) {
  for (uint32_t seed : {1u, 4357u, 0xDEADBEEFu, 123456789u}) {
    MtProbe r;
    r.Seed(static_cast<int>(seed));
    std::mt19937 ref = StdTwister(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(r.randomMT(), ref()) << seed << " #" << i;
  }
}

TEST(RaknetRand, CopiesProduceTheSameSequenceIndependently) {
  MtProbe a;
  a.Seed(42);
  for (int i = 0; i < 700; ++i) a.randomMT();  // across a regeneration
  MtProbe copy(a);
  MtProbe assigned;
  assigned = a;
  for (int i = 0; i < 1000; ++i) {
    const unsigned int v = a.randomMT();
    ASSERT_EQ(copy.randomMT(), v);
    ASSERT_EQ(assigned.randomMT(), v);
  }
  a.Seed(1);
  EXPECT_NE(copy.randomMT(), 3796174982u);
}

TEST(RaknetRand, BoundedIntegersAndReals) {
  MtProbe r;
  r.Seed(9);
  MtProbe twin(r);
  EXPECT_EQ(r.RandomInt(5, 5), 5);  // draws nothing
  EXPECT_EQ(r.randomMT(), twin.randomMT());

  std::set<int> seen;
  for (int i = 0; i < 3000; ++i) {
    const int v = r.RandomInt(0, 10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    const int w = r.RandomInt(10, 5);
    ASSERT_GE(w, 10);
    ASSERT_LE(w, 14);
    seen.insert(w);
    const double d = r.RandomDouble(3.0, 1.0);
    ASSERT_GE(d, 1.0);
    ASSERT_LE(d, 3.0);
    const double u = r.RandomDouble();
    ASSERT_GE(u, 0.0);
    ASSERT_LE(u, 1.0);
  }
  EXPECT_EQ(seen.size(), 5u);

  for (int i = 0; i < 500; ++i) {
    r.RandomInt(INT_MIN, INT_MAX);
    ASSERT_LT(r.RandomInt(INT_MIN, 0), 0);
    ASSERT_GE(r.RandomInt(0, INT_MIN), 0);
    ASSERT_EQ(r.RandomInt(INT_MAX, INT_MIN), INT_MAX);
    ASSERT_GE(r.RandomInt(INT_MAX - 5, INT_MIN), INT_MAX - 5);
  }

  // RandomInt() is |output| read as signed; frandomMT is output * 2^-32 in single precision.
  MtProbe a, b;
  a.Seed(1234);
  b.Seed(1234);
  for (int i = 0; i < 200; ++i) {
    const unsigned int out = b.randomMT();
    const int signedOut = static_cast<int>(out);
    const int expected = out == 0x80000000u ? INT_MIN : (signedOut < 0 ? -signedOut : signedOut);
    ASSERT_EQ(a.RandomInt(), expected);
  }
  a.Seed(1234);
  b.Seed(1234);
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(a.frandomMT(), static_cast<float>(b.randomMT() / 4294967296.0));
  }
}

// ---- RandomByte ---------------------------------------------------------------------------

// Reference fills from the documented algorithms over independent generators.
std::string CrtReference(uint32_t seed, int len, int kind, const char* charset) {
  RefCrt g{seed};
  std::string out;
  const int n = charset ? static_cast<int>(std::strlen(charset)) : 0;
  for (int i = 0; i < len; ++i) {
    if (kind == 0) {
      out += static_cast<char>(g.Draw() & 0xFF);
    } else if (kind == 1) {
      out += static_cast<char>(32 + static_cast<int>(g.Unit() * 95));
    } else {
      int c = 48 + static_cast<int>(g.Unit() * 75);
      if (c >= 58 && c <= 64)
        c = charset ? charset[static_cast<int>(g.Unit() * n)]
                    : 48 + static_cast<int>(g.Unit() * 10);
      if (c >= 91 && c <= 96)
        c = charset ? charset[static_cast<int>(g.Unit() * n)]
                    : 97 + static_cast<int>(g.Unit() * 26);
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string MtReference(uint32_t seed, int len, int kind, const char* charset) {
  std::mt19937 g = StdTwister(seed);
  std::string out;
  const int n = charset ? static_cast<int>(std::strlen(charset)) : 0;
  auto bounded = [&](int a, int b) -> int {
    if (a == b) return a;
    return a + static_cast<int>(g() % static_cast<uint32_t>(b > a ? b - a : a - b));
  };
  if (kind == 0) {
    int i = 0;
    for (; len - i >= 4; i += 4) {
      uint32_t v = g();
      for (int k = 0; k < 4; ++k, v >>= 8) out += static_cast<char>(v & 0xFF);
    }
    uint32_t v = g();
    for (; i < len; ++i, v >>= 8) out += static_cast<char>(v & 0xFF);
    return out;
  }
  for (int i = 0; i < len; ++i) {
    if (kind == 1) {
      out += static_cast<char>(32 + g() % 94);
    } else {
      int c = 48 + static_cast<int>(g() % 74);
      if (c >= 58 && c <= 64) c = charset ? charset[bounded(0, n - 1)] : bounded(48, 57);
      if (c >= 91 && c <= 96) c = charset ? charset[bounded(0, n - 1)] : bounded(97, 122);
      out += static_cast<char>(c);
    }
  }
  return out;
}

TEST(RandomByte, EveryKindMatchesTheReference) {
  const char* charset = "#$%&";
  struct Call {
    int kind;
    const char* charset;
    int refKind;  // kind the reference draws as
    bool useCharset;
  } calls[] = {{0, nullptr, 0, false}, {1, nullptr, 1, false}, {2, nullptr, 2, false},
               {3, charset, 3, true},  {3, nullptr, 2, false}, {7, nullptr, 2, false},
               {-4, charset, 3, true}, {2, charset, 2, false}};
  for (const Call& c : calls) {
    for (int len : {1, 5, 6, 8, 37, 200}) {
      SCOPED_TRACE(testing::Message() << "kind " << c.kind << " len " << len);
      std::string buf(len + 8, '\x7F');
      CCRTRand crt;
      crt.Seed(4242);
      ASSERT_EQ(crt.RandomByte(&buf[0], len, c.kind, const_cast<char*>(c.charset)), len);
      EXPECT_EQ(buf.substr(0, len),
                CrtReference(4242, len, c.refKind, c.useCharset ? c.charset : nullptr));
      EXPECT_EQ(buf.substr(len), std::string(8, '\x7F'));

      buf.assign(len + 8, '\x7F');
      CRaknetRand mt;
      mt.Seed(4242);
      ASSERT_EQ(mt.RandomByte(&buf[0], len, c.kind, const_cast<char*>(c.charset)), len);
      EXPECT_EQ(buf.substr(0, len),
                MtReference(4242, len, c.refKind, c.useCharset ? c.charset : nullptr));
      EXPECT_EQ(buf.substr(len), std::string(8, '\x7F'));
    }
  }
}

TEST(RandomByte, RawFillConsumesWholeOutputsPlusOne) {
  MtProbe r, ref;
  r.Seed(3);
  ref.Seed(3);
  char buf[8];
  r.RandomByte(buf, 6, 0, nullptr);
  ref.randomMT();
  ref.randomMT();
  EXPECT_EQ(r.randomMT(), ref.randomMT());  // the second output supplied two bytes
  r.Seed(3);
  ref.Seed(3);
  r.RandomByte(buf, 8, 0, nullptr);
  for (int i = 0; i < 3; ++i) ref.randomMT();
  EXPECT_EQ(r.randomMT(), ref.randomMT());  // two for the bytes, one drawn for no tail

  // CCRTRand: one draw per byte and one more.
  CrtProbe c;
  c.Seed(1);
  c.RandomByte(buf, 3, 0, nullptr);
  EXPECT_EQ(c.randomInteger(), 19169);  // the fifth draw after Seed(1)
}

TEST(RandomByte, CharacterRangesOfTheTwoClasses) {
  CCRTRand crt;
  CRaknetRand mt;
  std::string a(20000, 0), b(20000, 0);
  crt.RandomByte(&a[0], 20000, 2, nullptr);
  mt.RandomByte(&b[0], 20000, 2, nullptr);
  std::set<char> crtChars(a.begin(), a.end()), mtChars(b.begin(), b.end());
  for (char ch : a) ASSERT_TRUE(IsAlnum(ch));
  for (char ch : b) ASSERT_TRUE(IsAlnum(ch));
  EXPECT_EQ(crtChars.size(), 62u);
  EXPECT_TRUE(crtChars.count('z') && crtChars.count('9'));
  EXPECT_FALSE(mtChars.count('z'));
  EXPECT_EQ(mtChars.size(), 61u);

  crt.RandomByte(&a[0], 20000, 1, nullptr);
  mt.RandomByte(&b[0], 20000, 1, nullptr);
  std::set<char> crtPrint(a.begin(), a.end()), mtPrint(b.begin(), b.end());
  EXPECT_EQ(*crtPrint.begin(), ' ');
  EXPECT_EQ(*crtPrint.rbegin(), '~');
  EXPECT_EQ(crtPrint.size(), 95u);
  EXPECT_EQ(*mtPrint.begin(), ' ');
  EXPECT_EQ(*mtPrint.rbegin(), '}');
  EXPECT_EQ(mtPrint.size(), 94u);

  // With a charset: any character of the set for CCRTRand; never the last one for
  // CRaknetRand, whose index stops one short.
  char set[] = "#$";
  crt.RandomByte(&a[0], 20000, 3, set);
  mt.RandomByte(&b[0], 20000, 3, set);
  EXPECT_TRUE(a.find('#') != std::string::npos && a.find('$') != std::string::npos);
  EXPECT_TRUE(b.find('#') != std::string::npos);
  EXPECT_EQ(b.find('$'), std::string::npos);
  for (char ch : b) ASSERT_TRUE(IsAlnum(ch) || ch == '#');
  // An empty set gives zero bytes in its place.
  char empty[] = "";
  mt.RandomByte(&b[0], 2000, 3, empty);
  EXPECT_NE(b.find('\0'), std::string::npos);
}

TEST(RandomByte, LengthsOfZeroOrLessWriteNothing) {
  CCRTRand crt;
  CRaknetRand mt;
  CRand* gens[] = {&crt, &mt};
  for (CRand* g : gens) {
    char buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(g->RandomByte(buf, 0, 0, nullptr), 0);
    EXPECT_EQ(g->RandomByte(buf, -3, 2, nullptr), -3);
    EXPECT_EQ(buf[0], 1);
    EXPECT_EQ(buf[3], 4);
  }
}

TEST(Generators, WorkThroughTheInterfaceAndDeleteThroughIt) {
  CRand* gens[] = {new CCRTRand, new CRaknetRand};
  for (CRand* g : gens) {
    g->Seed();
    EXPECT_EQ(g->Seed(1), 1);
    const int first = g->RandomInt();
    g->Seed(1);
    EXPECT_EQ(g->RandomInt(), first);
    EXPECT_EQ(g->RandomInt(3, 3), 3);
    const double d = g->RandomDouble(-1.0, 1.0);
    EXPECT_GE(d, -1.0);
    EXPECT_LE(d, 1.0);
    EXPECT_GE(g->RandomDouble(), 0.0);
    char buf[3];
    EXPECT_EQ(g->RandomByte(buf, 3, 2, nullptr), 3);
    delete g;
  }
}

}  // namespace
