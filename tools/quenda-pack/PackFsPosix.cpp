// quenda-pack's file system and console on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PackFs.h"
#include "Utf16.h"
#include "Zip.h"

namespace qpack {

namespace {

bool FailErrno(const std::string& path, std::string* why) {
  *why = path + ": " + std::strerror(errno);
  return false;
}

void FillInfo(const struct stat& st, FileInfo* info) {
  info->folder = S_ISDIR(st.st_mode);
  info->size = info->folder ? 0 : static_cast<uint64_t>(st.st_size);
  info->writeTime = static_cast<int64_t>(st.st_mtime);
  // No hidden or system files here; read-only is a file its owner may not write.
  info->attributes = (st.st_mode & S_IWUSR) ? 0 : kZipAttrReadOnly;
}

// An entry of a listing: what it is, following links to files only.
bool Examine(const std::string& path, FileInfo* info, std::string* why) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return FailErrno(path, why);
  if (S_ISLNK(st.st_mode)) {
    if (stat(path.c_str(), &st) != 0) {
      *why = "is a link that leads nowhere";
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      *why = "is a link to a folder; put the folder itself in its place";
      return false;
    }
  }
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
    *why = "is neither a file nor a folder";
    return false;
  }
  FillInfo(st, info);
  return true;
}

bool IsValidUtf8(const std::string& name) { return Utf16ToUtf8(Utf8ToUtf16(name)) == name; }

uint64_t SameTime(uint64_t time) { return time; }

}  // namespace

bool ListFolder(const std::string& folder, std::vector<FileInfo>* entries,
                std::vector<RefusedEntry>* refused, std::string* why) {
  entries->clear();
  refused->clear();
  DIR* dir = opendir(folder.c_str());
  if (!dir) return FailErrno(folder, why);
  errno = 0;
  while (struct dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FileInfo info;
    info.name = name;
    std::string reason;
    if (!IsValidUtf8(name)) {
      refused->push_back({name, "the name is not valid UTF-8"});
    } else if (Examine(folder + "/" + name, &info, &reason)) {
      entries->push_back(info);
    } else {
      refused->push_back({name, reason});
    }
    errno = 0;
  }
  const bool ok = errno == 0 || FailErrno(folder, why);
  closedir(dir);
  return ok;
}

bool GetInfo(const std::string& path, FileInfo* info) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  FillInfo(st, info);
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& relative) {
  if (relative.empty()) return folder;
  if (!folder.empty() && folder.back() == '/') return folder + relative;
  return folder + "/" + relative;
}

std::string FullPath(const std::string& path) {
  std::string full = path;
  if (path.empty() || path[0] != '/') {
    char cwd[4096];
    full = std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + path;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

bool MakeFolders(const std::string& folder, std::string* why) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    const std::string prefix = folder.substr(0, at);
    struct stat st;
    if (stat(prefix.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) {
        *why = prefix + ": is not a folder";
        return false;
      }
      continue;
    }
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return FailErrno(prefix, why);
  }
  return true;
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* why) {
  return std::rename(from.c_str(), to.c_str()) == 0 || FailErrno(to, why);
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

bool WriteNewFile(const std::string& path, const std::string& bytes, bool secret,
                  std::string* why) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, secret ? 0600 : 0644);
  if (fd < 0) return FailErrno(path, why);
  errno = 0;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = done == bytes.size() && fsync(fd) == 0;
  std::string reason = ok ? "" : std::strerror(errno != 0 ? errno : EIO);
  if (close(fd) != 0 && ok) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (!ok) {
    *why = path + ": " + reason;
    unlink(path.c_str());
  }
  return ok;
}

struct InputFile::State {
  int fd = -1;
};

InputFile::InputFile() : state_(new State) {}

InputFile::~InputFile() {
  if (state_->fd >= 0) close(state_->fd);
}

bool InputFile::Open(const std::string& path, std::string* why) {
  path_ = path;
  state_->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return state_->fd >= 0 || FailErrno(path, why);
}

bool InputFile::Read(uint8_t* buffer, size_t size, size_t* got, std::string* why) {
  for (;;) {
    const ssize_t n = read(state_->fd, buffer, size);
    if (n >= 0) {
      *got = static_cast<size_t>(n);
      return true;
    }
    if (errno != EINTR) return FailErrno(path_, why);
  }
}

zipFile CreateZip(const std::string& path, std::string* why) {
  zlib_filefunc64_def io;
  fill_fopen64_filefunc(&io);
  errno = 0;
  zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  if (!zip) FailErrno(path, why);
  return zip;
}

struct PackageReader::State {
  std::string path;
};

PackageReader::PackageReader() : state_(new State) {}

PackageReader::~PackageReader() { archive_.reset(); }

bool PackageReader::Open(const std::string& path, std::string* why) {
  FileInfo info;
  if (!GetInfo(path, &info)) return FailErrno(path, why);
  if (info.folder) {
    *why = path + ": is a folder";
    return false;
  }
  state_->path = path;
  zlib_filefunc64_def io;
  fill_fopen64_filefunc(&io);
  archive_ = qzip::CZipArchive::Open(io, state_->path.c_str(), SameTime);
  if (!archive_) *why = path + ": not a ZIP archive (no readable ZIP directory)";
  return archive_ != nullptr;
}

TempFile::~TempFile() {
  if (!path_.empty()) unlink(path_.c_str());
}

bool TempFile::Create(const std::string& bytes, std::string* why) {
  const char* tmp = std::getenv("TMPDIR");
  std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/quenda-pack-XXXXXX";
  const int fd = mkstemp(&name[0]);
  if (fd < 0) return FailErrno(name, why);
  path_ = name;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
  return ok || FailErrno(name, why);
}

qsign::PathString SignPath(const std::string& path) { return path; }

void PrintOut(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void PrintError(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

bool ErrorIsTerminal() { return isatty(2) != 0; }

}  // namespace qpack
