#include "Record.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "UniqueHandle.h"

namespace flashctl {

namespace {

HMODULE g_module = nullptr;
quenda::unique_hfile g_log;

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  std::wstring folder(path, n);
  const size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

}  // namespace

void SetModule(HMODULE module) { g_module = module; }
HMODULE Module() { return g_module; }

void Record(const char* format, ...) {
  if (!g_log) {
    const std::wstring path = ModuleFolder() + L"flashctl.log";
    // Shared for reading, writing and deleting: tests read it live and clear it between runs.
    g_log.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!g_log) return;
  }
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0) return;
  if (n > static_cast<int>(sizeof line) - 3) n = static_cast<int>(sizeof line) - 3;
  line[n++] = '\r';
  line[n++] = '\n';
  DWORD written = 0;
  WriteFile(g_log.get(), line, static_cast<DWORD>(n), &written, nullptr);
}

void CloseRecord() { g_log.reset(); }

bool SwitchSet(const char* word) {
  const std::wstring path = ModuleFolder() + L"flashctl.switches";
  const quenda::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  char text[4096];
  DWORD got = 0;
  if (!file || !ReadFile(file.get(), text, sizeof text - 1, &got, nullptr)) return false;
  text[got] = '\0';
  // Whole words only, separated by white space.
  const size_t length = std::strlen(word);
  for (const char* p = std::strstr(text, word); p; p = std::strstr(p + 1, word)) {
    const bool startsWord = p == text || static_cast<unsigned char>(p[-1]) <= ' ';
    const bool endsWord = static_cast<unsigned char>(p[length]) <= ' ';
    if (startsWord && endsWord) return true;
  }
  return false;
}

}  // namespace flashctl
