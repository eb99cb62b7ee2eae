// The Rijndael block cipher with 16-, 24- or 32-byte keys and blocks (a 16-byte block is AES),
// in CBC, CFB (full-block feedback) or electronic codebook mode.
//
// Result codes: -1 for an object that is not initialised, invalid parameters and lengths that
// are not a whole number of blocks; -2 for an output area that is too small; otherwise 0 or a
// byte count.
//
// Padded message format (Encrypt / Decrypt): one count byte n (0 to block size - 1) followed
// by the ciphertext of the data extended with n zero bytes to a whole number of blocks. The
// chain block lives in the object and carries over from call to call, so independent messages
// in CBC or CFB mode need ResetChain (or Init) before each, on both sides.
#pragma once

#include "TessecApi.h"

namespace public_crypt {

// The cipher interface. It has no virtual destructor: destroy a cipher through its concrete
// class (CRijndael has a virtual one), never through a CCipher pointer.
class TESSEC_API CCipher {
 public:
  CCipher();
  CCipher(const CCipher& other);
  CCipher& operator=(const CCipher& other);

  virtual int Init(const char* key, const char* chain, int mode, int keyLength, int blockSize) = 0;
  virtual int Encrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) = 0;
  virtual int Decrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) = 0;

 protected:
  ~CCipher();
};

class TESSEC_API CRijndael : public CCipher {
 public:
  // Values of the `mode` argument; every other value also selects ECB.
  enum { ECB = 0, CBC = 1, CFB = 2 };

  // Calls Init with the arguments and drops its result: without valid arguments (a default
  // constructed object, for one) the object stays uninitialised until a successful Init.
  CRijndael(const char* key = 0, const char* chain = sm_chain0, int mode = ECB, int keyLength = 16,
            int blockSize = 16);
  CRijndael(const CRijndael& other);
  CRijndael& operator=(const CRijndael& other);

  // key: keyLength bytes (16, 24 or 32); chain: blockSize bytes (16, 24 or 32), a null chain
  // is taken as zeros. Rekeys the object, selects the mode and resets the chain. Returns 0, or
  // -1 for a null key or a bad length, leaving the object exactly as it was.
  int Init(const char* key, const char* chain, int mode, int keyLength, int blockSize) override;
  // Writes the padded message of in[0..inLen) and returns its length, 1 + inLen rounded up to
  // whole blocks. -2 (nothing written) when outSize is smaller than that.
  int Encrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) override;
  // Reads a padded message and returns the length of the data. Needs outSize >= inLen (else
  // -2). -1, with nothing written, for an empty input, a count byte that is not below the
  // block size or exceeds the data, or ciphertext that is not a whole number of blocks.
  int Decrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) override;
  virtual ~CRijndael();

  // Runs the mode over len bytes (a whole number of blocks). Returns -1 on an object that is
  // not initialised, else 0; a len of 0 or not a whole number of blocks writes nothing.
  int EncryptBlockN(const char* in, char* out, unsigned int len);
  int DecryptBlockN(const char* in, char* out, unsigned int len);

  // len rounded up to whole blocks (0 for len <= 0): the ciphertext part of a padded message,
  // which Encrypt needs one byte more for. -1 on an object that is not initialised.
  int GetNeedLen(int len);
  // -1 before a successful Init.
  int GetKeyLength();
  int GetBlockSize();
  int GetRounds();
  // Puts the chain back to the block given to Init.
  void ResetChain();

  // 32 zero bytes, usable as the chain argument of Init.
  static const char* const sm_chain0;

 private:
  int EncryptBlock(const char* in, char* out);
  int DecryptBlock(const char* in, char* out);
  void DefEncryptBlock(const char* in, char* out);
  void DefDecryptBlock(const char* in, char* out);
  int Xor(char* buf, const char* data);

  int Encrypt_CBC(const char* in, char* out, unsigned int len);
  int Decrypt_CBC(const char* in, char* out, unsigned int len);
  int Encrypt_CFB(const char* in, char* out, unsigned int len);
  int Decrypt_CFB(const char* in, char* out, unsigned int len);
  int Encrypt_OTHER(const char* in, char* out, unsigned int len);
  int Decrypt_OTHER(const char* in, char* out, unsigned int len);

  static int Mul(int a, int b);
  static int Mul4(int a, char* const b);

  // The library's block and mode code, which works on the keys and tables below.
  friend struct RijndaelBlocks;

  static const unsigned char sm_S[256];
  static const unsigned char sm_Si[256];
  static const unsigned int sm_T1[256];
  static const unsigned int sm_T2[256];
  static const unsigned int sm_T3[256];
  static const unsigned int sm_T4[256];
  static const unsigned int sm_T5[256];
  static const unsigned int sm_T6[256];
  static const unsigned int sm_T7[256];
  static const unsigned int sm_T8[256];
  static const unsigned int sm_U1[256];
  static const unsigned int sm_U2[256];
  static const unsigned int sm_U3[256];
  static const unsigned int sm_U4[256];
  static const int sm_alog[256];
  static const int sm_log[256];
  static const unsigned char sm_rcon[30];
  static const int sm_shifts[3][4][2];
  static const char* const sm_szErrorMsg1;
  static const char* const sm_szErrorMsg2;

  typedef int (CRijndael::*ModeOperation)(const char* in, char* out, unsigned int len);

  ModeOperation m_pfnEncrypt;
  ModeOperation m_pfnDecrypt;
  bool m_bReady;
  unsigned int m_encKeys[15][8];
  unsigned int m_decKeys[15][8];
  int m_keyLength;
  int m_blockSize;
  int m_rounds;
  char m_initialChain[32];
  char m_chain[32];
  // Working space of the key schedule and of the 24- and 32-byte block path.
  unsigned int m_tk[8];
  unsigned int m_a[8];
  unsigned int m_t[8];
};

}  // namespace public_crypt
