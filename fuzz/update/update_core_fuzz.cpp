// The updater's pure pieces on any input: the plan text and the package address (they come
// from the command line), the figures of progress messages (any process may post them) and the
// install journal (read back from disk after a crash). Their promises are checked, not only
// their survival.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "InstallJournal.h"
#include "UpdateCore.h"
#include "ZipNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 16) {
    int32_t total, done;
    double bigTotal, bigDone;
    std::memcpy(&total, data, 4);
    std::memcpy(&done, data + 4, 4);
    const int bar = ProgressBarValue(total, done), percent = ProgressPercent(total, done);
    if (bar < 0 || bar > 100 || percent < 0 || percent > 100) std::abort();
    if (size >= 24) {
      std::memcpy(&bigTotal, data + 8, 8);
      std::memcpy(&bigDone, data + 16, 8);
      if (std::isfinite(bigTotal) && std::isfinite(bigDone) && bigTotal > 0 && bigDone >= 0 &&
          bigDone <= bigTotal && bigTotal < 1e18 && std::floor(bigTotal) == bigTotal &&
          std::floor(bigDone) == bigDone) {  // byte counts are whole numbers
        uint32_t t = 0, d = 0;
        ScaleProgress(bigTotal, bigDone, &t, &d);
        if (t > 0x7FFFFFFFu || d > t) std::abort();
        if ((d == t) != (bigDone >= bigTotal) && t > 0) std::abort();
      }
    }
  }
  Utf16String text(size / 2, 0);
  std::memcpy(&text[0], data, text.size() * 2);
  std::vector<Utf16String> pieces;
  SplitText(text, U16(';'), &pieces);
  size_t units = 0;
  for (const Utf16String& p : pieces) units += p.size();
  if (units + (pieces.empty() ? 0 : pieces.size() - 1) > text.size()) std::abort();
  const Utf16String plan = FormatPlan(text);
  if (!pieces.empty() && plan.back() != U16('\n')) std::abort();
  VersionsMatch(text, plan);

  for (const char c : PercentEncodeNonAscii(text)) {
    if (static_cast<unsigned char>(c) >= 0x80) std::abort();  // 8-bit text in any code page
  }

  // A journal that parses names only paths inside the installation, and writes back as it was.
  InstallJournal journal;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (ParseJournal(bytes, &journal)) {
    for (const auto* list : {&journal.files, &journal.newFolders}) {
      for (const Utf16String& path : *list) {
        if (path.empty() || !qzip::IsSafeRelativeName(path.c_str(), path.size())) std::abort();
      }
    }
    if (SerializeJournal(journal) != bytes) std::abort();
  }
  return 0;
}
