// Spells out a 256-entry initializer list F(0), F(1), ..., F(255) for a constexpr function F.
// The exported tables are plain arrays (their type is part of the class), so they cannot be
// copied from a constexpr object; listing the entries keeps them constant data computed by
// the compiler, with nothing left to do at load time.
#pragma once

#define TESSEC_T4(F, i) F(i), F(i + 1), F(i + 2), F(i + 3)
#define TESSEC_T16(F, i) \
  TESSEC_T4(F, i), TESSEC_T4(F, i + 4), TESSEC_T4(F, i + 8), TESSEC_T4(F, i + 12)
#define TESSEC_T64(F, i) \
  TESSEC_T16(F, i), TESSEC_T16(F, i + 16), TESSEC_T16(F, i + 32), TESSEC_T16(F, i + 48)
#define TESSEC_TABLE256(F) \
  TESSEC_T64(F, 0), TESSEC_T64(F, 64), TESSEC_T64(F, 128), TESSEC_T64(F, 192)
