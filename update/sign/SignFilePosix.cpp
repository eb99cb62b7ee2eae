// Reading files for hashing and small reads, with POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "Sign.h"

namespace qsign {

namespace {

class File {
 public:
  explicit File(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~File() {
    if (fd_ >= 0) close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool ok() const { return fd_ >= 0; }
  bool Size(uint64_t* size) const {
    struct stat st;
    if (fstat(fd_, &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
      errno = EISDIR;
      return false;
    }
    *size = static_cast<uint64_t>(st.st_size);
    return true;
  }
  // Bytes read into `buffer`, 0 at the end, -1 on an error.
  ssize_t Read(uint8_t* buffer, size_t size) {
    for (;;) {
      const ssize_t n = read(fd_, buffer, size);
      if (n >= 0 || errno != EINTR) return n;
    }
  }

 private:
  int fd_;
};

bool FailErrno(const std::string& path, std::string* why) {
  if (why) *why = path + ": " + std::strerror(errno);
  return false;
}

}  // namespace

bool HashFile(const PathString& path, uint8_t (&digest)[kDigestSize], std::string* why,
              const HashProgress& progress) {
  File file(path);
  uint64_t total = 0;
  if (!file.ok() || !file.Size(&total)) return FailErrno(path, why);
  std::vector<uint8_t> buffer(1 << 20);
  Sha256 hash;
  uint64_t done = 0;
  for (;;) {
    const ssize_t n = file.Read(buffer.data(), buffer.size());
    if (n < 0) return FailErrno(path, why);
    if (n == 0) break;
    hash.Update(buffer.data(), static_cast<size_t>(n));
    done += static_cast<uint64_t>(n);
    if (progress && !progress(done, total)) {
      if (why) *why = "stopped";
      return false;
    }
  }
  if (!hash.Finish(digest)) {
    if (why) *why = "SHA-256 failed";
    return false;
  }
  return true;
}

bool ReadSmallFile(const PathString& path, size_t limit, std::string* bytes, std::string* why) {
  File file(path);
  uint64_t size = 0;
  if (!file.ok() || !file.Size(&size)) return FailErrno(path, why);
  if (size > limit) {
    if (why) *why = path + ": larger than " + std::to_string(limit) + " bytes";
    return false;
  }
  bytes->assign(static_cast<size_t>(size), '\0');
  size_t have = 0;
  while (have < bytes->size()) {
    const ssize_t n = file.Read(reinterpret_cast<uint8_t*>(&(*bytes)[have]), bytes->size() - have);
    if (n < 0) return FailErrno(path, why);
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  bytes->resize(have);
  return true;
}

}  // namespace qsign
