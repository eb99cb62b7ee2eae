#include "TextbookRijndael.h"

namespace tessec_test {

namespace {

unsigned char GfMul(unsigned char a, unsigned char b) {
  unsigned char product = 0;
  while (b) {
    if (b & 1) product ^= a;
    a = static_cast<unsigned char>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    b >>= 1;
  }
  return product;
}

unsigned char Inverse(unsigned char x) {
  if (!x) return 0;
  for (int y = 1; y < 256; ++y) {
    if (GfMul(x, static_cast<unsigned char>(y)) == 1) return static_cast<unsigned char>(y);
  }
  return 0;  // not reached: every nonzero element has an inverse
}

unsigned char Rotl8(unsigned char b, int n) {
  return static_cast<unsigned char>((b << n) | (b >> (8 - n)));
}

struct Boxes {
  unsigned char s[256];
  unsigned char si[256];
  Boxes() {
    for (int x = 0; x < 256; ++x) {
      const unsigned char b = Inverse(static_cast<unsigned char>(x));
      const unsigned char v = static_cast<unsigned char>(b ^ Rotl8(b, 1) ^ Rotl8(b, 2) ^
                                                         Rotl8(b, 3) ^ Rotl8(b, 4) ^ 0x63);
      s[x] = v;
      si[v] = static_cast<unsigned char>(x);
    }
  }
};

const Boxes& Box() {
  static const Boxes boxes;
  return boxes;
}

// Row shift offsets C1, C2, C3 by block size (Nb = 4, 6, 8).
int Shift(int nb, int row) {
  static const int offsets[3][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 3, 4}};
  return offsets[nb == 4 ? 0 : nb == 6 ? 1 : 2][row];
}

// The state: byte (row r, column c) is in[r + 4c].
struct State {
  int nb;
  unsigned char a[4][8];

  State(int n, const unsigned char* in) : nb(n) {
    for (int c = 0; c < nb; ++c)
      for (int r = 0; r < 4; ++r) a[r][c] = in[r + 4 * c];
  }
  void Out(unsigned char* out) const {
    for (int c = 0; c < nb; ++c)
      for (int r = 0; r < 4; ++r) out[r + 4 * c] = a[r][c];
  }
  void AddRoundKey(const unsigned char* key) {
    for (int c = 0; c < nb; ++c)
      for (int r = 0; r < 4; ++r) a[r][c] ^= key[4 * c + r];
  }
  void SubBytes(const unsigned char* box) {
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < nb; ++c) a[r][c] = box[a[r][c]];
  }
  void ShiftRows(bool inverse) {
    for (int r = 1; r < 4; ++r) {
      unsigned char row[8];
      const int s = Shift(nb, r);
      for (int c = 0; c < nb; ++c) {
        // Encryption moves byte c + s to position c; decryption moves it back.
        if (!inverse) {
          row[c] = a[r][(c + s) % nb];
        } else {
          row[(c + s) % nb] = a[r][c];
        }
      }
      for (int c = 0; c < nb; ++c) a[r][c] = row[c];
    }
  }
  void MixColumns(const unsigned char m[4]) {
    for (int c = 0; c < nb; ++c) {
      unsigned char col[4];
      for (int r = 0; r < 4; ++r) {
        col[r] = static_cast<unsigned char>(GfMul(m[0], a[r][c]) ^ GfMul(m[1], a[(r + 1) % 4][c]) ^
                                            GfMul(m[2], a[(r + 2) % 4][c]) ^
                                            GfMul(m[3], a[(r + 3) % 4][c]));
      }
      for (int r = 0; r < 4; ++r) a[r][c] = col[r];
    }
  }
};

const unsigned char kMix[4] = {2, 3, 1, 1};
const unsigned char kInvMix[4] = {14, 11, 13, 9};

}  // namespace

TextbookRijndael::TextbookRijndael(const unsigned char* key, int keyLength, int blockSize)
    : nb_(blockSize / 4), nk_(keyLength / 4) {
  rounds_ = (nk_ > nb_ ? nk_ : nb_) + 6;
  const int words = nb_ * (rounds_ + 1);
  roundKeys_.assign(4 * words, 0);
  for (int i = 0; i < 4 * nk_; ++i) roundKeys_[i] = key[i];
  unsigned char rcon = 1;
  for (int i = nk_; i < words; ++i) {
    unsigned char temp[4];
    for (int k = 0; k < 4; ++k) temp[k] = roundKeys_[4 * (i - 1) + k];
    if (i % nk_ == 0) {
      const unsigned char first = temp[0];
      temp[0] = static_cast<unsigned char>(Box().s[temp[1]] ^ rcon);
      temp[1] = Box().s[temp[2]];
      temp[2] = Box().s[temp[3]];
      temp[3] = Box().s[first];
      rcon = GfMul(rcon, 2);
    } else if (nk_ > 6 && i % nk_ == 4) {
      for (int k = 0; k < 4; ++k) temp[k] = Box().s[temp[k]];
    }
    for (int k = 0; k < 4; ++k) {
      roundKeys_[4 * i + k] = static_cast<unsigned char>(roundKeys_[4 * (i - nk_) + k] ^ temp[k]);
    }
  }
}

void TextbookRijndael::EncryptBlock(const unsigned char* in, unsigned char* out) const {
  State st(nb_, in);
  st.AddRoundKey(&roundKeys_[0]);
  for (int round = 1; round <= rounds_; ++round) {
    st.SubBytes(Box().s);
    st.ShiftRows(false);
    if (round < rounds_) st.MixColumns(kMix);
    st.AddRoundKey(&roundKeys_[4 * nb_ * round]);
  }
  st.Out(out);
}

void TextbookRijndael::DecryptBlock(const unsigned char* in, unsigned char* out) const {
  State st(nb_, in);
  st.AddRoundKey(&roundKeys_[4 * nb_ * rounds_]);
  for (int round = rounds_ - 1; round >= 0; --round) {
    st.ShiftRows(true);
    st.SubBytes(Box().si);
    st.AddRoundKey(&roundKeys_[4 * nb_ * round]);
    if (round > 0) st.MixColumns(kInvMix);
  }
  st.Out(out);
}

std::vector<unsigned char> TextbookRijndael::Encrypt(Mode mode, std::vector<unsigned char>& chain,
                                                     const std::vector<unsigned char>& data) const {
  const size_t bs = 4 * nb_;
  std::vector<unsigned char> out(data.size());
  std::vector<unsigned char> block(bs);
  for (size_t pos = 0; pos + bs <= data.size(); pos += bs) {
    switch (mode) {
      case kEcb:
        EncryptBlock(&data[pos], &out[pos]);
        break;
      case kCbc:
        for (size_t i = 0; i < bs; ++i) block[i] = chain[i] ^ data[pos + i];
        EncryptBlock(block.data(), &out[pos]);
        chain.assign(out.begin() + pos, out.begin() + pos + bs);
        break;
      case kCfb:
        EncryptBlock(chain.data(), block.data());
        for (size_t i = 0; i < bs; ++i) out[pos + i] = block[i] ^ data[pos + i];
        chain.assign(out.begin() + pos, out.begin() + pos + bs);
        break;
    }
  }
  return out;
}

std::vector<unsigned char> TextbookRijndael::Decrypt(Mode mode, std::vector<unsigned char>& chain,
                                                     const std::vector<unsigned char>& data) const {
  const size_t bs = 4 * nb_;
  std::vector<unsigned char> out(data.size());
  std::vector<unsigned char> block(bs);
  for (size_t pos = 0; pos + bs <= data.size(); pos += bs) {
    switch (mode) {
      case kEcb:
        DecryptBlock(&data[pos], &out[pos]);
        break;
      case kCbc:
        DecryptBlock(&data[pos], block.data());
        for (size_t i = 0; i < bs; ++i) out[pos + i] = block[i] ^ chain[i];
        chain.assign(data.begin() + pos, data.begin() + pos + bs);
        break;
      case kCfb:
        EncryptBlock(chain.data(), block.data());
        for (size_t i = 0; i < bs; ++i) out[pos + i] = block[i] ^ data[pos + i];
        chain.assign(data.begin() + pos, data.begin() + pos + bs);
        break;
    }
  }
  return out;
}

}  // namespace tessec_test
