// Arbitrary UTF-16 command lines through what the launchers make of them: the run settings of
// both builds and their game addresses. Besides memory safety it checks what the address must
// always be: the base first, the id as a number, the password whole, the build's suffix last.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "GameAddress.h"

namespace {

bool StartsWith(const Utf16String& s, const Utf16String& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

void Check(const CCommandLine& commandLine, const LauncherBuild& build, int64_t seconds) {
  LauncherSettings settings;
  if (!ReadLauncherSettings(commandLine, build, &settings)) {
    if (commandLine.GetCount() >= launcher::kMinTokens) std::abort();
    return;
  }
  if (!build.sizeFromCommandLine && (settings.width != 0 || settings.height != 0)) std::abort();
  const Utf16String address = BuildGameAddress(build.address, settings.baseAddress, settings.userId,
                                               settings.password, seconds);
  if (!StartsWith(address, settings.baseAddress)) std::abort();
  size_t at = settings.baseAddress.size();
  const Utf16String idKey = build.address.idKey;
  if (address.compare(at, idKey.size(), idKey) != 0) std::abort();
  at += idKey.size();
  size_t digits = 0;
  while (at + digits < address.size() && address[at + digits] >= U16('0') &&
         address[at + digits] <= U16('9')) {
    ++digits;
  }
  if (digits == 0 || digits > 10) std::abort();  // an unsigned 32-bit number
  at += digits;
  const Utf16String passwordPart =
      Utf16String(build.address.passwordKey) + settings.password + build.address.suffix;
  if (address.compare(at, passwordPart.size(), passwordPart) != 0) std::abort();
  at += passwordPart.size();
  if (!build.address.suffixTakesSeconds && at != address.size()) std::abort();
  if (build.address.suffixTakesSeconds && at == address.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first eight bytes, when there are that many, are the clock.
  int64_t seconds = 0;
  if (size >= 8) {
    std::memcpy(&seconds, data, 8);
    data += 8;
    size -= 8;
  }
  std::vector<Utf16Char> line(size / 2 + 1, 0);
  std::memcpy(line.data(), data, (size / 2) * 2);
  CCommandLine commandLine(line.data());
  Check(commandLine, kVintorBuild, seconds);
  Check(commandLine, kPellamBuild, seconds);
  return 0;
}
