// Arbitrary bytes as an archive: the directory walk, item building and the data path, in the
// order the updater uses them and backwards. Besides memory safety it checks what the writing
// side relies on: every name is terminated inside its record, sanitising is finished (a second
// pass changes nothing) and never leaves an absolute name, and no entry gives more bytes than
// its record declares.
#include <cstdint>
#include <cstdlib>

#include "ZipArchive.h"
#include "ZipMemoryIo.h"
#include "ZipNames.h"
#include "ZipPlan.h"

using namespace qzip;

namespace {

uint64_t SameTime(uint64_t localTime) { return localTime; }

// Takes at most 1 MiB per entry: a small archive may declare gigabytes of output.
class BoundedSink : public CZipSink {
 public:
  bool Write(const uint8_t*, size_t size) override {
    total += size;
    return total <= (1u << 20);
  }
  uint64_t total = 0;
};

void CheckItem(const ZipItem& item) {
  size_t n = 0;
  while (n < static_cast<size_t>(kZipMaxPath) && item.name[n] != 0) ++n;
  if (n == static_cast<size_t>(kZipMaxPath)) std::abort();  // no terminator
  if (SanitiseEntryName(item.name) != item.name) std::abort();
  if (IsAbsoluteName(item.name)) std::abort();
  IsSafeRelativeName(item.name, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryZipStream stream = {data, size, 0};
  zlib_filefunc64_def io;
  FillMemoryFileFuncs(&io);
  std::unique_ptr<CZipArchive> archive = CZipArchive::Open(io, &stream, SameTime);
  if (!archive) return 0;
  ZipItem item;
  if (archive->GetItem(-1, &item) != ZR_OK || item.index != archive->Count()) std::abort();
  const int count = archive->Count() < 64 ? archive->Count() : 64;
  for (int i = 0; i < count; ++i) {
    if (archive->GetItem(i, &item) != ZR_OK) continue;
    CheckItem(item);
    if (i < 16) {
      BoundedSink sink;
      const ZipResult result = archive->ReadEntry(i, (i & 1) ? "pw" : nullptr, &sink);
      if (result == ZR_OK && item.uncompressedSize >= 0 &&
          sink.total != static_cast<uint64_t>(item.uncompressedSize) &&
          item.uncompressedSize != INT32_MAX) {
        std::abort();
      }
    }
  }
  // The whole-package plan (it reads every entry): every planned path is safe, relative and
  // fits.
  std::vector<PlanEntry> plan;
  PlanError error;
  if (archive->Count() <= 256) {
    if (PlanPackage(*archive, 200, &plan, &error)) {
      for (const PlanEntry& entry : plan) {
        if (entry.path.empty() || entry.path.size() > 200 ||
            !IsSafeRelativeName(entry.path.c_str(), entry.path.size()) ||
            (!entry.folder && (entry.attributes & kZipAttrDirectory))) {
          std::abort();
        }
      }
    } else if (error.problem == PlanProblem::kNone) {
      std::abort();
    }
  }
  // Backwards, which rewinds the walk.
  for (int i = count - 1; i >= 0 && i >= count - 4; --i) {
    if (archive->GetItem(i, &item) == ZR_OK) CheckItem(item);
  }
  return 0;
}
