// What the download library is given: 8-bit text in the thread's ANSI code page, which can't
// hold every character of an address or a folder. Nothing is converted with losses: an address
// travels percent-encoded, a folder by its short name, or the download is not attempted.
#pragma once

#include <string>

// `url` as the download library takes it: characters beyond ASCII as their UTF-8 bytes in %XX
// form, as browsers send them.
std::string DownloadUrl(const std::wstring& url);

// `path` in the thread's ANSI code page exactly; when its folder can't be written so, through
// the folder's short name where the volume has one. False when neither works.
bool DownloadPath(const std::wstring& path, std::string* out);
