#include "DownloadArgs.h"

#include <windows.h>

#include "UpdateCore.h"

namespace {

// `text` in the thread's ANSI code page, only when every character survives the way there and
// back: a lossy conversion would send the download somewhere else.
bool ToThreadAnsiExactly(const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  const int n = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr,
                                    0, nullptr, nullptr);
  if (n <= 1) return false;
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, &ansi[0], n, nullptr,
                      nullptr);
  const int back = MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring roundTrip(static_cast<size_t>(back > 0 ? back : 1), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.c_str(), -1, &roundTrip[0], back);
  roundTrip.resize(roundTrip.size() - 1);
  if (roundTrip != text) return false;
  ansi.resize(static_cast<size_t>(n - 1));
  *out = ansi;
  return true;
}

}  // namespace

std::string DownloadUrl(const std::wstring& url) {
  return PercentEncodeNonAscii(Utf16String(url.begin(), url.end()));
}

bool DownloadPath(const std::wstring& path, std::string* out) {
  if (ToThreadAnsiExactly(path, out)) return true;
  const size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return false;
  const std::wstring folder = path.substr(0, cut + 1);
  const DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (n == 0) return false;
  std::wstring shortFolder(n, L'\0');
  const DWORD got = GetShortPathNameW(folder.c_str(), &shortFolder[0], n);
  if (got == 0 || got >= n) return false;
  shortFolder.resize(got);
  if (!shortFolder.empty() && shortFolder.back() != L'\\') shortFolder += L'\\';
  return ToThreadAnsiExactly(shortFolder + path.substr(cut + 1), out);
}
