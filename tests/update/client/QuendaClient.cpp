// A stand-in for the chat client in the updater's end-to-end tests and demo. Each start is
// noted in "client-runs.log" beside the program (its build, its argument count, its path and
// command line); then it waits until it is ended, holding its executable as a running client
// does.
#include <windows.h>
#include <shellapi.h>

#include <string>

#ifndef QUENDA_CLIENT_BUILD
#define QUENDA_CLIENT_BUILD "0"
#endif

namespace {

std::string Utf8(const std::wstring& s) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder(module);
  folder.resize(folder.find_last_of(L"\\/") + 1);

  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  LocalFree(argv);

  const std::string line = "build=" QUENDA_CLIENT_BUILD " argc=" + std::to_string(argc) +
                           " pid=" + std::to_string(GetCurrentProcessId()) +
                           " module=" + Utf8(module) + " cmdline=" + Utf8(GetCommandLineW()) +
                           "\r\n";
  HANDLE log = CreateFileW((folder + L"client-runs.log").c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
  }
  for (;;) Sleep(INFINITE);
}
