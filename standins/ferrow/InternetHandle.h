// Owner of a WinINet handle (sessions, connections, requests), in the manner of the owners of
// common/UniqueHandle.h: closed exactly once, whatever path leaves the scope.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "UniqueHandle.h"

namespace ferrow {

using unique_hinternet = quenda::unique_fn<HINTERNET, &::InternetCloseHandle>;

}  // namespace ferrow
