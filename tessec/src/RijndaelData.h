// The row offsets of the Rijndael cipher, shared by the exported class table and the block code.
#pragma once

#include <cstdint>

namespace tessec_detail {

// The four round tables of each direction side by side, so that one base address reaches all
// of them (64-bit position-independent code would otherwise spend a register on each): the
// values of the class's sm_T1 to sm_T4 (encryption) and sm_T5 to sm_T8 (decryption).
extern const uint32_t kRijndaelEncTables[4][256];
extern const uint32_t kRijndaelDecTables[4][256];

// For the last round (no MixColumns) of each direction: its S-box byte alone, in byte 0 (the
// high byte), 1, 2 and 3 of the word, so that a lookup needs no shift.
extern const uint32_t kRijndaelEncLast[4][256];
extern const uint32_t kRijndaelDecLast[4][256];

// [block size 16, 24, 32][row 0-3][encrypt, decrypt]: in encryption column j of a round takes
// row k from column j + offset, in decryption from column j + (columns - offset).
constexpr int kRijndaelShifts[3][4][2] = {
    {{0, 0}, {1, 3}, {2, 2}, {3, 1}},
    {{0, 0}, {1, 5}, {2, 4}, {3, 3}},
    {{0, 0}, {1, 7}, {3, 5}, {4, 4}},
};

}  // namespace tessec_detail
