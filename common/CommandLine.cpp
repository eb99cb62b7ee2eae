#include "CommandLine.h"

#include <cstring>

CCommandLine::CCommandLine(const Utf16Char* commandLine) : buffer(nullptr), tokens(), count(0) {
  const size_t length = commandLine ? Utf16Length(commandLine) : 0;
  if (length == 0) return;
  buffer = new Utf16Char[length + 1];
  std::memcpy(buffer, commandLine, (length + 1) * sizeof(Utf16Char));
  Split();
}

CCommandLine::~CCommandLine() { delete[] buffer; }

void CCommandLine::Split() {
  bool inToken = false;
  bool quoted = false;
  for (Utf16Char* p = buffer; *p != 0; ++p) {
    const Utf16Char c = *p;
    if (c == U16(' ')) {
      if (!quoted && inToken) {
        *p = 0;
        inToken = false;
      }
    } else if (c == U16('"')) {
      quoted = !quoted;
      if (inToken) {
        *p = 0;
        inToken = false;
      } else {
        if (count == MAX_TOKENS || p[1] == 0) return;
        tokens[count++] = p + 1;
        ++p;  // the character after an opening quote is part of the token, whatever it is
        inToken = true;
      }
    } else if (!inToken) {
      if (count == MAX_TOKENS) return;
      tokens[count++] = p;
      inToken = true;
    }
  }
}
