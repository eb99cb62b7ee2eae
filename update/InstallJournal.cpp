#include "InstallJournal.h"

#include "ZipNames.h"

namespace {

const char kMagic[] = "quenda-install-journal 1";

bool StartsWith(const std::string& line, const char* prefix, std::string* rest) {
  const size_t n = std::char_traits<char>::length(prefix);
  if (line.compare(0, n, prefix) != 0) return false;
  *rest = line.substr(n);
  return true;
}

// A path the journal may name: relative, safe, with single backslashes between non-empty
// components.
bool ParsePath(const std::string& utf8, Utf16String* path) {
  if (utf8.empty()) return false;
  *path = Utf8ToUtf16(utf8);
  if (Utf16ToUtf8(*path) != utf8) return false;  // not valid UTF-8
  if (!qzip::IsSafeRelativeName(path->c_str(), path->size())) return false;
  const Utf16Char last = path->back();
  if (last == U16('\\') || path->find(U16('/')) != Utf16String::npos ||
      path->find(U16("\\\\")) != Utf16String::npos) {
    return false;
  }
  return true;
}

bool ParseCount(const std::string& text, size_t* value) {
  if (text.empty() || text.size() > 9) return false;
  size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  *value = n;
  return true;
}

}  // namespace

std::string SerializeJournal(const InstallJournal& journal) {
  std::string out = kMagic;
  out +=
      journal.state == InstallJournal::State::kCommit ? "\nstate commit\n" : "\nstate rollback\n";
  for (const Utf16String& folder : journal.newFolders)
    out += "folder " + Utf16ToUtf8(folder) + "\n";
  for (const Utf16String& file : journal.files) out += "file " + Utf16ToUtf8(file) + "\n";
  out += "end " + std::to_string(journal.newFolders.size()) + " " +
         std::to_string(journal.files.size()) + "\n";
  return out;
}

bool ParseJournal(const std::string& text, InstallJournal* journal) {
  *journal = InstallJournal();
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start != text.size() || lines.size() < 3 || lines[0] != kMagic) return false;
  if (lines[1] == "state commit") {
    journal->state = InstallJournal::State::kCommit;
  } else if (lines[1] == "state rollback") {
    journal->state = InstallJournal::State::kRollback;
  } else {
    return false;
  }
  for (size_t i = 2; i + 1 < lines.size(); ++i) {
    std::string rest;
    Utf16String path;
    if (StartsWith(lines[i], "folder ", &rest)) {
      if (!journal->files.empty() || !ParsePath(rest, &path)) return false;
      journal->newFolders.push_back(path);
    } else if (StartsWith(lines[i], "file ", &rest)) {
      if (!ParsePath(rest, &path)) return false;
      journal->files.push_back(path);
    } else {
      return false;
    }
  }
  std::string counts;
  size_t folders = 0, files = 0;
  const size_t space = lines.back().find(' ', 4);
  return StartsWith(lines.back(), "end ", &counts) && space != std::string::npos &&
         ParseCount(lines.back().substr(4, space - 4), &folders) &&
         ParseCount(lines.back().substr(space + 1), &files) &&
         folders == journal->newFolders.size() && files == journal->files.size();
}
