// The digest classes: context records, buffering, padding and output. The compression
// functions are in HashCores.cpp (and ShaNi.cpp).
#include "tessec/Hash.h"

#include <cstring>

#include "Internal.h"

using namespace tessec_detail;

namespace public_crypt {

// Context records. MD5 and SHA-1 derive their buffer fill level from the bit count; the SHA-2
// records keep an explicit one.
struct Md5Context {
  uint32_t state[4];
  uint32_t count[2];  // bit count, low word first
  unsigned char buffer[64];
};

struct Sha1Context {
  uint32_t state[5];
  uint32_t count[2];  // bit count, low word first
  unsigned char buffer[64];
};

struct Sha256Context {
  uint32_t state[8];
  uint32_t countLow;  // bit count
  uint32_t countHigh;
  unsigned char buffer[64];
  uint32_t fill;
};

struct Sha512Context {
  uint64_t state[8];
  uint64_t countHigh;  // bit count
  uint64_t countLow;
  unsigned char buffer[128];
  uint32_t fill;
};

namespace {

// Appends len bytes to a block buffer holding `fill` bytes: completes and compresses the
// buffered block, compresses whole blocks straight from the caller's data and keeps the rest.
// Returns the new fill level.
template <size_t kBlock, typename State, typename Compress>
size_t Absorb(State* state, unsigned char* buffer, size_t fill, const unsigned char* data,
              size_t len, Compress compress) {
  if (fill) {
    const size_t take = len < kBlock - fill ? len : kBlock - fill;
    std::memcpy(buffer + fill, data, take);
    fill += take;
    data += take;
    len -= take;
    if (fill < kBlock) return fill;
    compress(state, buffer, 1);
  }
  const size_t blocks = len / kBlock;
  if (blocks) {
    compress(state, data, blocks);
    data += blocks * kBlock;
    len -= blocks * kBlock;
  }
  if (len) std::memcpy(buffer, data, len);
  return len;
}

// MD5 and SHA-1 keep a 64-bit bit count as two words, low word first, and derive the buffer's
// fill level from it.
template <size_t kWords>
void CountedUpdate(uint32_t (&state)[kWords], uint32_t (&count)[2], unsigned char* buffer,
                   const unsigned char* data, size_t len,
                   void (*compress)(uint32_t*, const unsigned char*, size_t)) {
  if (!data || !len) return;
  const size_t fill = (count[0] >> 3) & 63;
  const uint32_t bitsLow = static_cast<uint32_t>(len << 3);
  count[0] += bitsLow;
  if (count[0] < bitsLow) ++count[1];
  count[1] += static_cast<uint32_t>(uint64_t(len) >> 29);
  Absorb<64>(state, buffer, fill, data, len, compress);
}

// Padding for MD5 and SHA-1 up to the 8-byte length field, then the field itself.
template <typename Update>
void PadCounted(const uint32_t (&count)[2], const unsigned char* bits, Update update) {
  static const unsigned char kPadding[64] = {0x80};
  const size_t fill = (count[0] >> 3) & 63;
  update(kPadding, fill < 56 ? 56 - fill : 120 - fill);
  update(bits, 8);
}

// ---- MD5 ----------------------------------------------------------------------------------

void Md5Init(Md5Context* ctx) {
  ctx->state[0] = 0x67452301u;
  ctx->state[1] = 0xefcdab89u;
  ctx->state[2] = 0x98badcfeu;
  ctx->state[3] = 0x10325476u;
  ctx->count[0] = ctx->count[1] = 0;
}

void Md5Update(Md5Context* ctx, const unsigned char* data, size_t len) {
  CountedUpdate(ctx->state, ctx->count, ctx->buffer, data, len, Md5Blocks);
}

void Md5Final(Md5Context* ctx, unsigned char* digest) {
  unsigned char bits[8];
  Store32LE(bits, ctx->count[0]);
  Store32LE(bits + 4, ctx->count[1]);
  PadCounted(ctx->count, bits, [ctx](const unsigned char* p, size_t n) { Md5Update(ctx, p, n); });
  if (digest) {
    for (int i = 0; i < 4; ++i) Store32LE(digest + 4 * i, ctx->state[i]);
  }
  std::memset(ctx, 0, sizeof(*ctx));
}

// ---- SHA-1 --------------------------------------------------------------------------------

void Sha1Init(Sha1Context* ctx) {
  std::memset(ctx, 0, sizeof(*ctx));
  ctx->state[0] = 0x67452301u;
  ctx->state[1] = 0xefcdab89u;
  ctx->state[2] = 0x98badcfeu;
  ctx->state[3] = 0x10325476u;
  ctx->state[4] = 0xc3d2e1f0u;
}

void Sha1Update(Sha1Context* ctx, const unsigned char* data, size_t len) {
  CountedUpdate(ctx->state, ctx->count, ctx->buffer, data, len, Sha1Blocks);
}

void Sha1Final(Sha1Context* ctx, unsigned char* digest) {
  unsigned char bits[8];
  Store32BE(bits, ctx->count[1]);
  Store32BE(bits + 4, ctx->count[0]);
  PadCounted(ctx->count, bits, [ctx](const unsigned char* p, size_t n) { Sha1Update(ctx, p, n); });
  if (digest) {
    for (int i = 0; i < 5; ++i) Store32BE(digest + 4 * i, ctx->state[i]);
  }
  std::memset(ctx, 0, sizeof(*ctx));
}

// ---- SHA-256 ------------------------------------------------------------------------------

void Sha256Init(Sha256Context* ctx) {
  static const uint32_t kInit[8] = {0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au,
                                    0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u};
  std::memcpy(ctx->state, kInit, sizeof(kInit));
  ctx->countLow = ctx->countHigh = 0;
  ctx->fill = 0;
}

void Sha256Update(Sha256Context* ctx, const unsigned char* data, size_t len) {
  if (!data || !len) return;
  const uint32_t bitsLow = static_cast<uint32_t>(len << 3);
  ctx->countLow += bitsLow;
  if (ctx->countLow < bitsLow) ++ctx->countHigh;
  ctx->countHigh += static_cast<uint32_t>(uint64_t(len) >> 29);
  ctx->fill = static_cast<uint32_t>(
      Absorb<64>(ctx->state, ctx->buffer, ctx->fill, data, len, Sha256Blocks));
}

// Pads and compresses the last block or blocks; the finished state stays in the record.
void Sha256Finish(Sha256Context* ctx) {
  unsigned char bits[8];
  Store32BE(bits, ctx->countHigh);
  Store32BE(bits + 4, ctx->countLow);
  static const unsigned char kPadding[64] = {0x80};
  const size_t fill = ctx->fill;
  Sha256Update(ctx, kPadding, fill < 56 ? 56 - fill : 120 - fill);
  Sha256Update(ctx, bits, 8);
}

// ---- SHA-384 / SHA-512 --------------------------------------------------------------------

void Sha512Init(Sha512Context* ctx, const uint64_t* initial) {
  std::memcpy(ctx->state, initial, sizeof(ctx->state));
  ctx->countHigh = ctx->countLow = 0;
  ctx->fill = 0;
}

const uint64_t kSha384Init[8] = {
    0xcbbb9d5dc1059ed8ull, 0x629a292a367cd507ull, 0x9159015a3070dd17ull, 0x152fecd8f70e5939ull,
    0x67332667ffc00b31ull, 0x8eb44a8768581511ull, 0xdb0c2e0d64f98fa7ull, 0x47b5481dbefa4fa4ull,
};
const uint64_t kSha512Init[8] = {
    0x6a09e667f3bcc908ull, 0xbb67ae8584caa73bull, 0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull,
    0x510e527fade682d1ull, 0x9b05688c2b3e6c1full, 0x1f83d9abfb41bd6bull, 0x5be0cd19137e2179ull,
};

void Sha512Update(Sha512Context* ctx, const unsigned char* data, size_t len) {
  if (!data || !len) return;
  const uint64_t bits = uint64_t(len) << 3;
  ctx->countLow += bits;
  if (ctx->countLow < bits) ++ctx->countHigh;
  ctx->countHigh += uint64_t(len) >> 61;
  ctx->fill = static_cast<uint32_t>(
      Absorb<128>(ctx->state, ctx->buffer, ctx->fill, data, len, Sha512Blocks));
}

void Sha512Finish(Sha512Context* ctx) {
  unsigned char bits[16];
  Store64BE(bits, ctx->countHigh);
  Store64BE(bits + 8, ctx->countLow);
  static const unsigned char kPadding[128] = {0x80};
  const size_t fill = ctx->fill;
  Sha512Update(ctx, kPadding, fill < 112 ? 112 - fill : 240 - fill);
  Sha512Update(ctx, bits, 16);
}

void Sha512Output(const Sha512Context* ctx, unsigned char* digest, int words) {
  if (!digest) return;
  for (int i = 0; i < words; ++i) Store64BE(digest + 8 * i, ctx->state[i]);
}

}  // namespace

// ---- CHash --------------------------------------------------------------------------------

CHash::CHash() = default;
CHash::CHash(const CHash&) = default;
CHash& CHash::operator=(const CHash&) = default;
CHash::~CHash() = default;

// The one body behind every class's three-argument Final: both calls go through the virtual
// table, so a class derived from a digest class sees its own Update and Final used.
void CHash::Final(unsigned char* data, unsigned int len, unsigned char* digest) {
  Update(data, len);
  Final(digest);
}

// ---- CMD5 ---------------------------------------------------------------------------------

const int CMD5::MD5_DIGESTSIZE;

CMD5::CMD5() : m_pContext(new Md5Context) { Md5Init(m_pContext); }
CMD5::CMD5(const CMD5& other) : CHash(other), m_pContext(new Md5Context(*other.m_pContext)) {}
CMD5& CMD5::operator=(const CMD5& other) {
  *m_pContext = *other.m_pContext;
  return *this;
}
CMD5::~CMD5() { delete m_pContext; }

unsigned char CMD5::GetDigestLen() { return MD5_DIGESTSIZE; }
void CMD5::Init() { Md5Init(m_pContext); }
void CMD5::Update(unsigned char* data, unsigned int len) { Md5Update(m_pContext, data, len); }
void CMD5::Final(unsigned char* data, unsigned int len, unsigned char* digest) {
  CHash::Final(data, len, digest);
}
void CMD5::Final(unsigned char* digest) { Md5Final(m_pContext, digest); }

// ---- CSHA1 --------------------------------------------------------------------------------

const int CSHA1::SHA1_DIGESTSIZE;
const int CSHA1::SHA1_DATASIZE;

CSHA1::CSHA1() : m_pContext(new Sha1Context) { Sha1Init(m_pContext); }
CSHA1::CSHA1(const CSHA1& other) : CHash(other), m_pContext(new Sha1Context(*other.m_pContext)) {}
CSHA1& CSHA1::operator=(const CSHA1& other) {
  *m_pContext = *other.m_pContext;
  return *this;
}
CSHA1::~CSHA1() { delete m_pContext; }

unsigned char CSHA1::GetDigestLen() { return SHA1_DIGESTSIZE; }
void CSHA1::Init() { Sha1Init(m_pContext); }
void CSHA1::Update(unsigned char* data, unsigned int len) { Sha1Update(m_pContext, data, len); }
void CSHA1::Final(unsigned char* data, unsigned int len, unsigned char* digest) {
  CHash::Final(data, len, digest);
}
void CSHA1::Final(unsigned char* digest) { Sha1Final(m_pContext, digest); }

// ---- CSHA256 ------------------------------------------------------------------------------

const int CSHA256::HASH_DIGEST_LEN;
const int CSHA256::SHA256_HASH_WORDS;

CSHA256::CSHA256() : m_pContext(new Sha256Context) { Sha256Init(m_pContext); }
CSHA256::CSHA256(const CSHA256& other)
    : CHash(other), m_pContext(new Sha256Context(*other.m_pContext)) {}
CSHA256& CSHA256::operator=(const CSHA256& other) {
  *m_pContext = *other.m_pContext;
  return *this;
}
CSHA256::~CSHA256() { delete m_pContext; }

unsigned char CSHA256::GetDigestLen() { return HASH_DIGEST_LEN; }
void CSHA256::Init() { Sha256Init(m_pContext); }
void CSHA256::Update(unsigned char* data, unsigned int len) { Sha256Update(m_pContext, data, len); }
void CSHA256::Final(unsigned char* data, unsigned int len, unsigned char* digest) {
  CHash::Final(data, len, digest);
}
void CSHA256::Final(unsigned char* digest) {
  Sha256Finish(m_pContext);
  if (!digest) return;
  for (int i = 0; i < SHA256_HASH_WORDS; ++i) Store32BE(digest + 4 * i, m_pContext->state[i]);
}

// ---- CSHA384 ------------------------------------------------------------------------------

const int CSHA384::HASH_DIGEST_LEN;
const int CSHA384::SHA384_HASH_WORDS;

CSHA384::CSHA384() : m_pContext(new Sha512Context) { Sha512Init(m_pContext, kSha384Init); }
CSHA384::CSHA384(const CSHA384& other)
    : CHash(other), m_pContext(new Sha512Context(*other.m_pContext)) {}
CSHA384& CSHA384::operator=(const CSHA384& other) {
  *m_pContext = *other.m_pContext;
  return *this;
}
CSHA384::~CSHA384() { delete m_pContext; }

unsigned char CSHA384::GetDigestLen() { return HASH_DIGEST_LEN; }
void CSHA384::Init() { Sha512Init(m_pContext, kSha384Init); }
void CSHA384::Update(unsigned char* data, unsigned int len) { Sha512Update(m_pContext, data, len); }
void CSHA384::Final(unsigned char* data, unsigned int len, unsigned char* digest) {
  CHash::Final(data, len, digest);
}
void CSHA384::Final(unsigned char* digest) {
  Sha512Finish(m_pContext);
  Sha512Output(m_pContext, digest, SHA384_HASH_WORDS);
}

// ---- CSHA512 ------------------------------------------------------------------------------

const int CSHA512::HASH_DIGEST_LEN;
const int CSHA512::SHA512_HASH_WORDS;

CSHA512::CSHA512() : m_pContext(new Sha512Context) { Sha512Init(m_pContext, kSha512Init); }
CSHA512::CSHA512(const CSHA512& other)
    : CHash(other), m_pContext(new Sha512Context(*other.m_pContext)) {}
CSHA512& CSHA512::operator=(const CSHA512& other) {
  *m_pContext = *other.m_pContext;
  return *this;
}
CSHA512::~CSHA512() { delete m_pContext; }

unsigned char CSHA512::GetDigestLen() { return HASH_DIGEST_LEN; }
void CSHA512::Init() { Sha512Init(m_pContext, kSha512Init); }
void CSHA512::Update(unsigned char* data, unsigned int len) { Sha512Update(m_pContext, data, len); }
void CSHA512::Final(unsigned char* data, unsigned int len, unsigned char* digest) {
  CHash::Final(data, len, digest);
}
void CSHA512::Final(unsigned char* digest) {
  Sha512Finish(m_pContext);
  Sha512Output(m_pContext, digest, SHA512_HASH_WORDS);
}

}  // namespace public_crypt
