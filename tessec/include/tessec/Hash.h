// Message digests: MD5 (RFC 1321) and SHA-1, SHA-256, SHA-384, SHA-512 (FIPS 180-2).
//
// A message is hashed by Init (or a fresh object), any number of Update calls and Final. Final
// does not reset the object: the next message needs Init first. Each object owns a context
// record on the free store; the constructor throws std::bad_alloc when it cannot get one (a
// mingw build with the static runtime cannot pass an exception out of the DLL: the program
// ends instead). A copy (construction or assignment) duplicates the running state into a
// record of its own.
#pragma once

#include "TessecApi.h"

namespace public_crypt {

struct Md5Context;
struct Sha1Context;
struct Sha256Context;
struct Sha512Context;

// The digest interface.
class TESSEC_API CHash {
 public:
  CHash();
  CHash(const CHash& other);
  CHash& operator=(const CHash& other);
  virtual ~CHash();

  // Digest length in bytes.
  virtual unsigned char GetDigestLen() = 0;
  // Starts a new message, abandoning any message in progress.
  virtual void Init() = 0;
  // Appends len bytes. A length of 0 changes nothing.
  virtual void Update(unsigned char* data, unsigned int len) = 0;
  // Final(data, len, digest) is Update(data, len) followed by Final(digest), both called
  // through the virtual table. Final(digest) pads, finishes and writes GetDigestLen() bytes;
  // a null digest finishes the computation without writing.
#if defined(_MSC_VER)
  virtual void Final(unsigned char* digest) = 0;
  virtual void Final(unsigned char* data, unsigned int len, unsigned char* digest) = 0;
#else
  virtual void Final(unsigned char* data, unsigned int len, unsigned char* digest) = 0;
  virtual void Final(unsigned char* digest) = 0;
#endif
};

class TESSEC_API CMD5 : public CHash {
 public:
  static const int MD5_DIGESTSIZE = 16;

  CMD5();
  CMD5(const CMD5& other);
  CMD5& operator=(const CMD5& other);
  ~CMD5() override;

  unsigned char GetDigestLen() override;
  void Init() override;
  void Update(unsigned char* data, unsigned int len) override;
  void Final(unsigned char* data, unsigned int len, unsigned char* digest) override;
  void Final(unsigned char* digest) override;

 private:
  Md5Context* m_pContext;
};

class TESSEC_API CSHA1 : public CHash {
 public:
  static const int SHA1_DIGESTSIZE = 20;
  static const int SHA1_DATASIZE = 64;

  CSHA1();
  CSHA1(const CSHA1& other);
  CSHA1& operator=(const CSHA1& other);
  ~CSHA1() override;

  unsigned char GetDigestLen() override;
  void Init() override;
  void Update(unsigned char* data, unsigned int len) override;
  void Final(unsigned char* data, unsigned int len, unsigned char* digest) override;
  void Final(unsigned char* digest) override;

 private:
  Sha1Context* m_pContext;
};

class TESSEC_API CSHA256 : public CHash {
 public:
  CSHA256();
  CSHA256(const CSHA256& other);
  CSHA256& operator=(const CSHA256& other);
  ~CSHA256() override;

  unsigned char GetDigestLen() override;
  void Init() override;
  void Update(unsigned char* data, unsigned int len) override;
  void Final(unsigned char* data, unsigned int len, unsigned char* digest) override;
  void Final(unsigned char* digest) override;

 private:
  static const int HASH_DIGEST_LEN = 32;
  static const int SHA256_HASH_WORDS = 8;

  Sha256Context* m_pContext;
};

class TESSEC_API CSHA384 : public CHash {
 public:
  CSHA384();
  CSHA384(const CSHA384& other);
  CSHA384& operator=(const CSHA384& other);
  ~CSHA384() override;

  unsigned char GetDigestLen() override;
  void Init() override;
  void Update(unsigned char* data, unsigned int len) override;
  void Final(unsigned char* data, unsigned int len, unsigned char* digest) override;
  void Final(unsigned char* digest) override;

 private:
  static const int HASH_DIGEST_LEN = 48;
  static const int SHA384_HASH_WORDS = 6;

  Sha512Context* m_pContext;
};

class TESSEC_API CSHA512 : public CHash {
 public:
  CSHA512();
  CSHA512(const CSHA512& other);
  CSHA512& operator=(const CSHA512& other);
  ~CSHA512() override;

  unsigned char GetDigestLen() override;
  void Init() override;
  void Update(unsigned char* data, unsigned int len) override;
  void Final(unsigned char* data, unsigned int len, unsigned char* digest) override;
  void Final(unsigned char* digest) override;

 private:
  static const int HASH_DIGEST_LEN = 64;
  static const int SHA512_HASH_WORDS = 8;

  Sha512Context* m_pContext;
};

}  // namespace public_crypt
