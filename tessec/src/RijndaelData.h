// The row offsets of the Rijndael cipher, shared by the exported class table and the block code.
#pragma once

namespace tessec_detail {

// [block size 16, 24, 32][row 0-3][encrypt, decrypt]: in encryption column j of a round takes
// row k from column j + offset, in decryption from column j + (columns - offset).
constexpr int kRijndaelShifts[3][4][2] = {
    {{0, 0}, {1, 3}, {2, 2}, {3, 1}},
    {{0, 0}, {1, 5}, {2, 4}, {3, 3}},
    {{0, 0}, {1, 7}, {3, 5}, {4, 4}},
};

}  // namespace tessec_detail
