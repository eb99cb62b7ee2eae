#include "PackageCheck.h"

#include "LastVer.h"
#include "PackNames.h"
#include "Utf16.h"
#include "ZipPlan.h"

namespace qpack {

namespace {

constexpr size_t kMaxVersionFileSize = 1 << 20;

// Counts what an entry unpacks to, and keeps it when asked (lastver.xml).
class CheckSink : public qzip::CZipSink {
 public:
  CheckSink(uint64_t* done, const std::function<void(uint64_t, uint64_t)>& progress, uint64_t total,
            std::string* keep)
      : done_(done), progress_(progress), total_(total), keep_(keep) {}
  bool Write(const uint8_t* data, size_t size) override {
    *done_ += size;
    if (progress_) progress_(*done_, total_);
    if (keep_) {
      if (keep_->size() + size > kMaxVersionFileSize) return false;
      keep_->append(reinterpret_cast<const char*>(data), size);
    }
    return true;
  }

 private:
  uint64_t* done_;
  const std::function<void(uint64_t, uint64_t)>& progress_;
  uint64_t total_;
  std::string* keep_;
};

std::string ReadFailure(ZipResult result) {
  switch (result) {
    case ZR_PASSWORD:
      return "it is encrypted; the updater unpacks no password-protected entries";
    case ZR_FLATE:
      return "its data is damaged (it does not unpack, or fails its CRC)";
    case ZR_CORRUPT:
    case ZR_READ:
      return "its headers are damaged";
    default:
      return "it can't be read (code " + std::to_string(result) + ")";
  }
}

std::string Entry(int index, const Utf16String& name) {
  return "entry " + std::to_string(index) + " '" + Utf16ToUtf8(name) + "': ";
}

void CheckVersion(const std::string* bytes, const std::string& expected,
                  PackageCheckResult* result) {
  if (!bytes) {
    result->problems.push_back("there is no lastver.xml at the top of the package");
    return;
  }
  std::string why;
  if (!ReadVersionBytes(*bytes, &result->version, &why)) {
    result->problems.push_back(why);
  } else if (!expected.empty() && result->version != expected) {
    result->problems.push_back("lastver.xml declares version '" + result->version + "', not '" +
                               expected + "'");
  }
}

}  // namespace

void CheckPackage(qzip::CZipArchive& archive, const std::string& expectedVersion,
                  PackageCheckResult* result,
                  const std::function<void(uint64_t, uint64_t)>& progress) {
  *result = PackageCheckResult();
  result->entries = archive.Count();
  std::vector<qzip::PlanEntry> plan;
  qzip::PlanError error;
  if (!qzip::PlanPackage(archive, kMaxPackagePath, &plan, &error)) {
    result->problems.push_back(Entry(error.index, error.name) +
                               qzip::DescribePlanProblem(error.problem));
    return;
  }
  const Utf16String workFolder = Utf8ToUtf16(kUpdaterWorkFolder);
  const Utf16String versionFile = Utf8ToUtf16(kVersionFileName);
  uint64_t total = 0, done = 0;
  for (const qzip::PlanEntry& entry : plan) total += entry.size;
  std::string versionBytes;
  bool hasVersion = false;
  for (const qzip::PlanEntry& entry : plan) {
    if (qzip::SamePathNoCase(entry.path.substr(0, entry.path.find(U16('\\'))), workFolder)) {
      result->problems.push_back(Entry(entry.index, entry.path) +
                                 "the updater keeps its work in this folder");
    }
    if (entry.folder) continue;
    const bool isVersion = qzip::SamePathNoCase(entry.path, versionFile);
    CheckSink sink(&done, progress, total, isVersion ? &versionBytes : nullptr);
    const ZipResult read = archive.ReadEntry(entry.index, nullptr, &sink);
    if (read != ZR_OK) {
      result->problems.push_back(Entry(entry.index, entry.path) + ReadFailure(read));
      continue;
    }
    ++result->files;
    result->bytes += entry.size;
    hasVersion = hasVersion || isVersion;
  }
  CheckVersion(hasVersion ? &versionBytes : nullptr, expectedVersion, result);
}

}  // namespace qpack
