#include "PackBuild.h"

#include <algorithm>

#include "LastVer.h"
#include "PackFs.h"
#include "PackNames.h"
#include "PackSource.h"
#include "PackWriter.h"
#include "PackageCheck.h"
#include "Progress.h"
#include "Sign.h"

namespace qpack {

namespace {

constexpr size_t kMaxShownProblems = 50;
constexpr size_t kMaxKeyFile = 64 * 1024;

int Fail(const std::string& message) {
  PrintError("quenda-pack: " + message + "\n");
  return 1;
}

// Whether `path` is `folder` or lies inside it (full paths).
bool IsWithin(const std::string& path, const std::string& folder) {
#ifdef _WIN32
  const Utf16String p = PathKey(path), f = PathKey(folder);
  const Utf16Char separator = U16('\\');
#else
  const std::string& p = path;
  const std::string& f = folder;
  const char separator = '/';
#endif
  if (p.compare(0, f.size(), f) != 0) return false;
  return p.size() == f.size() || p[f.size()] == separator || f.back() == separator;
}

// The refusals that only the whole source shows: the names the updater's folder reserves and
// the version file's declaration. Returns the version file's entry, or null.
const SourceEntry* CheckTopLevel(const BuildOptions& options, const std::vector<SourceEntry>& all,
                                 std::vector<Problem>* problems) {
  const Utf16String versionKey = PathKey(kVersionFileName);
  const SourceEntry* versionFile = nullptr;
  for (const SourceEntry& e : all) {
    const Utf16String key = PathKey(e.path);
    if (key == PathKey("update.zip") || key == PathKey("update.zip.part")) {
      problems->push_back({e.path, "the updater downloads the package under this name"});
    } else if (key == PathKey(kUpdaterWorkFolder)) {
      problems->push_back({e.path, "the updater keeps its work under this name"});
    } else if (key == versionKey && e.folder) {
      problems->push_back({e.path, "lastver.xml must be a file"});
    } else if (key == versionKey) {
      versionFile = &e;
    }
  }
  if (!versionFile) return nullptr;
  std::string declared, why;
  if (!ReadVersionFile(JoinPath(options.from, versionFile->path), &declared, &why)) {
    problems->push_back({versionFile->path, why});
  } else if (declared != options.version) {
    problems->push_back({versionFile->path,
                         "it declares version '" + declared + "', not '" + options.version + "'"});
  }
  return versionFile;
}

int Refuse(const BuildOptions& options, const std::vector<Problem>& problems) {
  for (size_t i = 0; i < problems.size() && i < kMaxShownProblems; ++i) {
    PrintError("quenda-pack: refused: " + problems[i].path + ": " + problems[i].why + "\n");
  }
  if (problems.size() > kMaxShownProblems) {
    PrintError("quenda-pack: ... and " + std::to_string(problems.size() - kMaxShownProblems) +
               " more\n");
  }
  return Fail("nothing written: " + std::to_string(problems.size()) + " problem(s) in " +
              options.from + (options.since.empty() ? "" : " or " + options.since));
}

// The package's entries, sorted by name as bytes: the order never depends on how a file system
// lists them. Folders and a generated lastver.xml take the newest time of the files.
std::vector<PackEntry> Entries(const BuildOptions& options, const std::vector<SourceEntry>& chosen,
                               const SourceEntry* versionFile) {
  std::vector<PackEntry> entries;
  int64_t newest = kEarliestTime;
  for (const SourceEntry& e : chosen) {
    if (!e.folder) newest = std::max(newest, ClampTime(e.time));
  }
  for (const SourceEntry& e : chosen) {
    PackEntry p;
    p.name = e.folder ? e.path + "/" : e.path;
    p.source = e.folder ? std::string() : JoinPath(options.from, e.path);
    p.folder = e.folder;
    p.size = e.size;
    p.time = e.folder ? newest : e.time;
    p.attributes = e.attributes;
    entries.push_back(p);
  }
  if (!versionFile) {
    PackEntry p;
    p.name = kVersionFileName;
    p.content = MakeVersionFile(options.version);
    p.size = p.content.size();
    p.time = newest;
    entries.push_back(p);
  }
  std::sort(entries.begin(), entries.end(),
            [](const PackEntry& a, const PackEntry& b) { return a.name < b.name; });
  return entries;
}

// The files of the package: all of the source, or for a delta what differs from the previous
// release (the version file always). Problems and warnings are added.
std::vector<SourceEntry> Choose(const BuildOptions& options, const std::vector<SourceEntry>& all,
                                const SourceEntry* versionFile, std::vector<Problem>* problems) {
  if (options.since.empty()) return all;
  SourceScan previous(false);
  previous.Walk(options.since);
  for (const Problem& p : previous.problems) {
    problems->push_back({JoinPath(options.since, p.path), p.why});
  }
  Delta delta;
  ComputeDelta(options.from, all, options.since, previous.entries, &delta);
  problems->insert(problems->end(), delta.problems.begin(), delta.problems.end());
  if (versionFile &&
      std::none_of(delta.chosen.begin(), delta.chosen.end(),
                   [versionFile](const SourceEntry& e) { return e.path == versionFile->path; })) {
    delta.chosen.push_back(*versionFile);
  }
  for (const std::string& path : delta.onlyInPrevious) {
    PrintError("quenda-pack: warning: only in " + options.since + ": " + path +
               " (a package can't remove it)\n");
  }
  return delta.chosen;
}

bool CheckOptions(const BuildOptions& options, std::string* privateKey, std::string* why) {
  const std::string refusal = RefuseVersion(options.version);
  FileInfo info;
  if (!refusal.empty()) {
    *why = "--version '" + options.version + "': " + refusal;
  } else if (!GetInfo(options.from, &info) || !info.folder) {
    *why = options.from + ": no such folder";
  } else if (!options.since.empty() && (!GetInfo(options.since, &info) || !info.folder)) {
    *why = options.since + ": no such folder";
  } else if (IsWithin(FullPath(options.out), FullPath(options.from))) {
    *why = "the output folder " + options.out + " lies inside " + options.from;
  } else if (!options.key.empty()) {
    qsign::PrivateKey key;
    std::string reason;
    if (!qsign::ReadSmallFile(SignPath(options.key), kMaxKeyFile, privateKey, &reason)) {
      *why = reason;
    } else if (!qsign::ReadPrivateKeyPem(*privateKey, &key, &reason)) {
      *why = options.key + ": " + reason;
    } else if (!key.hasPublic) {
      *why = options.key +
             ": the key holds no public key; 'openssl pkey -in KEY -out FULL.pem' "
             "writes one that does";
    }
  }
  return why->empty();
}

// The package must pass the same check as "verify" before it is put in place.
bool SelfCheck(const std::string& path, const std::string& version, std::string* why) {
  PackageReader reader;
  if (!reader.Open(path, why)) return false;
  PackageCheckResult result;
  ProgressBar bar("checking", 0);
  CheckPackage(reader.archive(), version, &result, [&bar](uint64_t done, uint64_t total) {
    bar.SetTotal(total);
    bar.Set(done);
  });
  if (result.problems.empty()) return true;
  *why = "the package written fails its own check: " + result.problems.front();
  return false;
}

bool Sign(const std::string& privateKey, const BuildOptions& options, const std::string& zipTemp,
          const std::string& sigTemp, std::string* why) {
  std::vector<uint8_t> signature;
  ProgressBar bar("signing ", 0);
  const bool signedOk = qsign::SignPackageFile(privateKey, SignPath(zipTemp), &signature, why,
                                               [&bar](uint64_t done, uint64_t total) {
                                                 bar.SetTotal(total);
                                                 bar.Set(done);
                                                 return true;
                                               });
  if (!signedOk) {
    *why = options.key + ": " + *why;
    return false;
  }
  RemoveFile(sigTemp);
  return WriteNewFile(sigTemp, std::string(signature.begin(), signature.end()), false, why);
}

// Puts the new package (and signature) in place of any earlier one. An earlier signature
// without a new one would sign nothing that is there: it goes.
bool PutInPlace(const BuildOptions& options, const std::string& zipPath, std::string* why) {
  const std::string sigPath = zipPath + ".sig";
  if (!ReplaceFile(zipPath + ".tmp", zipPath, why)) return false;
  if (!options.key.empty()) {
    if (ReplaceFile(sigPath + ".tmp", sigPath, why)) return true;
    RemoveFile(zipPath);
    RemoveFile(sigPath);
    return false;
  }
  FileInfo info;
  if (GetInfo(sigPath, &info)) {
    RemoveFile(sigPath);
    PrintError("quenda-pack: removed " + sigPath + ", which signed an earlier package\n");
  }
  return true;
}

int WriteOutputs(const BuildOptions& options, const std::vector<PackEntry>& entries,
                 const std::string& privateKey, size_t sourceEntries, double start) {
  std::string why;
  if (!MakeFolders(options.out, &why)) return Fail(why);
  const std::string zipPath = JoinPath(options.out, "update.zip");
  const std::string zipTemp = zipPath + ".tmp", sigTemp = zipPath + ".sig.tmp";
  uint64_t bytesIn = 0;
  size_t files = 0;
  for (const PackEntry& e : entries) {
    if (e.folder) continue;
    bytesIn += e.size;
    ++files;
  }
  bool ok;
  {
    ProgressBar bar("packing ", bytesIn);
    ok = WritePackage(zipTemp, entries, &bar, &why);
  }
  ok = ok && SelfCheck(zipTemp, options.version, &why) &&
       (options.key.empty() || Sign(privateKey, options, zipTemp, sigTemp, &why));
  if (!ok || !PutInPlace(options, zipPath, &why)) {
    RemoveFile(zipTemp);
    RemoveFile(sigTemp);
    return Fail(why + "; no package written");
  }
  FileInfo written;
  GetInfo(zipPath, &written);
  std::string summary = "built " + zipPath + (options.key.empty() ? "" : " and .sig") + ": ";
  if (!options.since.empty()) {
    summary += "delta of " + std::to_string(entries.size()) + " entries (" +
               std::to_string(sourceEntries) + " in the folder), ";
  }
  PrintOut(summary + std::to_string(files) + " files, " + FormatBytes(bytesIn) + " in, " +
           FormatBytes(written.size) + " out, " + FormatSeconds(Seconds() - start) + "\n");
  return 0;
}

}  // namespace

int RunBuild(const BuildOptions& options) {
  const double start = Seconds();
  std::string privateKey, why;
  if (!CheckOptions(options, &privateKey, &why)) return Fail(why);

  SourceScan scan(true);
  scan.Walk(options.from);
  std::vector<Problem> problems = scan.problems;
  const SourceEntry* versionFile = CheckTopLevel(options, scan.entries, &problems);
  const std::vector<SourceEntry> chosen = Choose(options, scan.entries, versionFile, &problems);
  if (!problems.empty()) return Refuse(options, problems);
  const std::vector<PackEntry> entries = Entries(options, chosen, versionFile);
  return WriteOutputs(options, entries, privateKey, scan.entries.size(), start);
}

}  // namespace qpack
