// Byte-order swaps and word alignments in SSE registers, for the files that build a message
// schedule once with SSSE3 (pshufb, palignr) and once more for SSE2 alone (defining
// TESSEC_SSE2_ONLY before including this), where shifts and shuffles stand in. Everything here is
// internal to the including file.
#pragma once

#include <immintrin.h>

namespace tessec_detail {
namespace {

// Each 32-bit word of x with its bytes in the opposite order.
inline __m128i SwapBytes32(__m128i x) {
#if defined(TESSEC_SSE2_ONLY)
  x = _mm_or_si128(_mm_srli_epi16(x, 8), _mm_slli_epi16(x, 8));
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xB1), 0xB1);
#else
  return _mm_shuffle_epi8(x, _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3));
#endif
}

// Each 64-bit word of x with its bytes in the opposite order.
inline __m128i SwapBytes64(__m128i x) {
#if defined(TESSEC_SSE2_ONLY)
  x = _mm_or_si128(_mm_srli_epi16(x, 8), _mm_slli_epi16(x, 8));
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0x1B), 0x1B);
#else
  return _mm_shuffle_epi8(x, _mm_set_epi8(8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7));
#endif
}

// Bytes N .. N + 15 of the 32 bytes hi:lo (lo the lower half), N = 4 or 8.
template <int N>
inline __m128i AlignRight(__m128i hi, __m128i lo) {
#if defined(TESSEC_SSE2_ONLY)
  return _mm_or_si128(_mm_srli_si128(lo, N), _mm_slli_si128(hi, 16 - N));
#else
  return _mm_alignr_epi8(hi, lo, N);
#endif
}

}  // namespace
}  // namespace tessec_detail
