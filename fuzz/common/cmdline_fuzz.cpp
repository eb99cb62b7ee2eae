// Splits arbitrary UTF-16 command lines. Besides memory safety it checks what every caller
// relies on: at most 25 tokens, each inside the copy and zero-terminated within it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<Utf16Char> line(size / 2 + 1, 0);
  std::memcpy(line.data(), data, (size / 2) * 2);
  const size_t length = Utf16Length(line.data());

  CCommandLine cmd(line.data());
  if (cmd.GetCount() < 0 || cmd.GetCount() > CCommandLine::MAX_TOKENS) std::abort();
  size_t total = 0;
  for (int i = 0; i < cmd.GetCount(); ++i) {
    const Utf16Char* token = cmd.GetToken(i);
    if (!token) std::abort();
    total += Utf16Length(token);  // reads to the terminator: ASan catches a missing one
  }
  if (total > length) std::abort();  // tokens never overlap, so they can't add up to more
  return 0;
}
