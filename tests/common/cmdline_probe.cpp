// Prints the tokens that CCommandLine splits from this process's own command line, one per
// line, each as the hexadecimal values of its UTF-16 units (so any character survives).
#include <windows.h>

#include <cstdio>

#include "CommandLine.h"

int wmain() {
  CCommandLine cmd(GetCommandLineW());
  std::printf("count %d\n", cmd.GetCount());
  for (int i = 0; i < cmd.GetCount(); ++i) {
    for (const wchar_t* p = cmd.GetToken(i); *p; ++p)
      std::printf("%04x ", static_cast<unsigned>(*p));
    std::printf("\n");
  }
  return 0;
}
