// The Rijndael cipher: key schedule, block transformation, chaining modes and the padded
// message format.
//
// Blocks are handled as big-endian 32-bit column words (a column's first byte in the high
// bits), which is the form of the round tables. 16-byte blocks take a fully unrolled path, or
// AES-NI when the CPU has it; 24- and 32-byte blocks take the general path with the row
// offsets of sm_shifts.
//
// Every mode operation reads a block before it writes the block's output, in all three modes
// and both directions, so out == in works everywhere (and so does any out that trails in).
#include "tessec/Cipher.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "Internal.h"

using namespace tessec_detail;

namespace public_crypt {

namespace {

const char kZeros[32] = {0};

inline const unsigned char* Bytes(const char* p) {
  return reinterpret_cast<const unsigned char*>(p);
}
inline unsigned char* Bytes(char* p) { return reinterpret_cast<unsigned char*>(p); }

// Index of a block size in sm_shifts.
inline int ShiftRow(int blockSize) { return blockSize / 8 - 2; }

}  // namespace

const char* const CRijndael::sm_chain0 = kZeros;
const char* const CRijndael::sm_szErrorMsg1 = "Object not Initialized";
const char* const CRijndael::sm_szErrorMsg2 = "Data not multiple of Block Size";

// ---- CCipher ------------------------------------------------------------------------------

CCipher::CCipher() = default;
CCipher::CCipher(const CCipher&) = default;
CCipher& CCipher::operator=(const CCipher&) = default;
CCipher::~CCipher() = default;

// ---- Construction -------------------------------------------------------------------------

CRijndael::CRijndael(const char* key, const char* chain, int mode, int keyLength, int blockSize)
    : m_pfnEncrypt(nullptr),
      m_pfnDecrypt(nullptr),
      m_bReady(false),
      m_encKeys(),
      m_decKeys(),
      m_keyLength(0),
      m_blockSize(0),
      m_rounds(0),
      m_initialChain(),
      m_chain(),
      m_tk(),
      m_a(),
      m_t() {
  Init(key, chain, mode, keyLength, blockSize);
}

CRijndael::CRijndael(const CRijndael& other) = default;
CRijndael& CRijndael::operator=(const CRijndael& other) = default;
CRijndael::~CRijndael() = default;

// ---- Key schedule -------------------------------------------------------------------------

int CRijndael::Init(const char* key, const char* chain, int mode, int keyLength, int blockSize) {
  if (!key) return -1;
  if (keyLength != 16 && keyLength != 24 && keyLength != 32) return -1;
  if (blockSize != 16 && blockSize != 24 && blockSize != 32) return -1;

  m_keyLength = keyLength;
  m_blockSize = blockSize;
  if (!chain) chain = sm_chain0;
  std::memcpy(m_initialChain, chain, blockSize);
  std::memcpy(m_chain, chain, blockSize);
  m_rounds = (keyLength > blockSize ? keyLength : blockSize) / 4 + 6;
  std::memset(m_encKeys, 0, sizeof(m_encKeys));
  std::memset(m_decKeys, 0, sizeof(m_decKeys));

  // Key expansion, keeping the last Nk words in m_tk: word i is word i - Nk combined with a
  // function of word i - 1. Word i goes to row i / BC, column i % BC of the encryption keys,
  // and to the mirrored row of the decryption keys.
  const int nk = keyLength / 4;
  const int bc = blockSize / 4;
  const int total = bc * (m_rounds + 1);
  for (int i = 0; i < nk; ++i) m_tk[i] = Load32BE(Bytes(key) + 4 * i);
  for (int i = 0; i < total; ++i) {
    if (i >= nk) {
      uint32_t temp = m_tk[(i - 1) % nk];
      if (i % nk == 0) {
        temp = (uint32_t(sm_S[(temp >> 16) & 0xFF]) << 24) |
               (uint32_t(sm_S[(temp >> 8) & 0xFF]) << 16) | (uint32_t(sm_S[temp & 0xFF]) << 8) |
               uint32_t(sm_S[temp >> 24]);
        temp ^= uint32_t(sm_rcon[i / nk - 1]) << 24;
      } else if (nk == 8 && i % nk == 4) {
        temp = (uint32_t(sm_S[temp >> 24]) << 24) | (uint32_t(sm_S[(temp >> 16) & 0xFF]) << 16) |
               (uint32_t(sm_S[(temp >> 8) & 0xFF]) << 8) | uint32_t(sm_S[temp & 0xFF]);
      }
      m_tk[i % nk] ^= temp;
    }
    const uint32_t w = m_tk[i % nk];
    m_encKeys[i / bc][i % bc] = w;
    m_decKeys[m_rounds - i / bc][i % bc] = w;
  }
  // The equivalent inverse cipher: InvMixColumns over the inner decryption rows.
  for (int r = 1; r < m_rounds; ++r) {
    for (int j = 0; j < bc; ++j) {
      const uint32_t w = m_decKeys[r][j];
      m_decKeys[r][j] =
          sm_U1[w >> 24] ^ sm_U2[(w >> 16) & 0xFF] ^ sm_U3[(w >> 8) & 0xFF] ^ sm_U4[w & 0xFF];
    }
  }

  m_bReady = true;
  switch (mode) {
    case CBC:
      m_pfnEncrypt = &CRijndael::Encrypt_CBC;
      m_pfnDecrypt = &CRijndael::Decrypt_CBC;
      break;
    case CFB:
      m_pfnEncrypt = &CRijndael::Encrypt_CFB;
      m_pfnDecrypt = &CRijndael::Decrypt_CFB;
      break;
    default:
      m_pfnEncrypt = &CRijndael::Encrypt_OTHER;
      m_pfnDecrypt = &CRijndael::Decrypt_OTHER;
      break;
  }
  return 0;
}

// ---- Block transformation -----------------------------------------------------------------

// One middle round of the 16-byte path: column j takes row k from column j + k (encryption)
// or j - k (decryption), all modulo 4.
#define TESSEC_ENC_ROUND(o, i, r)                                                     \
  o##0 = sm_T1[i##0 >> 24] ^ sm_T2[(i##1 >> 16) & 0xFF] ^ sm_T3[(i##2 >> 8) & 0xFF] ^ \
         sm_T4[i##3 & 0xFF] ^ rk[r][0];                                               \
  o##1 = sm_T1[i##1 >> 24] ^ sm_T2[(i##2 >> 16) & 0xFF] ^ sm_T3[(i##3 >> 8) & 0xFF] ^ \
         sm_T4[i##0 & 0xFF] ^ rk[r][1];                                               \
  o##2 = sm_T1[i##2 >> 24] ^ sm_T2[(i##3 >> 16) & 0xFF] ^ sm_T3[(i##0 >> 8) & 0xFF] ^ \
         sm_T4[i##1 & 0xFF] ^ rk[r][2];                                               \
  o##3 = sm_T1[i##3 >> 24] ^ sm_T2[(i##0 >> 16) & 0xFF] ^ sm_T3[(i##1 >> 8) & 0xFF] ^ \
         sm_T4[i##2 & 0xFF] ^ rk[r][3];

#define TESSEC_DEC_ROUND(o, i, r)                                                     \
  o##0 = sm_T5[i##0 >> 24] ^ sm_T6[(i##3 >> 16) & 0xFF] ^ sm_T7[(i##2 >> 8) & 0xFF] ^ \
         sm_T8[i##1 & 0xFF] ^ rk[r][0];                                               \
  o##1 = sm_T5[i##1 >> 24] ^ sm_T6[(i##0 >> 16) & 0xFF] ^ sm_T7[(i##3 >> 8) & 0xFF] ^ \
         sm_T8[i##2 & 0xFF] ^ rk[r][1];                                               \
  o##2 = sm_T5[i##2 >> 24] ^ sm_T6[(i##1 >> 16) & 0xFF] ^ sm_T7[(i##0 >> 8) & 0xFF] ^ \
         sm_T8[i##3 & 0xFF] ^ rk[r][2];                                               \
  o##3 = sm_T5[i##3 >> 24] ^ sm_T6[(i##2 >> 16) & 0xFF] ^ sm_T7[(i##1 >> 8) & 0xFF] ^ \
         sm_T8[i##0 & 0xFF] ^ rk[r][3];

void CRijndael::DefEncryptBlock(const char* in, char* out) {
  const unsigned int(*rk)[8] = m_encKeys;
  const unsigned char* p = Bytes(in);
  uint32_t s0 = Load32BE(p) ^ rk[0][0];
  uint32_t s1 = Load32BE(p + 4) ^ rk[0][1];
  uint32_t s2 = Load32BE(p + 8) ^ rk[0][2];
  uint32_t s3 = Load32BE(p + 12) ^ rk[0][3];
  uint32_t t0, t1, t2, t3;
  TESSEC_ENC_ROUND(t, s, 1)
  TESSEC_ENC_ROUND(s, t, 2)
  TESSEC_ENC_ROUND(t, s, 3)
  TESSEC_ENC_ROUND(s, t, 4)
  TESSEC_ENC_ROUND(t, s, 5)
  TESSEC_ENC_ROUND(s, t, 6)
  TESSEC_ENC_ROUND(t, s, 7)
  TESSEC_ENC_ROUND(s, t, 8)
  TESSEC_ENC_ROUND(t, s, 9)
  if (m_rounds > 10) {
    TESSEC_ENC_ROUND(s, t, 10)
    TESSEC_ENC_ROUND(t, s, 11)
    if (m_rounds > 12) {
      TESSEC_ENC_ROUND(s, t, 12)
      TESSEC_ENC_ROUND(t, s, 13)
    }
  }
  const unsigned int* last = rk[m_rounds];
  unsigned char* q = Bytes(out);
  Store32BE(q, ((uint32_t(sm_S[t0 >> 24]) << 24) | (uint32_t(sm_S[(t1 >> 16) & 0xFF]) << 16) |
                (uint32_t(sm_S[(t2 >> 8) & 0xFF]) << 8) | sm_S[t3 & 0xFF]) ^
                   last[0]);
  Store32BE(q + 4, ((uint32_t(sm_S[t1 >> 24]) << 24) | (uint32_t(sm_S[(t2 >> 16) & 0xFF]) << 16) |
                    (uint32_t(sm_S[(t3 >> 8) & 0xFF]) << 8) | sm_S[t0 & 0xFF]) ^
                       last[1]);
  Store32BE(q + 8, ((uint32_t(sm_S[t2 >> 24]) << 24) | (uint32_t(sm_S[(t3 >> 16) & 0xFF]) << 16) |
                    (uint32_t(sm_S[(t0 >> 8) & 0xFF]) << 8) | sm_S[t1 & 0xFF]) ^
                       last[2]);
  Store32BE(q + 12, ((uint32_t(sm_S[t3 >> 24]) << 24) | (uint32_t(sm_S[(t0 >> 16) & 0xFF]) << 16) |
                     (uint32_t(sm_S[(t1 >> 8) & 0xFF]) << 8) | sm_S[t2 & 0xFF]) ^
                        last[3]);
}

void CRijndael::DefDecryptBlock(const char* in, char* out) {
  const unsigned int(*rk)[8] = m_decKeys;
  const unsigned char* p = Bytes(in);
  uint32_t s0 = Load32BE(p) ^ rk[0][0];
  uint32_t s1 = Load32BE(p + 4) ^ rk[0][1];
  uint32_t s2 = Load32BE(p + 8) ^ rk[0][2];
  uint32_t s3 = Load32BE(p + 12) ^ rk[0][3];
  uint32_t t0, t1, t2, t3;
  TESSEC_DEC_ROUND(t, s, 1)
  TESSEC_DEC_ROUND(s, t, 2)
  TESSEC_DEC_ROUND(t, s, 3)
  TESSEC_DEC_ROUND(s, t, 4)
  TESSEC_DEC_ROUND(t, s, 5)
  TESSEC_DEC_ROUND(s, t, 6)
  TESSEC_DEC_ROUND(t, s, 7)
  TESSEC_DEC_ROUND(s, t, 8)
  TESSEC_DEC_ROUND(t, s, 9)
  if (m_rounds > 10) {
    TESSEC_DEC_ROUND(s, t, 10)
    TESSEC_DEC_ROUND(t, s, 11)
    if (m_rounds > 12) {
      TESSEC_DEC_ROUND(s, t, 12)
      TESSEC_DEC_ROUND(t, s, 13)
    }
  }
  const unsigned int* last = rk[m_rounds];
  unsigned char* q = Bytes(out);
  Store32BE(q, ((uint32_t(sm_Si[t0 >> 24]) << 24) | (uint32_t(sm_Si[(t3 >> 16) & 0xFF]) << 16) |
                (uint32_t(sm_Si[(t2 >> 8) & 0xFF]) << 8) | sm_Si[t1 & 0xFF]) ^
                   last[0]);
  Store32BE(q + 4, ((uint32_t(sm_Si[t1 >> 24]) << 24) | (uint32_t(sm_Si[(t0 >> 16) & 0xFF]) << 16) |
                    (uint32_t(sm_Si[(t3 >> 8) & 0xFF]) << 8) | sm_Si[t2 & 0xFF]) ^
                       last[1]);
  Store32BE(q + 8, ((uint32_t(sm_Si[t2 >> 24]) << 24) | (uint32_t(sm_Si[(t1 >> 16) & 0xFF]) << 16) |
                    (uint32_t(sm_Si[(t0 >> 8) & 0xFF]) << 8) | sm_Si[t3 & 0xFF]) ^
                       last[2]);
  Store32BE(q + 12,
            ((uint32_t(sm_Si[t3 >> 24]) << 24) | (uint32_t(sm_Si[(t2 >> 16) & 0xFF]) << 16) |
             (uint32_t(sm_Si[(t1 >> 8) & 0xFF]) << 8) | sm_Si[t0 & 0xFF]) ^
                last[3]);
}

#undef TESSEC_ENC_ROUND
#undef TESSEC_DEC_ROUND

// The general path, any block size: m_t holds the state, m_a the next round's.
int CRijndael::EncryptBlock(const char* in, char* out) {
  if (!m_bReady) return -1;
  if (m_blockSize == 16) {
    DefEncryptBlock(in, out);
    return 0;
  }
  const int bc = m_blockSize / 4;
  const int(&shifts)[4][2] = sm_shifts[ShiftRow(m_blockSize)];
  const int s1 = shifts[1][0], s2 = shifts[2][0], s3 = shifts[3][0];
  for (int j = 0; j < bc; ++j) m_t[j] = Load32BE(Bytes(in) + 4 * j) ^ m_encKeys[0][j];
  for (int r = 1; r < m_rounds; ++r) {
    for (int j = 0; j < bc; ++j) {
      m_a[j] = sm_T1[m_t[j] >> 24] ^ sm_T2[(m_t[(j + s1) % bc] >> 16) & 0xFF] ^
               sm_T3[(m_t[(j + s2) % bc] >> 8) & 0xFF] ^ sm_T4[m_t[(j + s3) % bc] & 0xFF] ^
               m_encKeys[r][j];
    }
    std::memcpy(m_t, m_a, sizeof(uint32_t) * bc);
  }
  for (int j = 0; j < bc; ++j) {
    const uint32_t w = (uint32_t(sm_S[m_t[j] >> 24]) << 24) |
                       (uint32_t(sm_S[(m_t[(j + s1) % bc] >> 16) & 0xFF]) << 16) |
                       (uint32_t(sm_S[(m_t[(j + s2) % bc] >> 8) & 0xFF]) << 8) |
                       uint32_t(sm_S[m_t[(j + s3) % bc] & 0xFF]);
    m_a[j] = w ^ m_encKeys[m_rounds][j];
  }
  for (int j = 0; j < bc; ++j) Store32BE(Bytes(out) + 4 * j, m_a[j]);
  return 0;
}

int CRijndael::DecryptBlock(const char* in, char* out) {
  if (!m_bReady) return -1;
  if (m_blockSize == 16) {
    DefDecryptBlock(in, out);
    return 0;
  }
  const int bc = m_blockSize / 4;
  const int(&shifts)[4][2] = sm_shifts[ShiftRow(m_blockSize)];
  const int s1 = shifts[1][1], s2 = shifts[2][1], s3 = shifts[3][1];
  for (int j = 0; j < bc; ++j) m_t[j] = Load32BE(Bytes(in) + 4 * j) ^ m_decKeys[0][j];
  for (int r = 1; r < m_rounds; ++r) {
    for (int j = 0; j < bc; ++j) {
      m_a[j] = sm_T5[m_t[j] >> 24] ^ sm_T6[(m_t[(j + s1) % bc] >> 16) & 0xFF] ^
               sm_T7[(m_t[(j + s2) % bc] >> 8) & 0xFF] ^ sm_T8[m_t[(j + s3) % bc] & 0xFF] ^
               m_decKeys[r][j];
    }
    std::memcpy(m_t, m_a, sizeof(uint32_t) * bc);
  }
  for (int j = 0; j < bc; ++j) {
    const uint32_t w = (uint32_t(sm_Si[m_t[j] >> 24]) << 24) |
                       (uint32_t(sm_Si[(m_t[(j + s1) % bc] >> 16) & 0xFF]) << 16) |
                       (uint32_t(sm_Si[(m_t[(j + s2) % bc] >> 8) & 0xFF]) << 8) |
                       uint32_t(sm_Si[m_t[(j + s3) % bc] & 0xFF]);
    m_a[j] = w ^ m_decKeys[m_rounds][j];
  }
  for (int j = 0; j < bc; ++j) Store32BE(Bytes(out) + 4 * j, m_a[j]);
  return 0;
}

int CRijndael::Xor(char* buf, const char* data) {
  if (!m_bReady) return -1;
  for (int i = 0; i < m_blockSize; ++i) buf[i] ^= data[i];
  return 0;
}

// ---- Chaining modes -----------------------------------------------------------------------

int CRijndael::Encrypt_OTHER(const char* in, char* out, unsigned int len) {
  if (!m_bReady || len == 0 || len % m_blockSize) return -1;
  const unsigned int bs = m_blockSize;
#if defined(TESSEC_X86_ACCEL)
  if (bs == 16 && UseAesNi()) {
    AesNiEncryptEcb(m_encKeys, m_rounds, Bytes(in), Bytes(out), len / 16);
    return 0;
  }
#endif
  for (unsigned int i = 0; i < len; i += bs) EncryptBlock(in + i, out + i);
  return 0;
}

int CRijndael::Decrypt_OTHER(const char* in, char* out, unsigned int len) {
  if (!m_bReady || len == 0 || len % m_blockSize) return -1;
  const unsigned int bs = m_blockSize;
#if defined(TESSEC_X86_ACCEL)
  if (bs == 16 && UseAesNi()) {
    AesNiDecryptEcb(m_decKeys, m_rounds, Bytes(in), Bytes(out), len / 16);
    return 0;
  }
#endif
  for (unsigned int i = 0; i < len; i += bs) DecryptBlock(in + i, out + i);
  return 0;
}

int CRijndael::Encrypt_CBC(const char* in, char* out, unsigned int len) {
  if (!m_bReady || len == 0 || len % m_blockSize) return -1;
  const unsigned int bs = m_blockSize;
#if defined(TESSEC_X86_ACCEL)
  if (bs == 16 && UseAesNi()) {
    AesNiEncryptCbc(m_encKeys, m_rounds, Bytes(m_chain), Bytes(in), Bytes(out), len / 16);
    return 0;
  }
#endif
  for (unsigned int i = 0; i < len; i += bs) {
    Xor(m_chain, in + i);
    EncryptBlock(m_chain, m_chain);
    std::memcpy(out + i, m_chain, bs);
  }
  return 0;
}

int CRijndael::Decrypt_CBC(const char* in, char* out, unsigned int len) {
  if (!m_bReady || len == 0 || len % m_blockSize) return -1;
  const unsigned int bs = m_blockSize;
#if defined(TESSEC_X86_ACCEL)
  if (bs == 16 && UseAesNi()) {
    AesNiDecryptCbc(m_decKeys, m_rounds, Bytes(m_chain), Bytes(in), Bytes(out), len / 16);
    return 0;
  }
#endif
  char ct[32];
  char pt[32];
  for (unsigned int i = 0; i < len; i += bs) {
    std::memcpy(ct, in + i, bs);
    DecryptBlock(ct, pt);
    Xor(pt, m_chain);
    std::memcpy(m_chain, ct, bs);
    std::memcpy(out + i, pt, bs);
  }
  return 0;
}

int CRijndael::Encrypt_CFB(const char* in, char* out, unsigned int len) {
  if (!m_bReady || len == 0 || len % m_blockSize) return -1;
  const unsigned int bs = m_blockSize;
#if defined(TESSEC_X86_ACCEL)
  if (bs == 16 && UseAesNi()) {
    AesNiEncryptCfb(m_encKeys, m_rounds, Bytes(m_chain), Bytes(in), Bytes(out), len / 16);
    return 0;
  }
#endif
  for (unsigned int i = 0; i < len; i += bs) {
    EncryptBlock(m_chain, m_chain);
    Xor(m_chain, in + i);
    std::memcpy(out + i, m_chain, bs);
  }
  return 0;
}

int CRijndael::Decrypt_CFB(const char* in, char* out, unsigned int len) {
  if (!m_bReady || len == 0 || len % m_blockSize) return -1;
  const unsigned int bs = m_blockSize;
#if defined(TESSEC_X86_ACCEL)
  if (bs == 16 && UseAesNi()) {
    AesNiDecryptCfb(m_encKeys, m_rounds, Bytes(m_chain), Bytes(in), Bytes(out), len / 16);
    return 0;
  }
#endif
  char ct[32];
  char pt[32];
  for (unsigned int i = 0; i < len; i += bs) {
    std::memcpy(ct, in + i, bs);
    EncryptBlock(m_chain, pt);
    Xor(pt, ct);
    std::memcpy(m_chain, ct, bs);
    std::memcpy(out + i, pt, bs);
  }
  return 0;
}

// ---- Block and message level --------------------------------------------------------------

int CRijndael::EncryptBlockN(const char* in, char* out, unsigned int len) {
  if (!m_pfnEncrypt) return -1;
  if (len && (!in || !out)) return -1;
  (this->*m_pfnEncrypt)(in, out, len);
  return 0;
}

int CRijndael::DecryptBlockN(const char* in, char* out, unsigned int len) {
  if (!m_pfnDecrypt) return -1;
  if (len && (!in || !out)) return -1;
  (this->*m_pfnDecrypt)(in, out, len);
  return 0;
}

int CRijndael::Encrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) {
  if (!m_bReady || !m_pfnEncrypt) return -1;
  const unsigned int bs = m_blockSize;
  const unsigned int rest = inLen % bs;
  const unsigned int pad = rest ? bs - rest : 0;
  const uint64_t total = 1 + uint64_t(inLen) + pad;
  if (outSize < total) return -2;
  // The length must be representable in the result, which is an int.
  if (total > INT_MAX) return -1;
  if (!out || (inLen && !in)) return -1;

  // An output area that overlaps the input ahead of it would overwrite input before it is
  // read: move the data into place first and encrypt it there (every mode works in place).
  const uintptr_t inBegin = reinterpret_cast<uintptr_t>(in);
  const uintptr_t outBegin = reinterpret_cast<uintptr_t>(out);
  if (inLen && outBegin < inBegin + inLen && inBegin < outBegin + total) {
    std::memmove(out + 1, in, inLen);
    in = out + 1;
  }

  out[0] = static_cast<char>(pad);
  const unsigned int whole = inLen - rest;
  if (whole) (this->*m_pfnEncrypt)(in, out + 1, whole);
  if (rest) {
    char last[32] = {0};
    std::memcpy(last, in + whole, rest);
    (this->*m_pfnEncrypt)(last, out + 1 + whole, bs);
  }
  return static_cast<int>(total);
}

int CRijndael::Decrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) {
  if (outSize < inLen) return -2;
  if (!m_bReady || !m_pfnDecrypt) return -1;
  // The count byte must be there, below the block size and not above the data; the data must
  // be whole blocks. Anything else is not a message of this format, and nothing is written.
  if (inLen == 0 || !in) return -1;
  const unsigned int data = inLen - 1;
  const signed char count = static_cast<signed char>(in[0]);
  if (count < 0 || count >= m_blockSize) return -1;
  if (data % m_blockSize || unsigned(count) > data || data > INT_MAX) return -1;
  if (data) {
    if (!out) return -1;
    (this->*m_pfnDecrypt)(in + 1, out, data);
  }
  return static_cast<int>(data - count);
}

// ---- Queries ------------------------------------------------------------------------------

int CRijndael::GetNeedLen(int len) {
  if (!m_bReady) return -1;
  if (len <= 0) return 0;
  const int64_t blocks = (int64_t(len) + m_blockSize - 1) / m_blockSize;
  const int64_t need = blocks * m_blockSize;
  return need > INT_MAX ? -1 : static_cast<int>(need);
}

int CRijndael::GetKeyLength() { return m_bReady ? m_keyLength : -1; }
int CRijndael::GetBlockSize() { return m_bReady ? m_blockSize : -1; }
int CRijndael::GetRounds() { return m_bReady ? m_rounds : -1; }

void CRijndael::ResetChain() {
  if (m_bReady) std::memcpy(m_chain, m_initialChain, m_blockSize);
}

// ---- GF(2^8) arithmetic -------------------------------------------------------------------

int CRijndael::Mul(int a, int b) {
  a &= 0xFF;
  b &= 0xFF;
  if (!a || !b) return 0;
  return sm_alog[(sm_log[a] + sm_log[b]) % 255];
}

int CRijndael::Mul4(int a, char* const b) {
  a &= 0xFF;
  if (!a) return 0;
  a = sm_log[a];
  unsigned int result = 0;
  for (int i = 0; i < 4; ++i) {
    const int x = static_cast<unsigned char>(b[i]);
    const unsigned int product = x ? static_cast<unsigned int>(sm_alog[(a + sm_log[x]) % 255]) : 0u;
    result |= product << (24 - 8 * i);
  }
  return static_cast<int>(result);
}

}  // namespace public_crypt
