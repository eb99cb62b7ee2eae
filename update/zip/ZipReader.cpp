// The reader behind a handle: the archive file and minizip over it, the base folder, the
// password, and the extraction of one entry at a time.
#include <new>
#include <string>
#include <vector>

#include "Zip.h"
#include "ZipArchive.h"
#include "ZipFiles.h"
#include "ZipNames.h"

using namespace qzip;

namespace {

class CFileSink : public CZipSink {
 public:
  explicit CFileSink(HANDLE file) : file_(file) {}
  bool Write(const uint8_t* data, size_t size) override {
    DWORD written = 0;
    return WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  }

 private:
  HANDLE file_;
};

// Where an entry goes: the full base folder (ending in a backslash), the rest of the path below
// it (backslashes only, "." and ".." resolved) and the two together.
struct Target {
  std::wstring base;
  std::wstring below;
  std::wstring path;
};

}  // namespace

struct ZipReader {
  ~ZipReader() {
    archive.reset();  // minizip first: it still reads through the file
  }

  ZipResult SetBase(const wchar_t* folder);
  ZipResult Extract(int index, const wchar_t* targetName);
  ZipResult Resolve(const wchar_t* name, Target* target) const;
  ZipResult WriteEntry(int index, const ZipItem& item, const Target& target);

  quenda::unique_hfile file;  // the archive
  Win32ZipStream stream;      // minizip's reads of it
  std::unique_ptr<CZipArchive> archive;
  bool hasPassword = false;
  std::string password;
  bool hasBase = false;
  std::wstring base;  // as given, ending in a separator; at most kZipMaxPath - 1 units
  std::vector<std::wstring> cleanedFolders;  // leftovers already removed there
};

ZipResult ZipReader::SetBase(const wchar_t* folder) {
  hasBase = false;
  base.clear();
  if (!folder || !*folder) return ZR_ARGS;
  std::wstring value(folder);
  if (!IsSeparator(value.back())) value += L'\\';
  if (value.size() >= static_cast<size_t>(kZipMaxPath)) return ZR_ARGS;
  base = value;
  hasBase = true;
  return ZR_OK;
}

ZipResult ZipReader::Resolve(const wchar_t* name, Target* target) const {
  if (!hasBase || !GetFullPath(base, &target->base)) return ZR_NOFILE;
  if (!IsSeparator(target->base.back())) target->base += L'\\';
  std::wstring below;
  if (IsAbsoluteName(name)) {
    // Honoured only when it points below the base folder anyway.
    std::wstring full;
    if (!GetFullPath(name, &full) || !IsBelow(full, target->base)) return ZR_NOFILE;
    below = full.substr(target->base.size());
  } else {
    below = name;
  }
  if (!IsSafeRelativeName(below.c_str(), below.size())) return ZR_NOFILE;
  // The file system's own reading of the path has the last word: it must stay below the base
  // and fit Windows' path limit.
  if (!GetFullPath(target->base + below, &target->path) || !IsBelow(target->path, target->base) ||
      target->path.size() >= static_cast<size_t>(kZipMaxPath)) {
    return ZR_NOFILE;
  }
  target->below = target->path.substr(target->base.size());
  return ZR_OK;
}

ZipResult ZipReader::Extract(int index, const wchar_t* targetName) {
  if (!targetName) return ZR_ARGS;
  const ZipEntry* entry = nullptr;
  const ZipResult result = archive->GetEntry(index, &entry);
  if (result != ZR_OK) return result;
  if (!entry->nameUsable) return ZR_NOFILE;
  const ZipItem item = entry->item;

  Target target;
  if (Resolve(targetName, &target) != ZR_OK) return ZR_NOFILE;
  const size_t nameLength = Utf16Length(item.name);
  const bool folder = (item.attributes & kZipAttrDirectory) != 0 ||
                      (nameLength > 0 && IsSeparator(item.name[nameLength - 1]));
  if (folder) {
    // Folders get nothing but their existence. A name ending in a separator is a folder
    // whatever the attributes say: some archiving tools write none.
    CreateFolders(target.base, target.below);
    return IsFolder(target.path) ? ZR_OK : ZR_NOFILE;
  }
  const size_t cut = target.below.find_last_of(L'\\');
  const std::wstring folders = cut == std::wstring::npos ? L"" : target.below.substr(0, cut);
  CreateFolders(target.base, folders);
  if (target.below.empty() || cut == target.below.size() - 1) return ZR_NOFILE;  // no file part
  return WriteEntry(index, item, target);
}

ZipResult ZipReader::WriteEntry(int index, const ZipItem& item, const Target& target) {
  const std::wstring folder = target.path.substr(0, target.path.find_last_of(L'\\'));
  if (!IsFolder(folder)) return ZR_NOFILE;
  // An existing read-only file stays as it is, and a folder can't become a file.
  const DWORD existing = GetFileAttributesW(target.path.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return ZR_NOFILE;
  }

  bool cleaned = false;
  for (const std::wstring& done : cleanedFolders) cleaned = cleaned || IsSamePath(done, folder);
  if (!cleaned) {
    RemoveLeftovers(folder);
    cleanedFolders.push_back(folder);
  }

  // The data goes to a new file beside the target, which replaces the target only once all
  // of it was read and its CRC checked: a failed entry leaves the old file untouched.
  std::wstring temporary;
  quenda::unique_hfile file = CreateNewFileIn(folder, &temporary);
  if (!file) return ZR_NOFILE;
  CFileSink sink(file.get());
  ZipResult result = ZR_FLATE;
  try {
    result = archive->ReadEntry(index, hasPassword ? password.c_str() : nullptr, &sink);
  } catch (...) {
    // Out of memory for the buffers: the entry fails like unreadable data, and the new file
    // goes with it.
  }
  if (result == ZR_OK) {
    SetFileTimes(file.get(), item.creationTime, item.accessTime, item.writeTime);
  }
  file.reset();
  if (result == ZR_OK) {
    const DWORD attributes = item.attributes & ~kZipAttrDirectory;
    SetFileAttributesW(temporary.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (!PutInPlace(temporary, target.path, folder)) result = ZR_NOFILE;
  }
  if (result != ZR_OK) DeleteOurFile(temporary);
  return result;
}

// ---- The handle API: no exception leaves it ------------------------------------------------

HZIP ZipOpen(const wchar_t* path, const char* password) {
  if (!path) return nullptr;
  try {
    std::unique_ptr<ZipReader> reader(new ZipReader);
    if (password) {
      reader->hasPassword = true;
      reader->password = password;
    }
    wchar_t current[kZipMaxPath];
    const DWORD n = GetCurrentDirectoryW(kZipMaxPath, current);
    if (n > 0 && n < static_cast<DWORD>(kZipMaxPath)) reader->SetBase(current);

    reader->file.reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!reader->file) return nullptr;
    reader->stream.file = reader->file.get();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(reader->file.get(), &size)) return nullptr;
    reader->stream.size = static_cast<uint64_t>(size.QuadPart);
    zlib_filefunc64_def io;
    FillWin32FileFuncs(&io);
    reader->archive = CZipArchive::Open(io, &reader->stream, LocalToUtc);
    if (!reader->archive) return nullptr;
    return reader.release();
  } catch (...) {
    return nullptr;
  }
}

ZipResult ZipSetBaseFolder(HZIP zip, const wchar_t* folder) {
  if (!zip) return ZR_ARGS;
  try {
    return zip->SetBase(folder);
  } catch (...) {
    return ZR_ARGS;
  }
}

ZipResult ZipGetItem(HZIP zip, int index, ZipItem* item) {
  if (!item) return ZR_ARGS;
  item->index = 0;
  item->name[0] = 0;
  item->uncompressedSize = 0;
  if (!zip) return ZR_ARGS;
  try {
    return zip->archive->GetItem(index, item);
  } catch (...) {
    return ZR_READ;
  }
}

ZipResult ZipExtractItem(HZIP zip, int index, const wchar_t* targetName) {
  if (!zip) return ZR_ARGS;
  try {
    return zip->Extract(index, targetName);
  } catch (...) {
    return ZR_NOFILE;
  }
}

ZipResult ZipClose(HZIP zip) {
  if (!zip) return ZR_ARGS;
  delete zip;
  return ZR_OK;
}
