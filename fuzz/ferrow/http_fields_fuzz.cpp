// The download library's reading of the server's header fields, on any bytes. The first
// byte picks the field; the parsers must never crash and their answers must hold together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HttpFields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string value(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 7) {
    case 0: {
      uint64_t n = 0;
      if (ferrow::ParseContentLength(value, &n) && n > 0x7FFFFFFFFFFFFFFFull) std::abort();
      break;
    }
    case 1: {
      ferrow::ContentRange r;
      if (ferrow::ParseContentRange(value, &r)) {
        if (r.first > r.last) std::abort();
        if (r.completeKnown && r.last >= r.complete) std::abort();
      }
      break;
    }
    case 2:
      ferrow::IsChunked(value);
      break;
    case 3: {
      int64_t t = 0;
      ferrow::ParseHttpDate(value, &t);
      break;
    }
    case 4: {
      uint64_t s = 0;
      ferrow::ParseRetryAfter(value, 1700000000, &s);
      break;
    }
    case 5:
      if (ferrow::IsStrongEtag(value) &&
          (value.find('\r') != std::string::npos || value.find('\n') != std::string::npos)) {
        std::abort();  // it would go into a request header
      }
      break;
    default: {
      uint64_t retryAfter = 0;
      for (char c : value) retryAfter = retryAfter * 31 + static_cast<unsigned char>(c);
      const unsigned failures = size > 1 ? data[1] : 1;
      if (ferrow::RetryDelayMs(failures, retryAfter, static_cast<uint32_t>(size)) > 60000) {
        std::abort();
      }
      break;
    }
  }
  return 0;
}
