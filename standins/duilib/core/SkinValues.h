// Values of skin attributes: colours, lists of integers and booleans. Skin
// files come from outside the program, so every parser here accepts anything and clamps
// numbers to a sane range instead of trusting them.
#pragma once

#include "Utf16.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace DuiLib {
namespace Skin {

typedef std::vector<std::pair<Utf16String, Utf16String>> AttributeList;

// Geometry read from a skin is kept within this range, so sums of sizes cannot overflow.
const int kMaxCoordinate = 32767;

// "#AARRGGBB" or "#RRGGBB" (opaque), also with a "0x" prefix or none. False (and *argb
// unchanged) for anything else.
bool ParseColor(const Utf16Char* s, uint32_t* argb);

// Up to `count` integers separated by commas (and spaces), each clamped to
// [-kMaxCoordinate, kMaxCoordinate]. Returns how many were read; the rest of `out` is set to 0.
int ParseInts(const Utf16Char* s, int* out, int count);

// "true", "yes", "on" and "1" (any case) are true; everything else is false.
bool ParseBool(const Utf16Char* s);

// ASCII case-insensitive comparison of two zero-terminated strings.
bool EqualsNoCase(const Utf16Char* a, const Utf16Char* b);

}  // namespace Skin
}  // namespace DuiLib
