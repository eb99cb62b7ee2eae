// Owner of a WinINet handle (sessions, connections, requests), in the manner of the owners of
// common/UniqueHandle.h: closed exactly once, whatever path leaves the scope.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "UniqueHandle.h"

namespace ferrow {

struct hinternet_traits {
  using pointer = HINTERNET;
  static pointer empty() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::InternetCloseHandle(h); }
};
using unique_hinternet = quenda::unique_any<hinternet_traits>;

}  // namespace ferrow
