// The file system and console as quenda-pack sees them: paths and names in UTF-8, the same on
// every platform. PackFsWin.cpp speaks Win32 (UTF-16), PackFsPosix.cpp POSIX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Sign.h"
#include "ZipArchive.h"
#include "zip.h"

namespace qpack {

// One entry of a folder. Times and attributes are the file's own: nothing of the machine,
// the user or the clock enters a package.
struct FileInfo {
  std::string name;  // one component, UTF-8
  bool folder = false;
  uint64_t size = 0;
  int64_t writeTime = 0;    // seconds since 1970-01-01 UTC
  uint32_t attributes = 0;  // kZipAttrReadOnly, kZipAttrHidden, kZipAttrSystem as the file has them
};

// An entry of a folder that can't go into a package, and why.
struct RefusedEntry {
  std::string name;
  std::string why;
};

// The entries of `folder` in the order the system lists them. Links to files count as the
// files they lead to. Refused, with the reason: links to folders (they could lead anywhere,
// also in a circle), what is neither file nor folder, and names that are no valid Unicode.
// False, with the reason, only when the folder itself can't be read.
bool ListFolder(const std::string& folder, std::vector<FileInfo>* entries,
                std::vector<RefusedEntry>* refused, std::string* why);

// Whether `path` exists, and what it is.
bool GetInfo(const std::string& path, FileInfo* info);

// `relative` (with '/') below `folder`, in the platform's form.
std::string JoinPath(const std::string& folder, const std::string& relative);

// An absolute form of `path` with "." and ".." resolved (for telling whether one folder lies
// in another).
std::string FullPath(const std::string& path);

// Creates `folder` and its missing parents.
bool MakeFolders(const std::string& folder, std::string* why);

// Moves `from` over `to`, replacing it.
bool ReplaceFile(const std::string& from, const std::string& to, std::string* why);
void RemoveFile(const std::string& path);

// Writes `bytes` to a new file; fails when `path` exists. `secret` files are readable by
// their owner only where the platform lets a new file say so.
bool WriteNewFile(const std::string& path, const std::string& bytes, bool secret, std::string* why);

// Reading a file in pieces.
class InputFile {
 public:
  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool Open(const std::string& path, std::string* why);
  // Up to `size` bytes; *got 0 at the end.
  bool Read(uint8_t* buffer, size_t size, size_t* got, std::string* why);

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::string path_;
};

// A new, empty ZIP archive at `path` (replaced when it exists), for minizip's writer.
zipFile CreateZip(const std::string& path, std::string* why);

// An archive opened for reading with update/zip, and the file under it.
class PackageReader {
 public:
  PackageReader();
  ~PackageReader();
  PackageReader(const PackageReader&) = delete;
  PackageReader& operator=(const PackageReader&) = delete;

  // False when the file can't be opened or holds no ZIP directory.
  bool Open(const std::string& path, std::string* why);
  qzip::CZipArchive& archive() { return *archive_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::unique_ptr<qzip::CZipArchive> archive_;
};

// A file in the system's temporary folder, removed with the object.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool Create(const std::string& bytes, std::string* why);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The path in the form the signature library takes.
qsign::PathString SignPath(const std::string& path);

// Console output: UTF-8 text, shown as such also in a Windows console.
void PrintOut(const std::string& text);
void PrintError(const std::string& text);
// Whether the error stream is a terminal (where a progress bar may redraw itself).
bool ErrorIsTerminal();

}  // namespace qpack
