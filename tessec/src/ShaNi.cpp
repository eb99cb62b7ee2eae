// SHA-1 and SHA-256 compression with the x86 SHA extensions. Compiled with the instruction
// set enabled for this file only (see CMakeLists.txt) and called only after CpuFeatures()
// reported SHA, SSSE3 and SSE4.1.
#include "Internal.h"

#include <immintrin.h>

namespace tessec_detail {

namespace {

// A 64-byte block as four registers, each byte-swapped by `swap`.
inline void LoadBlock(const unsigned char* p, __m128i swap, __m128i& m0, __m128i& m1, __m128i& m2,
                      __m128i& m3) {
  const __m128i* in = reinterpret_cast<const __m128i*>(p);
  m0 = _mm_shuffle_epi8(_mm_loadu_si128(in), swap);
  m1 = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), swap);
  m2 = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), swap);
  m3 = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), swap);
}

}  // namespace

// ---- SHA-1 --------------------------------------------------------------------------------
//
// ABCD lives in one register (A in the highest word), E in the highest word of another.
// sha1rnds4 runs four rounds; sha1nexte derives the next E (rotated A of four rounds back)
// and adds it to the next four message words; sha1msg1/sha1msg2 and an XOR compute four new
// message words from the previous sixteen.

// Four rounds with message group m (already holding E for group 0). `f` selects the round
// function and constant of rounds 0-19, 20-39, 40-59, 60-79.
#define TESSEC_SHA1_FOUR(eNext, eCur, m, f) \
  eNext = abcd;                             \
  abcd = _mm_sha1rnds4_epu32(abcd, eCur, f);

// Message group g >= 4 into m0 (which held group g - 4): m1, m2, m3 hold groups g-3..g-1.
#define TESSEC_SHA1_SCHEDULE(m0, m1, m2, m3) \
  m0 = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(m0, m1), m2), m3);

void Sha1BlocksShaNi(uint32_t state[5], const unsigned char* p, size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607ll, 0x08090a0b0c0d0e0fll);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

  for (; blocks; --blocks, p += 64) {
    const __m128i abcdSave = abcd;
    const __m128i eSave = e0;
    __m128i m0, m1, m2, m3;
    LoadBlock(p, byteSwap, m0, m1, m2, m3);
    __m128i e1;

    // Rounds 0-15: the message as loaded.
    e0 = _mm_add_epi32(e0, m0);
    TESSEC_SHA1_FOUR(e1, e0, m0, 0)
    e1 = _mm_sha1nexte_epu32(e1, m1);
    TESSEC_SHA1_FOUR(e0, e1, m1, 0)
    e0 = _mm_sha1nexte_epu32(e0, m2);
    TESSEC_SHA1_FOUR(e1, e0, m2, 0)
    e1 = _mm_sha1nexte_epu32(e1, m3);
    TESSEC_SHA1_FOUR(e0, e1, m3, 0)

    // Rounds 16-79: groups 4-19, the schedule rotating through m0..m3.
#define TESSEC_SHA1_GROUP(eNext, eCur, ma, mb, mc, md, f) \
  TESSEC_SHA1_SCHEDULE(ma, mb, mc, md)                    \
  eCur = _mm_sha1nexte_epu32(eCur, ma);                   \
  TESSEC_SHA1_FOUR(eNext, eCur, ma, f)

    TESSEC_SHA1_GROUP(e1, e0, m0, m1, m2, m3, 0)  // 16-19
    TESSEC_SHA1_GROUP(e0, e1, m1, m2, m3, m0, 1)  // 20-23
    TESSEC_SHA1_GROUP(e1, e0, m2, m3, m0, m1, 1)
    TESSEC_SHA1_GROUP(e0, e1, m3, m0, m1, m2, 1)
    TESSEC_SHA1_GROUP(e1, e0, m0, m1, m2, m3, 1)
    TESSEC_SHA1_GROUP(e0, e1, m1, m2, m3, m0, 1)  // 36-39
    TESSEC_SHA1_GROUP(e1, e0, m2, m3, m0, m1, 2)  // 40-43
    TESSEC_SHA1_GROUP(e0, e1, m3, m0, m1, m2, 2)
    TESSEC_SHA1_GROUP(e1, e0, m0, m1, m2, m3, 2)
    TESSEC_SHA1_GROUP(e0, e1, m1, m2, m3, m0, 2)
    TESSEC_SHA1_GROUP(e1, e0, m2, m3, m0, m1, 2)  // 56-59
    TESSEC_SHA1_GROUP(e0, e1, m3, m0, m1, m2, 3)  // 60-63
    TESSEC_SHA1_GROUP(e1, e0, m0, m1, m2, m3, 3)
    TESSEC_SHA1_GROUP(e0, e1, m1, m2, m3, m0, 3)
    TESSEC_SHA1_GROUP(e1, e0, m2, m3, m0, m1, 3)
    TESSEC_SHA1_GROUP(e0, e1, m3, m0, m1, m2, 3)  // 76-79
#undef TESSEC_SHA1_GROUP

    // e0 holds A of the last four rounds: nexte turns it into the final E and adds the saved E.
    e0 = _mm_sha1nexte_epu32(e0, eSave);
    abcd = _mm_add_epi32(abcd, abcdSave);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

#undef TESSEC_SHA1_FOUR
#undef TESSEC_SHA1_SCHEDULE

// ---- SHA-256 ------------------------------------------------------------------------------
//
// The state is kept as ABEF and CDGH (the layout sha256rnds2 works on); each sha256rnds2 runs
// two rounds with message-plus-constant words from the low half of its third operand.

// Four rounds with message group m (group index g).
#define TESSEC_SHA256_FOUR(m, g)                                                                \
  {                                                                                             \
    __m128i wk =                                                                                \
        _mm_add_epi32(m, _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256K + 4 * (g)))); \
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);                                               \
    abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(wk, 0x0E));                      \
  }

// Message group g >= 4 into m0 (which held group g - 4): m1, m2, m3 hold groups g-3..g-1.
#define TESSEC_SHA256_SCHEDULE(m0, m1, m2, m3) \
  m0 = _mm_sha256msg2_epu32(                   \
      _mm_add_epi32(_mm_sha256msg1_epu32(m0, m1), _mm_alignr_epi8(m3, m2, 4)), m3);

void Sha256BlocksShaNi(uint32_t state[8], const unsigned char* p, size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
  // state words A..D and E..H into ABEF and CDGH.
  const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

  for (; blocks; --blocks, p += 64) {
    const __m128i abefSave = abef;
    const __m128i cdghSave = cdgh;
    __m128i m0, m1, m2, m3;
    LoadBlock(p, byteSwap, m0, m1, m2, m3);

    TESSEC_SHA256_FOUR(m0, 0)
    TESSEC_SHA256_FOUR(m1, 1)
    TESSEC_SHA256_FOUR(m2, 2)
    TESSEC_SHA256_FOUR(m3, 3)
#define TESSEC_SHA256_GROUP(ma, mb, mc, md, g) \
  TESSEC_SHA256_SCHEDULE(ma, mb, mc, md)       \
  TESSEC_SHA256_FOUR(ma, g)
    TESSEC_SHA256_GROUP(m0, m1, m2, m3, 4)
    TESSEC_SHA256_GROUP(m1, m2, m3, m0, 5)
    TESSEC_SHA256_GROUP(m2, m3, m0, m1, 6)
    TESSEC_SHA256_GROUP(m3, m0, m1, m2, 7)
    TESSEC_SHA256_GROUP(m0, m1, m2, m3, 8)
    TESSEC_SHA256_GROUP(m1, m2, m3, m0, 9)
    TESSEC_SHA256_GROUP(m2, m3, m0, m1, 10)
    TESSEC_SHA256_GROUP(m3, m0, m1, m2, 11)
    TESSEC_SHA256_GROUP(m0, m1, m2, m3, 12)
    TESSEC_SHA256_GROUP(m1, m2, m3, m0, 13)
    TESSEC_SHA256_GROUP(m2, m3, m0, m1, 14)
    TESSEC_SHA256_GROUP(m3, m0, m1, m2, 15)
#undef TESSEC_SHA256_GROUP

    abef = _mm_add_epi32(abef, abefSave);
    cdgh = _mm_add_epi32(cdgh, cdghSave);
  }

  // ABEF and CDGH back into A..D and E..H.
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#undef TESSEC_SHA256_FOUR
#undef TESSEC_SHA256_SCHEDULE

}  // namespace tessec_detail
