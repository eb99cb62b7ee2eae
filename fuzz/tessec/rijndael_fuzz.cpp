// CRijndael::Decrypt over arbitrary messages (count byte included) and output capacities, for
// every key length, block size and mode; the output area has exactly the capacity given, so a
// write past it is caught by AddressSanitizer. A result is either an error code with nothing
// written, or a length that fits the data that was written. Also: the same bytes as data
// survive Encrypt and Decrypt.
//
// Input: byte 0 chooses key length, block size and mode; bytes 1-2 the output capacity; then
// the key and chain block; the rest is the message.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tessec/Cipher.h"

using public_crypt::CRijndael;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int sizes[] = {16, 24, 32};
  const int keyLength = sizes[data[0] % 3];
  const int blockSize = sizes[(data[0] / 3) % 3];
  const int mode = (data[0] / 9) % 4;  // 3 is another value for ECB
  const unsigned int outSize = data[1] | (unsigned(data[2]) << 8);
  size_t pos = 3;
  if (size - pos < static_cast<size_t>(keyLength + blockSize)) return 0;
  const char* key = reinterpret_cast<const char*>(data + pos);
  pos += keyLength;
  const char* chain = reinterpret_cast<const char*>(data + pos);
  pos += blockSize;
  const char* msg = reinterpret_cast<const char*>(data + pos);
  const unsigned int inLen = static_cast<unsigned int>(size - pos);

  CRijndael cipher(key, chain, mode, keyLength, blockSize);
  Check(cipher.GetBlockSize() == blockSize);

  std::unique_ptr<char[]> out(new char[outSize ? outSize : 1]);
  std::memset(out.get(), 0x5A, outSize ? outSize : 1);
  const int rc = cipher.Decrypt(msg, inLen, out.get(), outSize);
  if (outSize < inLen) {
    Check(rc == -2);
  } else if (rc < 0) {
    Check(rc == -1);
    for (unsigned int i = 0; i < outSize; ++i) Check(out[i] == 0x5A);  // nothing written
  } else {
    const unsigned int dataLen = inLen - 1;
    const int count = static_cast<signed char>(msg[0]);
    Check(count >= 0 && count < blockSize);
    Check(dataLen % blockSize == 0);
    Check(static_cast<unsigned int>(rc) + count == dataLen);
  }

  // The message bytes as data: Encrypt into exactly the needed size, then read it back.
  cipher.ResetChain();
  const int need = cipher.GetNeedLen(static_cast<int>(inLen)) + 1;
  Check(need >= 1);
  std::unique_ptr<char[]> enc(new char[need]);
  Check(cipher.Encrypt(msg, inLen, enc.get(), need - 1) == -2);
  Check(cipher.Encrypt(msg, inLen, enc.get(), need) == need);
  cipher.ResetChain();
  std::unique_ptr<char[]> back(new char[need]);
  Check(cipher.Decrypt(enc.get(), need, back.get(), need) == static_cast<int>(inLen));
  Check(inLen == 0 || std::memcmp(back.get(), msg, inLen) == 0);
  return 0;
}
