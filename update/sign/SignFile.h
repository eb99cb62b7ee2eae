// The platform's edge of reading files (SignFileWin.cpp, SignFilePosix.cpp): what the portable
// hashing and small reads (SignFile.cpp) need, with errors in words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Sign.h"

namespace qsign {

class InputFile {
 public:
  // Opens `path` for reading; Size and Read report a failure to open.
  explicit InputFile(const PathString& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // The size of a regular file; false (with the reason) for what can't be opened or read.
  bool Size(uint64_t* size, std::string* why);
  // Bytes read into `buffer`, 0 at the end, -1 on an error (with the reason).
  int64_t Read(uint8_t* buffer, size_t size, std::string* why);

 private:
  struct Handle;
  PathString path_;
  std::unique_ptr<Handle> handle_;
};

// A path as UTF-8, for messages.
std::string PathText(const PathString& path);

#ifdef _WIN32
// The system's text for a Win32 error code, on one line, without the final full stop.
std::string SystemMessage(unsigned long error);
#endif

}  // namespace qsign
