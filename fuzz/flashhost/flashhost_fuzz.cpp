// Feeds arbitrary bytes to what QuillonFlash and its test control parse: the argument text the
// movie path is cut from, and the control's movie format. Besides memory safety it checks the
// promises callers rely on.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "MovieFile.h"
#include "MoviePath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // As ANSI argument text: up to the first zero, like a C string from the command line.
  const std::string arguments = bytes.c_str();
  const std::string path = quillon::MoviePathFromArguments(arguments.c_str());
  if (path.size() > arguments.size()) std::abort();
  if (arguments.find('"') != std::string::npos && path.find('"') != std::string::npos) {
    std::abort();  // a path cut at quotes never holds one
  }
  if (arguments.find('"') == std::string::npos && path != arguments) std::abort();

  flashctl::Movie movie;
  std::string error;
  if (flashctl::ParseMovie(bytes, &movie, &error)) {
    if (static_cast<int>(movie.frames.size()) > flashctl::kMaxFrames) std::abort();
    if (movie.rate < 1 || movie.rate > 50 || movie.stageWidth < 1 || movie.stageHeight < 1) {
      std::abort();
    }
    size_t shapes = 0;
    for (const auto& frame : movie.frames) shapes += frame.size();
    if (shapes > static_cast<size_t>(flashctl::kMaxShapes)) std::abort();
  } else if (error.compare(0, 5, "line ") != 0) {
    std::abort();
  }
  return 0;
}
