// The constant tables of the Rijndael cipher, computed by the compiler from their definitions
// in GF(2^8) (modulus x^8 + x^4 + x^3 + x + 1) and stored as constant data.
#include "tessec/Cipher.h"

#include <cstdint>

#include "RijndaelData.h"
#include "TableMacros.h"

namespace public_crypt {

namespace {

constexpr unsigned XTime(unsigned a) { return ((a << 1) ^ ((a & 0x80) ? 0x1B : 0)) & 0xFF; }

constexpr unsigned GfMul(unsigned a, unsigned b) {
  unsigned r = 0;
  for (; b; b >>= 1, a = XTime(a)) {
    if (b & 1) r ^= a;
  }
  return r;
}

constexpr uint32_t Pack(unsigned b0, unsigned b1, unsigned b2, unsigned b3) {
  return (uint32_t(b0) << 24) | (uint32_t(b1) << 16) | (uint32_t(b2) << 8) | uint32_t(b3);
}

constexpr uint32_t Rotr8(uint32_t w, int n) { return n ? (w >> (8 * n)) | (w << (32 - 8 * n)) : w; }

struct Tables {
  int alog[256];
  int log[256];
  unsigned char s[256];
  unsigned char si[256];
  unsigned char rcon[30];
};

constexpr Tables MakeTables() {
  Tables t{};
  // Powers of the generator 3; alog[255] is 1 again.
  t.alog[0] = 1;
  for (int i = 1; i < 256; ++i) t.alog[i] = static_cast<int>(t.alog[i - 1] ^ XTime(t.alog[i - 1]));
  for (int i = 0; i < 255; ++i) t.log[t.alog[i]] = i;
  // S-box: the multiplicative inverse (0 for 0) through the affine map of the cipher.
  for (int x = 0; x < 256; ++x) {
    const unsigned inv = x ? static_cast<unsigned>(t.alog[(255 - t.log[x]) % 255]) : 0u;
    unsigned s = inv;
    for (int k = 1; k <= 4; ++k) s ^= ((inv << k) | (inv >> (8 - k))) & 0xFF;
    s ^= 0x63;
    t.s[x] = static_cast<unsigned char>(s);
    t.si[s] = static_cast<unsigned char>(x);
  }
  unsigned r = 1;
  for (int i = 0; i < 30; ++i, r = XTime(r)) t.rcon[i] = static_cast<unsigned char>(r);
  return t;
}

constexpr Tables kTables = MakeTables();

// Encryption round tables: the S-box output times the MixColumns column (2, 1, 1, 3), in the
// four byte rotations.
constexpr uint32_t T(int x) {
  return Pack(GfMul(kTables.s[x], 2), kTables.s[x], kTables.s[x], GfMul(kTables.s[x], 3));
}
// InvMixColumns column (14, 9, 13, 11) times a byte.
constexpr uint32_t U(int x) { return Pack(GfMul(x, 14), GfMul(x, 9), GfMul(x, 13), GfMul(x, 11)); }

constexpr unsigned char S(int x) { return kTables.s[x]; }
constexpr unsigned char Si(int x) { return kTables.si[x]; }
constexpr uint32_t T1(int x) { return T(x); }
constexpr uint32_t T2(int x) { return Rotr8(T(x), 1); }
constexpr uint32_t T3(int x) { return Rotr8(T(x), 2); }
constexpr uint32_t T4(int x) { return Rotr8(T(x), 3); }
constexpr uint32_t T5(int x) { return U(kTables.si[x]); }
constexpr uint32_t T6(int x) { return Rotr8(U(kTables.si[x]), 1); }
constexpr uint32_t T7(int x) { return Rotr8(U(kTables.si[x]), 2); }
constexpr uint32_t T8(int x) { return Rotr8(U(kTables.si[x]), 3); }
constexpr uint32_t U1(int x) { return U(x); }
constexpr uint32_t U2(int x) { return Rotr8(U(x), 1); }
constexpr uint32_t U3(int x) { return Rotr8(U(x), 2); }
constexpr uint32_t U4(int x) { return Rotr8(U(x), 3); }
constexpr uint32_t L1(int x) { return uint32_t(kTables.s[x]) << 24; }
constexpr uint32_t L2(int x) { return uint32_t(kTables.s[x]) << 16; }
constexpr uint32_t L3(int x) { return uint32_t(kTables.s[x]) << 8; }
constexpr uint32_t L4(int x) { return uint32_t(kTables.s[x]); }
constexpr uint32_t L5(int x) { return uint32_t(kTables.si[x]) << 24; }
constexpr uint32_t L6(int x) { return uint32_t(kTables.si[x]) << 16; }
constexpr uint32_t L7(int x) { return uint32_t(kTables.si[x]) << 8; }
constexpr uint32_t L8(int x) { return uint32_t(kTables.si[x]); }
constexpr int Alog(int x) { return kTables.alog[x]; }
constexpr int Log(int x) { return kTables.log[x]; }
constexpr unsigned char Rcon(int i) { return kTables.rcon[i]; }

}  // namespace

const unsigned char CRijndael::sm_S[256] = {TESSEC_TABLE256(S)};
const unsigned char CRijndael::sm_Si[256] = {TESSEC_TABLE256(Si)};
const unsigned int CRijndael::sm_T1[256] = {TESSEC_TABLE256(T1)};
const unsigned int CRijndael::sm_T2[256] = {TESSEC_TABLE256(T2)};
const unsigned int CRijndael::sm_T3[256] = {TESSEC_TABLE256(T3)};
const unsigned int CRijndael::sm_T4[256] = {TESSEC_TABLE256(T4)};
const unsigned int CRijndael::sm_T5[256] = {TESSEC_TABLE256(T5)};
const unsigned int CRijndael::sm_T6[256] = {TESSEC_TABLE256(T6)};
const unsigned int CRijndael::sm_T7[256] = {TESSEC_TABLE256(T7)};
const unsigned int CRijndael::sm_T8[256] = {TESSEC_TABLE256(T8)};
const unsigned int CRijndael::sm_U1[256] = {TESSEC_TABLE256(U1)};
const unsigned int CRijndael::sm_U2[256] = {TESSEC_TABLE256(U2)};
const unsigned int CRijndael::sm_U3[256] = {TESSEC_TABLE256(U3)};
const unsigned int CRijndael::sm_U4[256] = {TESSEC_TABLE256(U4)};
const int CRijndael::sm_alog[256] = {TESSEC_TABLE256(Alog)};
const int CRijndael::sm_log[256] = {TESSEC_TABLE256(Log)};
const unsigned char CRijndael::sm_rcon[30] = {
    Rcon(0),  Rcon(1),  Rcon(2),  Rcon(3),  Rcon(4),  Rcon(5),  Rcon(6),  Rcon(7),
    Rcon(8),  Rcon(9),  Rcon(10), Rcon(11), Rcon(12), Rcon(13), Rcon(14), Rcon(15),
    Rcon(16), Rcon(17), Rcon(18), Rcon(19), Rcon(20), Rcon(21), Rcon(22), Rcon(23),
    Rcon(24), Rcon(25), Rcon(26), Rcon(27), Rcon(28), Rcon(29),
};

// Row shift offsets (encrypt, decrypt) for rows 0-3, by block size 16, 24 and 32 bytes.
#define TESSEC_SHIFT_ROW(b, r) \
  { tessec_detail::kRijndaelShifts[b][r][0], tessec_detail::kRijndaelShifts[b][r][1] }
#define TESSEC_SHIFT_BLOCK(b) \
  { TESSEC_SHIFT_ROW(b, 0), TESSEC_SHIFT_ROW(b, 1), TESSEC_SHIFT_ROW(b, 2), TESSEC_SHIFT_ROW(b, 3) }
const int CRijndael::sm_shifts[3][4][2] = {TESSEC_SHIFT_BLOCK(0), TESSEC_SHIFT_BLOCK(1),
                                           TESSEC_SHIFT_BLOCK(2)};
#undef TESSEC_SHIFT_ROW
#undef TESSEC_SHIFT_BLOCK

}  // namespace public_crypt

namespace tessec_detail {

alignas(64) const uint32_t kRijndaelEncTables[4][256] = {
    {TESSEC_TABLE256(public_crypt::T1)},
    {TESSEC_TABLE256(public_crypt::T2)},
    {TESSEC_TABLE256(public_crypt::T3)},
    {TESSEC_TABLE256(public_crypt::T4)},
};
alignas(64) const uint32_t kRijndaelDecTables[4][256] = {
    {TESSEC_TABLE256(public_crypt::T5)},
    {TESSEC_TABLE256(public_crypt::T6)},
    {TESSEC_TABLE256(public_crypt::T7)},
    {TESSEC_TABLE256(public_crypt::T8)},
};
alignas(64) const uint32_t kRijndaelEncLast[4][256] = {
    {TESSEC_TABLE256(public_crypt::L1)},
    {TESSEC_TABLE256(public_crypt::L2)},
    {TESSEC_TABLE256(public_crypt::L3)},
    {TESSEC_TABLE256(public_crypt::L4)},
};
alignas(64) const uint32_t kRijndaelDecLast[4][256] = {
    {TESSEC_TABLE256(public_crypt::L5)},
    {TESSEC_TABLE256(public_crypt::L6)},
    {TESSEC_TABLE256(public_crypt::L7)},
    {TESSEC_TABLE256(public_crypt::L8)},
};

}  // namespace tessec_detail
