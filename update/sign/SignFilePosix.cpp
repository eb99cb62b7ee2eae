// Reading files with POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SignFile.h"

namespace qsign {

struct InputFile::Handle {
  int fd = -1;
  int openError = 0;
};

std::string PathText(const PathString& path) { return path; }

namespace {

bool Fail(const std::string& path, int error, std::string* why) {
  if (why) *why = path + ": " + std::strerror(error);
  return false;
}

}  // namespace

InputFile::InputFile(const PathString& path) : path_(path), handle_(new Handle) {
  handle_->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (handle_->fd < 0) handle_->openError = errno;
}

InputFile::~InputFile() {
  if (handle_->fd >= 0) close(handle_->fd);
}

bool InputFile::Size(uint64_t* size, std::string* why) {
  if (handle_->fd < 0) return Fail(path_, handle_->openError, why);
  struct stat st;
  if (fstat(handle_->fd, &st) != 0) return Fail(path_, errno, why);
  if (!S_ISREG(st.st_mode)) return Fail(path_, EISDIR, why);
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

int64_t InputFile::Read(uint8_t* buffer, size_t size, std::string* why) {
  for (;;) {
    const ssize_t n = read(handle_->fd, buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) {
      Fail(path_, errno, why);
      return -1;
    }
  }
}

}  // namespace qsign
