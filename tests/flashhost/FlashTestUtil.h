// Helpers shared by the QuillonFlash tests: the test control's log ("flashctl.log" beside the
// control) and movie files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace flashtest {

// Lines of <folder>\flashctl.log (empty when there is none).
std::vector<std::string> ReadLog(const std::wstring& folder);

// Index of the first line at or after `from` that starts with `prefix`; -1 when there is none.
int Find(const std::vector<std::string>& lines, const std::string& prefix, int from = 0);
int Count(const std::vector<std::string>& lines, const std::string& prefix);
// The line that starts with `prefix` ("" when none).
std::string Line(const std::vector<std::string>& lines, const std::string& prefix);
// The number after "key=" in `line`, or -1.
long Field(const std::string& line, const std::string& key);

// Polls the log of `folder` (pumping messages) until a line starts with `prefix`.
bool WaitForLog(const std::wstring& folder, const std::string& prefix, DWORD timeoutMs);

// Lines a log gained since the cursor was made: tests in one process share one log.
class LogCursor {
 public:
  explicit LogCursor(const std::wstring& folder);
  std::vector<std::string> Lines() const;

 private:
  std::wstring folder_;
  size_t start_;
};

// Writes a movie file and returns its path.
std::wstring WriteMovie(const std::wstring& folder, const std::wstring& name,
                        const std::string& text);

// A movie of `frames` frames, each with a red square at the top left, a blue disc at the top
// right and a green band with a white hole below; `extra` goes into the header (rate, options).
std::string ShapesMovie(int frames, const std::string& extra);

}  // namespace flashtest
