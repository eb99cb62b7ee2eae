#include "FlashTestUtil.h"

#include <cstddef>
#include <cstdlib>

#include "TestSupport.h"

namespace flashtest {

std::vector<std::string> ReadLog(const std::wstring& folder) {
  std::string text;
  std::vector<std::string> lines;
  if (!testsupport::ReadFileBytes(folder + L"\\flashctl.log", &text)) return lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;  // a line still being written
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

int Find(const std::vector<std::string>& lines, const std::string& prefix, int from) {
  for (int i = from < 0 ? 0 : from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[i].compare(0, prefix.size(), prefix) == 0) return i;
  }
  return -1;
}

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
  int n = 0;
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) ++n;
  }
  return n;
}

std::string Line(const std::vector<std::string>& lines, const std::string& prefix) {
  const int i = Find(lines, prefix);
  return i < 0 ? std::string() : lines[i];
}

long Field(const std::string& line, const std::string& key) {
  const size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return -1;
  return std::strtol(line.c_str() + at + key.size() + 2, nullptr, 10);
}

bool WaitForLog(const std::wstring& folder, const std::string& prefix, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (Find(ReadLog(folder), prefix) >= 0) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    testsupport::Pump(30);
  }
}

LogCursor::LogCursor(const std::wstring& folder)
    : folder_(folder), start_(ReadLog(folder).size()) {}

std::vector<std::string> LogCursor::Lines() const {
  std::vector<std::string> all = ReadLog(folder_);
  if (all.size() <= start_) return {};
  return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(start_), all.end());
}

std::wstring WriteMovie(const std::wstring& folder, const std::wstring& name,
                        const std::string& text) {
  const std::wstring path = folder + L"\\" + name;
  testsupport::WriteFileBytes(path, text);
  return path;
}

std::string ShapesMovie(int frames, const std::string& extra) {
  std::string text = "QMOVIE 1\n" + extra + "\n";
  for (int i = 0; i < frames; ++i) {
    text +=
        "frame\n"
        "rect 100 100 400 400 FF0000\n"
        "ellipse 450 100 750 400 0000FF\n"
        "rect 100 450 750 750 00A000\n"
        "rect 300 500 500 700 FFFFFF\n";
  }
  return text;
}

}  // namespace flashtest
