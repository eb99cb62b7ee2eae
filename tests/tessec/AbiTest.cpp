// The binary interface as outside programs use it: the virtual slot order of the four family
// interfaces, overloads included, and destruction through the family bases.
//
// Each family is called through a mirror interface that lists the documented slots with
// distinct names (so no compiler can reorder overloads in it), laid over the real object the
// way a program built against another header would. With the Itanium C++ ABI (GCC, Clang,
// mingw-w64) the slot index of every member is also read from its member-function pointer.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "TestUtil.h"
#include "tessec/tessec.h"

using namespace public_crypt;
using tessec_test::ToHex;

// ---- Mirrors of the documented slot order --------------------------------------------------
// They have external linkage on purpose: for a class that nothing in this translation unit can
// derive from, the compiler would conclude that no override exists and drop the calls.
namespace tessec_mirror {

struct CodecSlots {
  virtual ~CodecSlots() {}
  virtual unsigned int SlotGetNeedLen(unsigned int len, unsigned char encode) = 0;
  virtual int SlotEncode(const unsigned char*, unsigned int, unsigned char*, unsigned int*) = 0;
  virtual int SlotDecode(const unsigned char*, unsigned int, unsigned char*, unsigned int*) = 0;
};

struct HashSlots {
  virtual ~HashSlots() {}
  virtual unsigned char SlotGetDigestLen() = 0;
  virtual void SlotInit() = 0;
  virtual void SlotUpdate(unsigned char* data, unsigned int len) = 0;
  virtual void SlotFinalWithData(unsigned char* data, unsigned int len, unsigned char* out) = 0;
  virtual void SlotFinal(unsigned char* out) = 0;
};

struct CipherSlots {
  virtual int SlotInit(const char* key, const char* chain, int mode, int keyLength,
                       int blockSize) = 0;
  virtual int SlotEncrypt(const char* in, unsigned int inLen, char* out, unsigned int size) = 0;
  virtual int SlotDecrypt(const char* in, unsigned int inLen, char* out, unsigned int size) = 0;
  virtual ~CipherSlots() {}  // CRijndael's own destructor, after the three
};

struct RandSlots {
  virtual ~RandSlots() {}
  virtual void SlotSeedTime() = 0;
  virtual int SlotSeed(int seed) = 0;
  virtual int SlotRandomByte(char* buf, int len, int kind, char* charset) = 0;
  virtual int SlotRandomIntRange(int lo, int hi) = 0;
  virtual int SlotRandomInt() = 0;
  virtual double SlotRandomDoubleRange(double lo, double hi) = 0;
  virtual double SlotRandomDouble() = 0;
};

}  // namespace tessec_mirror

namespace {

using namespace tessec_mirror;

// The mirror over an object. The pointer goes through a volatile variable: an outside program
// never sees the concrete class behind the pointer, and the optimiser must not either (knowing
// the object's real type, it would treat the call through an unrelated class as unreachable).
template <typename Mirror, typename Base>
Mirror* Over(Base* object) {
  void* volatile opaque = object;
  return static_cast<Mirror*>(opaque);
}

TEST(SlotOrder, Codecs) {
  CBase64 base64;
  CHex hex;
  CodecSlots* b = Over<CodecSlots>(static_cast<CBaseN*>(&base64));
  CodecSlots* h = Over<CodecSlots>(static_cast<CBaseN*>(&hex));
  EXPECT_EQ(b->SlotGetNeedLen(4, 1), 9u);
  EXPECT_EQ(h->SlotGetNeedLen(4, 1), 8u);
  const unsigned char src[2] = {0xAB, 0x01};
  unsigned char out[8];
  unsigned int len = sizeof(out);
  ASSERT_EQ(h->SlotEncode(src, 2, out, &len), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), len), "AB01");
  unsigned char back[2];
  unsigned int backLen = 2;
  ASSERT_EQ(h->SlotDecode(out, 4, back, &backLen), 0);
  EXPECT_EQ(back[0], 0xAB);
  len = sizeof(out);
  ASSERT_EQ(b->SlotEncode(src, 2, out, &len), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), len), "qwE=");
  backLen = 2;
  EXPECT_EQ(b->SlotDecode(reinterpret_cast<const unsigned char*>("Q"), 1, back, &backLen), 7);
}

TEST(SlotOrder, Digests) {
  CMD5 md5;
  CSHA1 sha1;
  CSHA256 sha256;
  CSHA384 sha384;
  CSHA512 sha512;
  CHash* all[] = {&md5, &sha1, &sha256, &sha384, &sha512};
  const unsigned char lengths[] = {16, 20, 32, 48, 64};
  const char* abc[] = {"900150983cd24fb0d6963f7d28e17f72",
                       "a9993e364706816aba3e25717850c26c9cd0d89d",
                       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
                       "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e"
                       "7cc2358baeca134c825a7",
                       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274"
                       "fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"};
  for (int i = 0; i < 5; ++i) {
    HashSlots* h = Over<HashSlots>(all[i]);
    EXPECT_EQ(h->SlotGetDigestLen(), lengths[i]);
    unsigned char msg[3] = {'a', 'b', 'c'};
    unsigned char out[64];
    h->SlotInit();
    h->SlotFinalWithData(msg, 3, out);  // slot 5: hashes the data
    EXPECT_EQ(ToHex(out, lengths[i]), abc[i]);
    h->SlotInit();
    h->SlotUpdate(msg, 1);
    h->SlotUpdate(msg + 1, 2);
    h->SlotFinal(out);  // slot 6: only finishes
    EXPECT_EQ(ToHex(out, lengths[i]), abc[i]);
  }
}

TEST(SlotOrder, Cipher) {
  CRijndael aes;
  CipherSlots* c = Over<CipherSlots>(static_cast<CCipher*>(&aes));
  const char key[16] = {0};
  EXPECT_EQ(c->SlotInit(key, nullptr, CRijndael::CBC, 20, 16), -1);
  ASSERT_EQ(c->SlotInit(key, nullptr, CRijndael::CBC, 16, 16), 0);
  EXPECT_EQ(aes.GetRounds(), 10);
  char msg[5] = {1, 2, 3, 4, 5};
  char ct[17], pt[17];
  EXPECT_EQ(c->SlotEncrypt(msg, 5, ct, 17), 17);
  EXPECT_EQ(ct[0], 11);
  aes.ResetChain();
  EXPECT_EQ(c->SlotDecrypt(ct, 17, pt, 17), 5);
  EXPECT_EQ(std::memcmp(pt, msg, 5), 0);
}

TEST(SlotOrder, Generators) {
  CCRTRand crt;
  CRaknetRand mt;
  RandSlots* c = Over<RandSlots>(static_cast<CRand*>(&crt));
  RandSlots* m = Over<RandSlots>(static_cast<CRand*>(&mt));
  c->SlotSeedTime();
  EXPECT_EQ(c->SlotSeed(1), 1);
  EXPECT_EQ(c->SlotRandomInt(), 41);
  EXPECT_EQ(c->SlotRandomInt(), 1210271779);
  EXPECT_EQ(m->SlotSeed(1), 1);
  EXPECT_EQ(m->SlotRandomInt(), 498792314);
  for (RandSlots* g : {c, m}) {
    EXPECT_EQ(g->SlotRandomIntRange(7, 7), 7);
    const int v = g->SlotRandomIntRange(10, 5);
    EXPECT_GE(v, 10);
    EXPECT_LE(v, 14);
    const double d = g->SlotRandomDoubleRange(3.0, 1.0);
    EXPECT_GE(d, 1.0);
    EXPECT_LE(d, 3.0);
    const double u = g->SlotRandomDouble();
    EXPECT_GE(u, 0.0);
    EXPECT_LE(u, 1.0);
    char buf[4] = {0, 0, 0, 0};
    EXPECT_EQ(g->SlotRandomByte(buf, 3, 2, nullptr), 3);
    EXPECT_TRUE(buf[0] != 0 && buf[2] != 0 && buf[3] == 0);
  }
}

// ---- Slot indices from member-function pointers (Itanium C++ ABI) --------------------------

#if !defined(_MSC_VER)
// An Itanium pointer to a virtual member function holds 1 + the slot's byte offset.
template <typename Pmf>
size_t Slot(Pmf pmf) {
  struct Raw {
    uintptr_t ptr;
    ptrdiff_t adj;
  } raw;
  static_assert(sizeof(Pmf) == sizeof(Raw), "Itanium member-function pointer");
  std::memcpy(&raw, &pmf, sizeof(raw));
  EXPECT_EQ(raw.ptr % sizeof(void*), 1u) << "not a virtual function";
  return (raw.ptr - 1) / sizeof(void*);
}

// Slots 0 and 1 are the complete and the deleting destructor.
TEST(SlotOrder, ItaniumSlotIndices) {
  EXPECT_EQ(Slot(&CBaseN::GetNeedLen), 2u);
  EXPECT_EQ(Slot(&CBaseN::Encode), 3u);
  EXPECT_EQ(Slot(&CBaseN::Decode), 4u);
  EXPECT_EQ(Slot(&CHex::Decode), 4u);

  EXPECT_EQ(Slot(&CHash::GetDigestLen), 2u);
  EXPECT_EQ(Slot(&CHash::Init), 3u);
  EXPECT_EQ(Slot(&CHash::Update), 4u);
  EXPECT_EQ(Slot(static_cast<void (CHash::*)(unsigned char*, unsigned int, unsigned char*)>(
                &CHash::Final)),
            5u);
  EXPECT_EQ(Slot(static_cast<void (CHash::*)(unsigned char*)>(&CHash::Final)), 6u);
  EXPECT_EQ(Slot(static_cast<void (CSHA512::*)(unsigned char*)>(&CSHA512::Final)), 6u);

  EXPECT_EQ(Slot(&CCipher::Init), 0u);
  EXPECT_EQ(Slot(&CCipher::Encrypt), 1u);
  EXPECT_EQ(Slot(&CCipher::Decrypt), 2u);
  EXPECT_EQ(Slot(&CRijndael::Decrypt), 2u);

  EXPECT_EQ(Slot(static_cast<void (CRand::*)()>(&CRand::Seed)), 2u);
  EXPECT_EQ(Slot(static_cast<int (CRand::*)(int)>(&CRand::Seed)), 3u);
  EXPECT_EQ(Slot(&CRand::RandomByte), 4u);
  EXPECT_EQ(Slot(static_cast<int (CRand::*)(int, int)>(&CRand::RandomInt)), 5u);
  EXPECT_EQ(Slot(static_cast<int (CRand::*)()>(&CRand::RandomInt)), 6u);
  EXPECT_EQ(Slot(static_cast<double (CRand::*)(double, double)>(&CRand::RandomDouble)), 7u);
  EXPECT_EQ(Slot(static_cast<double (CRand::*)()>(&CRand::RandomDouble)), 8u);
  EXPECT_EQ(Slot(static_cast<double (CCRTRand::*)()>(&CCRTRand::RandomDouble)), 8u);
}
#endif

// ---- Destruction through the family bases ----------------------------------------------------

int g_destroyed = 0;

class CountedHex : public CHex {
 public:
  ~CountedHex() override { ++g_destroyed; }
};
class CountedSha : public CSHA384 {
 public:
  ~CountedSha() override { ++g_destroyed; }
};
class CountedTwister : public CRaknetRand {
 public:
  ~CountedTwister() override { ++g_destroyed; }
};
class CountedCipher : public CRijndael {
 public:
  ~CountedCipher() override { ++g_destroyed; }
};

TEST(Destruction, ThroughTheFamilyBasesRunsTheConcreteDestructor) {
  g_destroyed = 0;
  CBaseN* codec = new CountedHex;
  CHash* digest = new CountedSha;
  CRand* generator = new CountedTwister;
  CRijndael* cipher = new CountedCipher;
  delete codec;
  delete digest;  // releases the context record too (the leak checker would tell)
  delete generator;
  delete cipher;
  EXPECT_EQ(g_destroyed, 4);
}

TEST(Destruction, ManyDigestsCreatedAndDeletedThroughTheBase) {
  for (int i = 0; i < 1000; ++i) {
    CHash* h;
    switch (i % 5) {
      case 0:
        h = new CMD5;
        break;
      case 1:
        h = new CSHA1;
        break;
      case 2:
        h = new CSHA256;
        break;
      case 3:
        h = new CSHA384;
        break;
      default:
        h = new CSHA512;
        break;
    }
    unsigned char out[64];
    h->Final(out);
    delete h;
  }
}

}  // namespace
