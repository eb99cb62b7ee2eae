#include "ZipPlan.h"

#include <map>
#include <set>

#include "ZipNames.h"

namespace qzip {

namespace {

// Upper-case forms of the letters whose case Windows folds with a fixed offset: ASCII,
// Latin-1, Greek, Cyrillic and the full-width Latin forms. Names that differ only in the case
// of other letters are caught when the staged file can't be created beside its twin.
Utf16Char FoldCase(Utf16Char c) {
  if (c < 0x80) return (c >= U16('a') && c <= U16('z')) ? static_cast<Utf16Char>(c - 0x20) : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
      (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) {
    return static_cast<Utf16Char>(c - 0x20);
  }
  if (c >= 0x450 && c <= 0x45F) return static_cast<Utf16Char>(c - 0x50);
  return c;
}

Utf16String Folded(const Utf16String& s) {
  Utf16String out(s);
  for (Utf16Char& c : out) c = FoldCase(c);
  return out;
}

// The components of a sanitised, safe name joined by backslashes, without empty and "."
// components.
Utf16String NormalisePath(const Utf16Char* name) {
  Utf16String out;
  const Utf16Char* begin = name;
  for (const Utf16Char* p = name;; ++p) {
    if (*p == 0 || IsSeparator(*p)) {
      const size_t n = static_cast<size_t>(p - begin);
      if (n > 0 && !(n == 1 && *begin == U16('.'))) {
        if (!out.empty()) out.push_back(U16('\\'));
        out.append(begin, n);
      }
      if (*p == 0) break;
      begin = p + 1;
    }
  }
  return out;
}

// Windows drops trailing dots and spaces from a name, so such a component would name another
// file than the package says (and two entries could meet in one).
bool HasTrimmedComponent(const Utf16String& path) {
  for (size_t end = path.find(U16('\\'));; end = path.find(U16('\\'), end + 1)) {
    const size_t at = (end == Utf16String::npos ? path.size() : end);
    if (at > 0 && (path[at - 1] == U16('.') || path[at - 1] == U16(' '))) return true;
    if (end == Utf16String::npos) return false;
  }
}

bool EndsInSeparator(const Utf16Char* name) {
  const size_t n = Utf16Length(name);
  return n > 0 && IsSeparator(name[n - 1]);
}

bool Fail(PlanError* error, PlanProblem problem, int index, const Utf16Char* name) {
  error->problem = problem;
  error->index = index;
  error->name = name;
  return false;
}

}  // namespace

const char* DescribePlanProblem(PlanProblem problem) {
  switch (problem) {
    case PlanProblem::kNone:
      return "no problem";
    case PlanProblem::kUnreadable:
      return "its headers can't be read";
    case PlanProblem::kNameUnusable:
      return "its name can't stand for a path (too long, empty or with a zero byte)";
    case PlanProblem::kNameUnsafe:
      return "its name would leave the folder or names something Windows can't create "
             "(\"..\", drives, device names, forbidden characters, trailing dots or spaces)";
    case PlanProblem::kPathTooLong:
      return "its path is too long for Windows below the installation folder";
    case PlanProblem::kFileAndFolder:
      return "it is both a file and a folder of the package";
  }
  return "unknown problem";
}

bool SamePathNoCase(const Utf16String& a, const Utf16String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool PlanPackage(CZipArchive& archive, size_t maxPathUnits, std::vector<PlanEntry>* plan,
                 PlanError* error) {
  plan->clear();
  *error = PlanError();
  std::map<Utf16String, size_t> files;  // folded path -> position in the plan
  std::set<Utf16String> folders;        // folded paths of every folder the plan needs
  for (int i = 0; i < archive.Count(); ++i) {
    const ZipEntry* entry = nullptr;
    if (archive.GetEntry(i, &entry) != ZR_OK)
      return Fail(error, PlanProblem::kUnreadable, i, U16(""));
    const ZipItem& item = entry->item;
    if (!entry->nameUsable) return Fail(error, PlanProblem::kNameUnusable, i, item.name);
    const bool folder = (item.attributes & kZipAttrDirectory) != 0 || EndsInSeparator(item.name);
    if (!IsSafeRelativeName(item.name, Utf16Length(item.name))) {
      return Fail(error, PlanProblem::kNameUnsafe, i, item.name);
    }
    PlanEntry planned;
    planned.index = i;
    planned.path = NormalisePath(item.name);
    planned.folder = folder;
    if (planned.path.empty()) {
      if (folder) continue;  // the installation folder itself
      return Fail(error, PlanProblem::kNameUnusable, i, item.name);
    }
    if (HasTrimmedComponent(planned.path))
      return Fail(error, PlanProblem::kNameUnsafe, i, item.name);
    if (planned.path.size() > maxPathUnits)
      return Fail(error, PlanProblem::kPathTooLong, i, item.name);
    planned.attributes = item.attributes & ~kZipAttrDirectory;
    planned.creationTime = item.creationTime;
    planned.accessTime = item.accessTime;
    planned.writeTime = item.writeTime;
    planned.size = folder ? 0 : entry->size;

    const Utf16String key = Folded(planned.path);
    for (size_t cut = key.find(U16('\\')); cut != Utf16String::npos;
         cut = key.find(U16('\\'), cut + 1)) {
      folders.insert(key.substr(0, cut));
    }
    if (folder) {
      if (!folders.insert(key).second) continue;  // named before, as a folder or a parent
      plan->push_back(planned);
      continue;
    }
    auto found = files.find(key);
    if (found != files.end()) {
      (*plan)[found->second] = planned;  // the later entry wins, as unpacking in order does
    } else {
      files.emplace(key, plan->size());
      plan->push_back(planned);
    }
  }
  for (const auto& file : files) {
    if (folders.count(file.first)) {
      const PlanEntry& clash = (*plan)[file.second];
      return Fail(error, PlanProblem::kFileAndFolder, clash.index, clash.path.c_str());
    }
  }
  return true;
}

std::vector<Utf16String> PlanFolders(const std::vector<PlanEntry>& plan) {
  std::vector<Utf16String> out;
  std::set<Utf16String> seen;
  auto add = [&](const Utf16String& path) {
    if (seen.insert(Folded(path)).second) out.push_back(path);
  };
  for (const PlanEntry& entry : plan) {
    for (size_t cut = entry.path.find(U16('\\')); cut != Utf16String::npos;
         cut = entry.path.find(U16('\\'), cut + 1)) {
      add(entry.path.substr(0, cut));
    }
    if (entry.folder) add(entry.path);
  }
  return out;
}

}  // namespace qzip
