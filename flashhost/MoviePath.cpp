#include "MoviePath.h"

#include <cstring>

namespace quillon {

// The text is ANSI and may be a double-byte code page; scanning bytes for '"' is still safe
// because no Windows code page uses 0x22 as the trail byte of a double-byte character.
std::string MoviePathFromArguments(const char* arguments) {
  if (!arguments) return std::string();
  const char* quote = std::strchr(arguments, '"');
  if (!quote) return arguments;
  const char* start = quote + 1;
  const char* end = std::strchr(start, '"');
  return end ? std::string(start, end) : std::string(start);
}

}  // namespace quillon
