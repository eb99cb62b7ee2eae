#include "PackageCheck.h"

#include <map>
#include <set>

#include "LastVer.h"
#include "PackNames.h"
#include "Utf16.h"
#include "ZipNames.h"

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

// An entry's place as Windows reads its name: components without empty ones and ".", each
// without the trailing dots and spaces Windows drops, joined by backslashes.
Utf16String WindowsPath(const Utf16String& name) {
  Utf16String out, part;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !qzip::IsSeparator(name[i])) {
      part += name[i];
      continue;
    }
    while (!part.empty() && (part.back() == U16('.') || part.back() == U16(' '))) part.pop_back();
    if (!part.empty()) {
      if (!out.empty()) out += U16('\\');
      out += part;
    }
    part.clear();
  }
  return out;
}

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

struct Names {
  std::map<Utf16String, std::string> files;  // case key -> name shown
  std::set<Utf16String> folders;             // case keys, also of every parent
};

void AddParents(const Utf16String& key, Names* names) {
  for (size_t at = key.find(U16('\\')); at != Utf16String::npos; at = key.find(U16('\\'), at + 1)) {
    names->folders.insert(key.substr(0, at));
  }
}

// The entry's name problems, or its place in `names`.
void CheckName(const qzip::ZipEntry& entry, int index, Names* names, PackageCheckResult* result,
               Utf16String* key, bool* folder) {
  const std::string shown = Utf16ToUtf8(entry.item.name);
  auto problem = [&](const std::string& why) {
    result->problems.push_back("entry " + std::to_string(index) + " '" + shown + "': " + why);
  };
  key->clear();
  if (!entry.nameUsable || entry.item.name[0] == 0) {
    return problem("its name can't stand for a path (empty, too long, or with a zero byte)");
  }
  const size_t length = Utf16Length(entry.item.name);
  if (!qzip::IsSafeRelativeName(entry.item.name, length)) {
    return problem(
        "its name leaves the program folder, names a device or holds characters "
        "Windows forbids");
  }
  *folder = qzip::IsSeparator(entry.item.name[length - 1]) ||
            (entry.item.attributes & kZipAttrDirectory) != 0;
  const Utf16String path = WindowsPath(entry.item.name);
  if (path.empty()) return problem("its name names no file or folder");
  if (path.size() > kMaxPackagePath) {
    return problem("its path is " + std::to_string(path.size()) + " characters long; " +
                   std::to_string(kMaxPackagePath) +
                   " fit below a typical program folder within Windows' MAX_PATH");
  }
  *key = FoldCase(path);
  AddParents(*key, names);
  if (*folder) {
    names->folders.insert(*key);
    return;
  }
  const auto [at, added] = names->files.emplace(*key, shown);
  if (!added) problem("it names the same file as '" + at->second + "' under Windows");
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
  uint64_t total = 0;
  for (int i = 0; i < archive.Count(); ++i) {
    const qzip::ZipEntry* entry = nullptr;
    if (archive.GetEntry(i, &entry) == ZR_OK) total += entry->size;
  }

  Names names;
  const Utf16String versionKey = FoldCase(Utf8ToUtf16(kVersionFileName));
  std::string versionBytes;
  bool hasVersion = false;
  uint64_t done = 0;
  for (int i = 0; i < archive.Count(); ++i) {
    const qzip::ZipEntry* entry = nullptr;
    const ZipResult header = archive.GetEntry(i, &entry);
    if (header != ZR_OK) {
      result->problems.push_back("entry " + std::to_string(i) + ": " + ReadFailure(header));
      continue;
    }
    Utf16String key;
    bool folder = false;
    CheckName(*entry, i, &names, result, &key, &folder);
    if (key.empty() || folder) continue;
    const bool isVersion = key == versionKey;
    const uint64_t size = entry->size;
    const std::string shown = Utf16ToUtf8(entry->item.name);
    CheckSink sink(&done, progress, total, isVersion ? &versionBytes : nullptr);
    const ZipResult read = archive.ReadEntry(i, nullptr, &sink);
    if (read != ZR_OK) {
      result->problems.push_back("entry " + std::to_string(i) + " '" + shown +
                                 "': " + ReadFailure(read));
      continue;
    }
    ++result->files;
    result->bytes += size;
    hasVersion = hasVersion || isVersion;
  }
  for (const auto& file : names.files) {
    if (names.folders.count(file.first)) {
      result->problems.push_back("'" + file.second +
                                 "' is a file, and a folder of the same name under Windows");
    }
  }
  CheckVersion(hasVersion ? &versionBytes : nullptr, expectedVersion, result);
}

}  // namespace qpack
