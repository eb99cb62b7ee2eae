#include "PackSource.h"

#include <algorithm>
#include <set>

#include "PackFs.h"
#include "PackNames.h"

namespace qpack {

namespace {

// Whether two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b, std::string* why) {
  InputFile fa, fb;
  if (!fa.Open(a, why) || !fb.Open(b, why)) return false;
  std::vector<uint8_t> ba(1 << 16), bb(1 << 16);
  for (;;) {
    size_t na = 0, nb = 0;
    if (!fa.Read(ba.data(), ba.size(), &na, why) || !fb.Read(bb.data(), bb.size(), &nb, why)) {
      return false;
    }
    // Files here never return short reads before their end, so the pieces line up.
    if (na != nb || !std::equal(ba.begin(), ba.begin() + static_cast<ptrdiff_t>(na), bb.begin())) {
      return false;
    }
    if (na == 0) return true;
  }
}

}  // namespace

Utf16String PathKey(const std::string& path) { return FoldCase(Utf8ToUtf16(path)); }

void SourceScan::Walk(const std::string& root) {
  entries.clear();
  problems.clear();
  WalkFolder(root, "");
}

std::string SourceScan::Refuse(const std::string& path, const std::string& name, bool folder,
                               uint64_t size, std::map<Utf16String, std::string>* seen) const {
  std::string reason = RefuseName(name);
  if (!reason.empty()) return reason;
  const auto [at, added] = seen->emplace(PathKey(name), name);
  if (!added) return "the name differs only in letter case from '" + at->second + "' beside it";
  const size_t length = WindowsLength(path);
  if (length > kMaxPackagePath) {
    return "the path is " + std::to_string(length) + " characters long; " +
           std::to_string(kMaxPackagePath) +
           " fit below a typical program folder within Windows' MAX_PATH";
  }
  if (!folder && size >= 0xFFFFFFFFu)
    return "the file is 4 GiB or larger, more than a package holds";
  return std::string();
}

void SourceScan::WalkFolder(const std::string& root, const std::string& relative) {
  std::vector<FileInfo> list;
  std::vector<RefusedEntry> refused;
  std::string why;
  auto join = [&relative](const std::string& name) {
    return relative.empty() ? name : relative + "/" + name;
  };
  if (!ListFolder(JoinPath(root, relative), &list, &refused, &why)) {
    problems.push_back({relative.empty() ? "." : relative, why});
    return;
  }
  for (const RefusedEntry& r : refused) problems.push_back({join(r.name), r.why});
  // In name order, so that of two names differing in case the same one is always refused.
  std::sort(list.begin(), list.end(),
            [](const FileInfo& a, const FileInfo& b) { return a.name < b.name; });
  std::map<Utf16String, std::string> seen;
  for (const FileInfo& info : list) {
    const std::string path = join(info.name);
    if (checkNames_) {
      const std::string reason = Refuse(path, info.name, info.folder, info.size, &seen);
      if (!reason.empty()) {
        problems.push_back({path, reason});
        continue;
      }
    }
    entries.push_back({path, info.folder, info.size, info.writeTime, info.attributes});
    if (info.folder) WalkFolder(root, path);
  }
}

void ComputeDelta(const std::string& root, const std::vector<SourceEntry>& current,
                  const std::string& previousRoot, const std::vector<SourceEntry>& previous,
                  Delta* delta) {
  std::map<Utf16String, const SourceEntry*> before;
  for (const SourceEntry& e : previous) before[PathKey(e.path)] = &e;
  std::set<Utf16String> now;
  for (const SourceEntry& e : current) {
    now.insert(PathKey(e.path));
    const auto found = before.find(PathKey(e.path));
    if (found == before.end()) {
      delta->chosen.push_back(e);
      continue;
    }
    const SourceEntry& old = *found->second;
    if (old.folder != e.folder) {
      delta->problems.push_back(
          {e.path, std::string("it is a ") + (e.folder ? "folder" : "file") + " here but a " +
                       (old.folder ? "folder" : "file") +
                       " in the previous release; the updater can't put one in place of the "
                       "other"});
      continue;
    }
    if (e.folder) continue;
    std::string why;
    if (e.size != old.size ||
        !SameContent(JoinPath(root, e.path), JoinPath(previousRoot, old.path), &why)) {
      if (!why.empty())
        delta->problems.push_back({e.path, why});
      else
        delta->chosen.push_back(e);
    }
  }
  std::string listed;  // the last folder named, whose contents go unnamed
  for (const SourceEntry& e : previous) {
    if (now.count(PathKey(e.path))) continue;
    if (!listed.empty() && e.path.compare(0, listed.size() + 1, listed + "/") == 0) continue;
    delta->onlyInPrevious.push_back(e.path + (e.folder ? "/" : ""));
    if (e.folder) listed = e.path;
  }
}

}  // namespace qpack
