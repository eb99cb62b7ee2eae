// Pseudo-random generators for integers, floating-point numbers, raw bytes and random text.
// Neither is cryptographically strong.
//
// CCRTRand draws from a small linear congruential generator with 15-bit outputs whose state
// exists once per thread and belongs to the library (it is not the calling program's rand()):
// every CCRTRand used on one thread shares that stream, and a thread that never seeded it
// starts from state 1. CRaknetRand has its own Mersenne Twister (MT19937) state.
//
// Constructing either class, and Seed(), seed the calling thread's stream from the current
// time and take one draw from it (which seeds the object): this moves the stream of every
// CCRTRand on that thread.
//
// RandomByte kinds: 0 raw bytes, 1 printable characters, 2 letters and digits, 3 letters and
// digits mixed with the characters of `charset` (kind 2 when charset is null); any other kind
// is 3 with a charset and 2 without. No terminating zero is written.
#pragma once

#include "TessecApi.h"

namespace public_crypt {

// The generator interface.
class TESSEC_API CRand {
 public:
  CRand();
  CRand(const CRand& other);
  CRand& operator=(const CRand& other);
  virtual ~CRand();

  // Seed(): reseeds from the current time (through the thread's stream, see above).
  // Seed(seed): reseeds from `seed`; returns 1.
#if defined(_MSC_VER)
  virtual int Seed(int seed) = 0;
  virtual void Seed() = 0;
#else
  virtual void Seed() = 0;
  virtual int Seed(int seed) = 0;
#endif
  // Fills len bytes of buf by `kind` (see above) and returns len; len <= 0 writes nothing.
  virtual int RandomByte(char* buf, int len, int kind, char* charset) = 0;
  // RandomInt(lo, hi): lo to hi - 1 when lo < hi, lo to lo + (lo - hi) - 1 when hi < lo (as
  // far as int reaches), lo when they are equal. RandomInt(): a non-negative value.
#if defined(_MSC_VER)
  virtual int RandomInt() = 0;
  virtual int RandomInt(int lo, int hi) = 0;
#else
  virtual int RandomInt(int lo, int hi) = 0;
  virtual int RandomInt() = 0;
#endif
  // RandomDouble(lo, hi): between the bounds, in either order. RandomDouble(): in [0, 1).
#if defined(_MSC_VER)
  virtual double RandomDouble() = 0;
  virtual double RandomDouble(double lo, double hi) = 0;
#else
  virtual double RandomDouble(double lo, double hi) = 0;
  virtual double RandomDouble() = 0;
#endif
};

class TESSEC_API CCRTRand : public CRand {
 public:
  CCRTRand();
  CCRTRand(const CCRTRand& other);
  CCRTRand& operator=(const CCRTRand& other);
  ~CCRTRand() override;

  void Seed() override;
  // A seed of 0 seeds from the current time.
  int Seed(int seed) override;
  int RandomByte(char* buf, int len, int kind, char* charset) override;
  // The draw r (0 to 32767) when r <= 16383, else r | (r << 16).
  int RandomInt(int lo, int hi) override;
  int RandomInt() override;
  double RandomDouble(double lo, double hi) override;
  // A multiple of 2^-15 in [0, 1).
  double RandomDouble() override;

 protected:
  void randomize(int seed);
  // One draw, 0 to 32767.
  int randomInteger();
  // Between the bounds, both included, in either order.
  int randomInteger(int a, int b);
  double randomReal();
  double randomReal(double a, double b);
  // True with probability p.
  bool randomChance(double p);
  // A digit or a letter.
  char randomMTChar();
  // A digit or a letter, or a character of the zero-terminated `charset`.
  char randomMTChar(char* charset);
  // Raw bytes.
  void fillBufferMT(void* buf, unsigned int len);
  // kind 1 printable characters (space to ~), 2 letters and digits; 0 raw bytes; any other
  // kind letters and digits.
  void fillBufferMT(void* buf, unsigned int len, int kind);
  void fillBufferMT(void* buf, unsigned int len, char* charset);
};

class TESSEC_API CRaknetRand : public CRand {
 public:
  CRaknetRand();
  CRaknetRand(const CRaknetRand& other);
  CRaknetRand& operator=(const CRaknetRand& other);
  ~CRaknetRand() override;

  void Seed() override;
  // Seeds the twister from `seed` (0 included, no time involved); returns 1. Seeds that
  // differ only in the lowest bit give the same sequence.
  int Seed(int seed) override;
  int RandomByte(char* buf, int len, int kind, char* charset) override;
  int RandomInt(int lo, int hi) override;
  // The absolute value of the next output read as a signed number (0x80000000 stays
  // -2147483648).
  int RandomInt() override;
  double RandomDouble(double lo, double hi) override;
  // In [0, 1]: outputs close to 2^32 round to 1.0 in single precision.
  double RandomDouble() override;

 protected:
  void seedMT(unsigned int seed);
  unsigned int reloadMT();
  // The next tempered 32-bit output.
  unsigned int randomMT();
  // a when a == b, else a + (output mod |b - a|).
  int randomMT(int a, int b);
  float frandomMT();
  char randomMTChar();
  char randomMTChar(char* charset);
  void fillBufferMT(void* buf, unsigned int len);
  // kind 1 printable characters (space to }), 2 letters and digits; 0 raw bytes; any other
  // kind letters and digits.
  void fillBufferMT(void* buf, unsigned int len, int kind);
  void fillBufferMT(void* buf, unsigned int len, char* charset);

 private:
  unsigned int m_state[625];
  // Index in m_state of the next word to temper.
  unsigned int m_next;
  // Words left before the next regeneration; -1 before the first seeding.
  int m_left;
};

}  // namespace public_crypt
