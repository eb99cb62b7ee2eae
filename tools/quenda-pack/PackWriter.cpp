#include "PackWriter.h"

#include "PackFs.h"
#include "Zip.h"
#include "zlib.h"

namespace qpack {

namespace {

// "Version made by": host 0 (FAT, whose attribute bits the updater reads), format 2.0.
constexpr int kVersionMadeBy = 20;
// General-purpose flag bit 11: names (and comments) are UTF-8.
constexpr unsigned long kUtf8Flag = 0x800;
constexpr int kMemLevel = 8;  // zlib's default
constexpr size_t kChunk = 1 << 16;

void PutLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Extended timestamp blocks ("UT"): in the local header the write, access and creation time,
// all three the file's modification time (the only one that belongs to its content); in the
// central header the write time alone, as the format has it.
struct TimeBlocks {
  uint8_t local[4 + 1 + 12];
  uint8_t central[4 + 1 + 4];
  explicit TimeBlocks(int64_t time) {
    const uint32_t t = static_cast<uint32_t>(time);
    const uint8_t head[] = {'U', 'T', 13, 0, 0x07};
    for (size_t i = 0; i < sizeof head; ++i) local[i] = head[i];
    for (int i = 0; i < 3; ++i) PutLe32(local + 5 + 4 * i, t);
    const uint8_t centralHead[] = {'U', 'T', 5, 0, 0x07};
    for (size_t i = 0; i < sizeof centralHead; ++i) central[i] = centralHead[i];
    PutLe32(central + 5, t);
  }
};

bool CopyFile(zipFile zip, const PackEntry& entry, ProgressBar* bar, std::string* why) {
  InputFile file;
  if (!file.Open(entry.source, why)) return false;
  std::vector<uint8_t> buffer(kChunk);
  uint64_t total = 0;
  for (;;) {
    size_t got = 0;
    if (!file.Read(buffer.data(), buffer.size(), &got, why)) return false;
    if (got == 0) break;
    total += got;
    if (total > entry.size) break;
    if (zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(got)) != ZIP_OK) {
      *why = "writing the package failed";
      return false;
    }
    if (bar) bar->Add(got);
  }
  if (total != entry.size) {
    *why = entry.source + ": the file changed while it was packed";
    return false;
  }
  return true;
}

bool AddEntry(zipFile zip, const PackEntry& entry, ProgressBar* bar, std::string* why) {
  const int64_t time = ClampTime(entry.time);
  const TimeBlocks blocks(time);
  zip_fileinfo info = {};
  info.dosDate = DosDateTime(time);
  info.external_fa = entry.folder ? kZipAttrDirectory : (entry.attributes | kZipAttrArchive);
  const int method = entry.folder ? 0 : Z_DEFLATED;
  const int level = entry.folder ? 0 : Z_BEST_COMPRESSION;
  if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, blocks.local, sizeof blocks.local,
                              blocks.central, sizeof blocks.central, nullptr, method, level, 0,
                              -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY, nullptr, 0, kVersionMadeBy,
                              kUtf8Flag, 0) != ZIP_OK) {
    *why = "can't add '" + entry.name + "' to the package";
    return false;
  }
  bool ok = true;
  if (!entry.folder && !entry.source.empty()) {
    ok = CopyFile(zip, entry, bar, why);
  } else if (!entry.folder && !entry.content.empty()) {
    ok = zipWriteInFileInZip(zip, entry.content.data(),
                             static_cast<unsigned>(entry.content.size())) == ZIP_OK;
    if (!ok) *why = "writing the package failed";
  }
  if (zipCloseFileInZip(zip) != ZIP_OK && ok) {
    *why = "writing the package failed";
    ok = false;
  }
  return ok;
}

}  // namespace

int64_t ClampTime(int64_t time) {
  return time < kEarliestTime ? kEarliestTime : (time > kLatestTime ? kLatestTime : time);
}

uint32_t DosDateTime(int64_t time) {
  const int64_t days = time / 86400;
  const int64_t seconds = time % 86400;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  return static_cast<uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) |
                               ((seconds / 3600) << 11) | (((seconds / 60) % 60) << 5) |
                               ((seconds % 60) / 2));
}

bool WritePackage(const std::string& path, const std::vector<PackEntry>& entries, ProgressBar* bar,
                  std::string* why) {
  zipFile zip = CreateZip(path, why);
  if (!zip) return false;
  bool ok = true;
  for (const PackEntry& entry : entries) {
    ok = AddEntry(zip, entry, bar, why);
    if (!ok) break;
  }
  if (zipClose(zip, nullptr) != ZIP_OK && ok) {
    *why = path + ": writing the package failed";
    ok = false;
  }
  if (!ok) RemoveFile(path);
  return ok;
}

}  // namespace qpack
