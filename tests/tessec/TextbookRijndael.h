// A plain, byte-oriented Rijndael written from the cipher's definition, for checking the
// library's table-driven one: the S-box is computed from the inverse in GF(2^8) and the affine
// map, every step works on the 4 x Nb byte state one byte at a time. Slow and obviously
// correct; nothing is shared with the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessec_test {

class TextbookRijndael {
 public:
  enum Mode { kEcb = 0, kCbc = 1, kCfb = 2 };

  // keyLength and blockSize in bytes: 16, 24 or 32.
  TextbookRijndael(const unsigned char* key, int keyLength, int blockSize);

  int Rounds() const { return rounds_; }
  void EncryptBlock(const unsigned char* in, unsigned char* out) const;
  void DecryptBlock(const unsigned char* in, unsigned char* out) const;

  // Whole blocks in the given mode; `chain` (blockSize bytes) is updated.
  std::vector<unsigned char> Encrypt(Mode mode, std::vector<unsigned char>& chain,
                                     const std::vector<unsigned char>& data) const;
  std::vector<unsigned char> Decrypt(Mode mode, std::vector<unsigned char>& chain,
                                     const std::vector<unsigned char>& data) const;

 private:
  int nb_;
  int nk_;
  int rounds_;
  std::vector<unsigned char> roundKeys_;  // (rounds + 1) * 4 * nb bytes, word after word
};

}  // namespace tessec_test
