// The movie path as QuillonFlash cuts it out of its argument text. Portable: it runs on
// whatever the chat client (or anyone) puts on the command line, so it is built and fuzzed
// natively too.
#pragma once

#include <string>

namespace quillon {

// When the text holds a double quote, the path is what follows the first quote, up to the next
// quote if there is one (so a quoted path may be followed by more text, and a lone opening
// quote runs to the end). Without quotes the whole text is the path, spaces included.
std::string MoviePathFromArguments(const char* arguments);

}  // namespace quillon
