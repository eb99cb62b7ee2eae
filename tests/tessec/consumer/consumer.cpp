// An outside program using tessec across the library boundary: built separately against the
// installed headers and the import library only. It creates every class, calls every virtual
// operation through the family interfaces, deletes codecs, digests and generators through
// them, uses the exported constants, and looks up private members in the export table.
// Prints each failed check and exits with the number of failures.
#include <tessec/tessec.h>

#include <cstdio>
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

using namespace public_crypt;

namespace {

int g_failures = 0;
int g_checks = 0;

#define CHECK(cond)                                                 \
  do {                                                              \
    ++g_checks;                                                     \
    if (!(cond)) {                                                  \
      std::printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #cond); \
      ++g_failures;                                                 \
    }                                                               \
  } while (0)

std::string Hex(const unsigned char* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

void Codecs() {
  CBaseN* codecs[] = {new CBase64, new CHex};
  const char* encoded[] = {"aGVsbG8=", "68656C6C6F"};
  for (int i = 0; i < 2; ++i) {
    CBaseN* c = codecs[i];
    const unsigned char hello[] = {'h', 'e', 'l', 'l', 'o'};
    unsigned char out[32];
    unsigned int len = c->GetNeedLen(5, 1);
    CHECK(len <= sizeof(out));
    CHECK(c->Encode(hello, 5, out, &len) == 0);
    CHECK(std::string(reinterpret_cast<char*>(out), len) == encoded[i]);
    unsigned char back[16];
    unsigned int backLen = c->GetNeedLen(len, 0);
    CHECK(backLen >= 5 && backLen <= sizeof(back));
    CHECK(c->Decode(out, len, back, &backLen) == 0);
    CHECK(backLen == 5 && std::memcmp(back, hello, 5) == 0);
    unsigned int small = 1;
    CHECK(c->Encode(hello, 5, out, &small) == 6);
    CHECK(c->Decode(hello, 5, nullptr, &small) == -1);
    delete c;
  }
  CBase64 b64;
  CHECK(b64.GetNeedLen(0, 0) == 4294967295u);
  CBase64 b64Copy(b64);
  b64Copy = b64;
  CHex hex;
  hex.SetUpperCase(0);
  CHex hexCopy(hex);
  const unsigned char ab[] = {0xAB};
  unsigned char out[2];
  unsigned int len = 2;
  CHECK(hexCopy.Encode(ab, 1, out, &len) == 0 && out[0] == 'a' && out[1] == 'b');
  CHex assigned;
  assigned = hex;
  len = 2;
  CHECK(assigned.Encode(ab, 1, out, &len) == 0 && out[0] == 'a');
}

void Digests() {
  const char* abc[] = {
      "900150983cd24fb0d6963f7d28e17f72",
      "a9993e364706816aba3e25717850c26c9cd0d89d",
      "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
      "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca13"
      "4c825a7",
      "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a"
      "3feebbd454d4423643ce80e2a9ac94fa54ca49f",
  };
  const unsigned char lengths[] = {16, 20, 32, 48, 64};
  CHash* digests[] = {new CMD5, new CSHA1, new CSHA256, new CSHA384, new CSHA512};
  for (int i = 0; i < 5; ++i) {
    CHash* h = digests[i];
    unsigned char msg[] = {'a', 'b', 'c'};
    unsigned char out[64];
    CHECK(h->GetDigestLen() == lengths[i]);
    h->Final(msg, 3, out);  // a new object needs no Init
    CHECK(Hex(out, lengths[i]) == abc[i]);
    h->Init();
    h->Update(msg, 2);
    h->Update(msg + 2, 1);
    h->Final(out);
    CHECK(Hex(out, lengths[i]) == abc[i]);
    delete h;  // through the interface: the context record goes with it
  }

  // Copies mid-message, on the stack.
  unsigned char msg[] = {'a', 'b', 'c'};
  unsigned char a[32], b[32];
  CSHA256 sha;
  sha.Update(msg, 1);
  CSHA256 copy(sha);
  CSHA256 assigned;
  assigned = sha;
  sha.Update(msg + 1, 2);
  copy.Update(msg + 1, 2);
  assigned.Update(msg + 1, 2);
  sha.Final(a);
  copy.Final(b);
  CHECK(std::memcmp(a, b, 32) == 0);
  assigned.Final(b);
  CHECK(std::memcmp(a, b, 32) == 0);
  CMD5 md5;
  CMD5 md5Copy(md5);
  md5Copy = md5;
  CSHA1 sha1;
  CSHA1 sha1Copy(sha1);
  CSHA384 sha384;
  CSHA384 sha384Copy(sha384);
  CSHA512 sha512;
  CSHA512 sha512Copy(sha512);
  sha512Copy = sha512;

  // The public constants, read through the library's storage as well.
  CHECK(CMD5::MD5_DIGESTSIZE == 16);
  CHECK(CSHA1::SHA1_DIGESTSIZE == 20);
  CHECK(CSHA1::SHA1_DATASIZE == 64);
  const int* md5Size = &CMD5::MD5_DIGESTSIZE;
  const int* sha1Size = &CSHA1::SHA1_DIGESTSIZE;
  const int* sha1Data = &CSHA1::SHA1_DATASIZE;
  CHECK(*md5Size == 16 && *sha1Size == 20 && *sha1Data == 64);
}

void Cipher() {
  CRijndael* aes = new CRijndael;
  CCipher* cipher = aes;
  CHECK(aes->GetRounds() == -1);
  const char key[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  CHECK(cipher->Init(key, CRijndael::sm_chain0, 0, 16, 8) == -1);
  CHECK(cipher->Init(key, CRijndael::sm_chain0, 0, 16, 16) == 0);
  const unsigned char plain[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                   0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  char ct[17], pt[17];
  CHECK(cipher->Encrypt(reinterpret_cast<const char*>(plain), 16, ct, 17) == 17);
  CHECK(ct[0] == 0);
  CHECK(Hex(reinterpret_cast<unsigned char*>(ct) + 1, 16) == "69c4e0d86a7b0430d8cdb78070b4c55a");
  CHECK(cipher->Decrypt(ct, 17, pt, 17) == 16);
  CHECK(std::memcmp(pt, plain, 16) == 0);
  CHECK(cipher->Decrypt(ct, 0, pt, 17) == -1);
  CHECK(aes->GetKeyLength() == 16 && aes->GetBlockSize() == 16 && aes->GetRounds() == 10);
  CHECK(aes->GetNeedLen(17) == 32);
  char blocks[32] = {0};
  CHECK(aes->EncryptBlockN(blocks, blocks, 32) == 0);
  CHECK(aes->DecryptBlockN(blocks, blocks, 32) == 0);
  CHECK(blocks[0] == 0 && blocks[31] == 0);
  aes->ResetChain();
  CRijndael copy(*aes);
  CRijndael assigned;
  assigned = copy;
  CHECK(assigned.GetRounds() == 10);
  CRijndael wide(key, nullptr, CRijndael::CFB, 16, 32);
  CHECK(wide.GetRounds() == 14 && wide.GetNeedLen(33) == 64);
  for (int i = 0; i < 32; ++i) CHECK(CRijndael::sm_chain0[i] == 0);
  delete aes;  // through the concrete class: CCipher has no virtual destructor
}

// The protected operations are part of the interface for derived classes.
class Crt : public CCRTRand {
 public:
  int Draw() { return randomInteger(); }
  char Char(char* set) { return randomMTChar(set); }
};
class Twister : public CRaknetRand {
 public:
  unsigned int Draw() { return randomMT(); }
  float Unit() { return frandomMT(); }
};

void Generators() {
  CRand* gens[] = {new CCRTRand, new CRaknetRand};
  for (CRand* g : gens) {
    g->Seed();
    CHECK(g->Seed(1) == 1);
    CHECK(g->RandomInt(5, 5) == 5);
    const int v = g->RandomInt(10, 5);
    CHECK(v >= 10 && v <= 14);
    const double d = g->RandomDouble(3.0, 1.0);
    CHECK(d >= 1.0 && d <= 3.0);
    const double u = g->RandomDouble();
    CHECK(u >= 0.0 && u <= 1.0);
    char buf[9] = {0};
    CHECK(g->RandomByte(buf, 8, 2, nullptr) == 8);
    CHECK(std::strlen(buf) == 8);
    delete g;
  }
  CCRTRand crt;
  crt.Seed(1);
  CHECK(crt.RandomInt() == 41);
  CHECK(crt.RandomInt() == 1210271779);
  CRaknetRand mt;
  mt.Seed(1);
  CHECK(mt.RandomInt() == 498792314);
  CRaknetRand mtCopy(mt);
  CRaknetRand mtAssigned;
  mtAssigned = mt;
  CHECK(mtCopy.RandomInt() == mtAssigned.RandomInt());
  CCRTRand crtCopy(crt);
  crtCopy = crt;

  Crt derived;
  derived.Seed(1);
  CHECK(derived.Draw() == 41 && derived.Draw() == 18467);
  char set[] = "#";
  const char c = derived.Char(set);
  CHECK(c == '#' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
  Twister tw;
  tw.Seed(1);
  CHECK(tw.Draw() == 3796174982u);
  CHECK(tw.Draw() == 4182529786u);
  CHECK(tw.Draw() == 2180050607u);
  const float f = tw.Unit();
  CHECK(f >= 0.0f && f <= 1.0f);
}

#if defined(_WIN32)
// Private constants, tables and operations are exported too: look them up by their decorated
// names as a debugger or an outside tool would.
template <typename T>
const T* Data(HMODULE dll, const char* name) {
  return reinterpret_cast<const T*>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

void Exports() {
  HMODULE dll = GetModuleHandleA("tessec.dll");
  CHECK(dll != nullptr);
  if (!dll) return;
  struct Constant {
    const char* name;
    int value;
  } constants[] = {
      {"_ZN12public_crypt4CMD514MD5_DIGESTSIZEE", 16},
      {"_ZN12public_crypt5CSHA115SHA1_DIGESTSIZEE", 20},
      {"_ZN12public_crypt5CSHA113SHA1_DATASIZEE", 64},
      {"_ZN12public_crypt7CSHA25615HASH_DIGEST_LENE", 32},
      {"_ZN12public_crypt7CSHA25617SHA256_HASH_WORDSE", 8},
      {"_ZN12public_crypt7CSHA38415HASH_DIGEST_LENE", 48},
      {"_ZN12public_crypt7CSHA38417SHA384_HASH_WORDSE", 6},
      {"_ZN12public_crypt7CSHA51215HASH_DIGEST_LENE", 64},
      {"_ZN12public_crypt7CSHA51217SHA512_HASH_WORDSE", 8},
  };
  for (const Constant& c : constants) {
    const int* p = Data<int>(dll, c.name);
    CHECK(p != nullptr);
    if (p) CHECK(*p == c.value);
  }

  const unsigned char* s = Data<unsigned char>(dll, "_ZN12public_crypt9CRijndael4sm_SE");
  const unsigned char* si = Data<unsigned char>(dll, "_ZN12public_crypt9CRijndael5sm_SiE");
  const unsigned char* rcon = Data<unsigned char>(dll, "_ZN12public_crypt9CRijndael7sm_rconE");
  const int* shifts = Data<int>(dll, "_ZN12public_crypt9CRijndael9sm_shiftsE");
  CHECK(s && si && rcon && shifts);
  if (s && si && rcon && shifts) {
    CHECK(s[0] == 0x63 && s[0x53] == 0xED && si[0x63] == 0 && si[0xED] == 0x53);
    CHECK(rcon[0] == 0x01 && rcon[29] == 0x91);
    CHECK(shifts[2 * 4 * 2 + 2 * 2] == 3 && shifts[2 * 4 * 2 + 2 * 2 + 1] == 5);  // 32 bytes, row 2
  }
  const char* const* msg1 = Data<const char*>(dll, "_ZN12public_crypt9CRijndael14sm_szErrorMsg1E");
  const char* const* msg2 = Data<const char*>(dll, "_ZN12public_crypt9CRijndael14sm_szErrorMsg2E");
  CHECK(msg1 && msg2);
  if (msg1 && msg2) {
    CHECK(std::strcmp(*msg1, "Object not Initialized") == 0);
    CHECK(std::strcmp(*msg2, "Data not multiple of Block Size") == 0);
  }
  for (const char* table :
       {"_ZN12public_crypt9CRijndael5sm_T1E", "_ZN12public_crypt9CRijndael5sm_T8E",
        "_ZN12public_crypt9CRijndael5sm_U4E", "_ZN12public_crypt9CRijndael7sm_alogE",
        "_ZN12public_crypt9CRijndael6sm_logE", "_ZN12public_crypt7CBase649sm_decodeE"}) {
    CHECK(GetProcAddress(dll, table) != nullptr);
  }

  // The static GF(2^8) multiplications: {57} x {83} = {c1} (FIPS 197, 4.2).
  typedef int (*MulFn)(int, int);
  typedef int (*Mul4Fn)(int, char*);
  MulFn mul = reinterpret_cast<MulFn>(
      reinterpret_cast<void*>(GetProcAddress(dll, "_ZN12public_crypt9CRijndael3MulEii")));
  Mul4Fn mul4 = reinterpret_cast<Mul4Fn>(
      reinterpret_cast<void*>(GetProcAddress(dll, "_ZN12public_crypt9CRijndael4Mul4EiPc")));
  CHECK(mul && mul4);
  if (mul && mul4) {
    CHECK(mul(0x57, 0x83) == 0xC1);
    CHECK(mul(0, 0x83) == 0);
    char bytes[4] = {1, 2, 0, static_cast<char>(0x83)};
    CHECK(static_cast<unsigned int>(mul4(0x57, bytes)) == 0x57AE00C1u);
    CHECK(mul4(0, bytes) == 0);
  }

  // Private member functions, vtables and type information.
  for (const char* name :
       {"_ZN12public_crypt9CRijndael12EncryptBlockEPKcPc",
        "_ZN12public_crypt9CRijndael15DefDecryptBlockEPKcPc",
        "_ZN12public_crypt9CRijndael11Encrypt_CFBEPKcPcj", "_ZN12public_crypt9CRijndael3XorEPcPKc",
        "_ZN12public_crypt8CCRTRand12fillBufferMTEPvjPc",
        "_ZN12public_crypt11CRaknetRand8reloadMTEv", "_ZTVN12public_crypt5CHashE",
        "_ZTVN12public_crypt9CRijndaelE", "_ZTIN12public_crypt5CRandE",
        "_ZN12public_crypt7CCipherD2Ev", "_ZN12public_crypt6CBaseNaSERKS0_"}) {
    const bool found = GetProcAddress(dll, name) != nullptr;
    if (!found) std::printf("missing export %s\n", name);
    CHECK(found);
  }
}
#endif

}  // namespace

int main() {
  Codecs();
  Digests();
  Cipher();
  Generators();
#if defined(_WIN32)
  Exports();
#endif
  std::printf("%d checks, %d failed\n", g_checks, g_failures);
  return g_failures ? 1 : 0;
}
