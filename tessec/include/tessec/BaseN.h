// Codecs: bytes to text and back, in caller-supplied buffers, in one pass, without allocating.
//
// Result codes of Encode and Decode: 0 success, -1 a null pointer argument, 6 the output area
// is too small, 7 the input cannot be decoded. *dstLen holds the capacity of dst on entry and
// the number of bytes produced on success.
#pragma once

#include "TessecApi.h"

namespace public_crypt {

// The codec interface.
class TESSEC_API CBaseN {
 public:
  CBaseN();
  CBaseN(const CBaseN& other);
  CBaseN& operator=(const CBaseN& other);
  virtual ~CBaseN();

  // Output size to reserve for len input bytes: for encoding when `encode` is nonzero, else
  // for decoding. 32-bit unsigned arithmetic, wrapping modulo 2^32.
  virtual unsigned int GetNeedLen(unsigned int len, unsigned char encode) = 0;
  virtual int Encode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
                     unsigned int* dstLen) = 0;
  virtual int Decode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
                     unsigned int* dstLen) = 0;
};

// Base64 with the standard alphabet and '=' padding, no line breaks. Encode writes a zero
// byte after the text (not counted in *dstLen). Decode ignores every byte outside the
// alphabet (spaces, line breaks, ...); each '=' lowers the yield of its own group and of every
// later group, so '=' belongs only at the end of the text.
class TESSEC_API CBase64 : public CBaseN {
 public:
  CBase64();
  CBase64(const CBase64& other);
  CBase64& operator=(const CBase64& other);
  ~CBase64() override;

  // encode != 0: ((len + 2) / 3) * 4 + 1 (the zero byte included); else (4 * len) / 3 - 1.
  unsigned int GetNeedLen(unsigned int len, unsigned char encode) override;
  int Encode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
             unsigned int* dstLen) override;
  int Decode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
             unsigned int* dstLen) override;

 private:
  static const char sm_alphabet[65];
  // Alphabet characters map to 0-63, '=' to 254 (pad), every other byte value to 255 (skip).
  static const unsigned char sm_decode[256];
};

// Hexadecimal text, two digits per byte, no terminating zero. Encode writes uppercase digits
// unless SetUpperCase(0) selected lowercase; Decode accepts both cases.
class TESSEC_API CHex : public CBaseN {
 public:
  CHex();
  CHex(const CHex& other);
  CHex& operator=(const CHex& other);
  ~CHex() override;

  // encode != 0: 2 * len; else len / 2.
  unsigned int GetNeedLen(unsigned int len, unsigned char encode) override;
  int Encode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
             unsigned int* dstLen) override;
  int Decode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
             unsigned int* dstLen) override;

  // Nonzero: uppercase digits for later Encode calls; zero: lowercase.
  void SetUpperCase(unsigned char upper);

 private:
  static const char sm_upperDigits[17];
  static const char sm_lowerDigits[17];

  const char* m_digits;
};

}  // namespace public_crypt
