// The whole-package plan: what the updater installs, entry by entry, or the one entry that
// refuses the package.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZipArchive.h"
#include "ZipBuilder.h"
#include "ZipMemoryIo.h"
#include "ZipPlan.h"

using namespace qzip;
using ziptest::BuildZip;
using ziptest::TestEntry;

namespace {

uint64_t SameTime(uint64_t t) { return t; }

TestEntry Entry(const std::string& name, const std::string& data = "", uint32_t dosAttributes = 0) {
  TestEntry e;
  e.name = name;
  e.data = data;
  if (dosAttributes) {
    e.versionMadeBy = 0x0014;  // FAT: the low byte holds the Windows attributes
    e.externalAttributes = dosAttributes;
  }
  return e;
}

struct PlanCase {
  const char* what;
  std::vector<TestEntry> entries;
  size_t room;
  // "path" for files, "path\" for folders; or the refusal.
  std::vector<std::string> planned;
  PlanProblem problem;
  int badIndex;
};

std::string Describe(const std::vector<PlanEntry>& plan) {
  std::string out;
  for (const PlanEntry& e : plan) out += Utf16ToUtf8(e.path) + (e.folder ? "\\" : "") + " ";
  return out;
}

TEST(ZipPlan, WholePackagesOrTheEntryThatRefusesThem) {
  const std::vector<PlanCase> cases = {
      {"files and folders, separators normalised",
       {Entry("a/b/c.txt", "c"), Entry("d\\"), Entry("./e//f.txt", "f"), Entry("g", "", 0x10)},
       200,
       {"a\\b\\c.txt", "d\\", "e\\f.txt", "g\\"},
       PlanProblem::kNone,
       -1},
      // Some tools write no attributes at all: the trailing separator says folder.
      {"a name ending in a separator is a folder",
       {Entry("plain/", "", 0x20)},
       200,
       {"plain\\"},
       PlanProblem::kNone,
       -1},
      {"the root folder adds nothing",
       {Entry("/", "", 0x10), Entry("x", "x")},
       200,
       {"x"},
       PlanProblem::kNone,
       -1},
      {"the later of two same files wins",
       {Entry("Readme.TXT", "1"), Entry("y", "y"), Entry("readme.txt", "2")},
       200,
       {"readme.txt", "y"},
       PlanProblem::kNone,
       -1},
      {"a folder named twice once",
       {Entry("d/"), Entry("d/x", "x"), Entry("D/")},
       200,
       {"d\\", "d\\x"},
       PlanProblem::kNone,
       -1},
      {"climbing out",
       {Entry("ok", "o"), Entry("../evil", "e")},
       200,
       {},
       PlanProblem::kNameUnsafe,
       1},
      {"a device name", {Entry("logs/aux.txt", "x")}, 200, {}, PlanProblem::kNameUnsafe, 0},
      {"a trailing dot", {Entry("a./b", "x")}, 200, {}, PlanProblem::kNameUnsafe, 0},
      {"a trailing space",
       {Entry("ok/", "", 0x10), Entry("b ", "x")},
       200,
       {},
       PlanProblem::kNameUnsafe,
       1},
      {"a stream", {Entry("a.txt:hidden", "x")}, 200, {}, PlanProblem::kNameUnsafe, 0},
      {"an empty file name", {Entry("C:", "x")}, 200, {}, PlanProblem::kNameUnusable, 0},
      {"too long below the folder",
       {Entry("short", "x"), Entry(std::string(30, 'n'), "x")},
       29,
       {},
       PlanProblem::kPathTooLong,
       1},
      {"a file that is also a folder",
       {Entry("x", "1"), Entry("X/y", "2")},
       200,
       {},
       PlanProblem::kFileAndFolder,
       0},
      {"a file where a folder entry is",
       {Entry("cfg/"), Entry("CFG", "x")},
       200,
       {},
       PlanProblem::kFileAndFolder,
       1},
  };
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = BuildZip(c.entries);
    MemoryZipStream stream = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    zlib_filefunc64_def io;
    FillMemoryFileFuncs(&io);
    std::unique_ptr<CZipArchive> archive = CZipArchive::Open(io, &stream, SameTime);
    ASSERT_NE(archive, nullptr);
    std::vector<PlanEntry> plan;
    PlanError error;
    const bool ok = PlanPackage(*archive, c.room, &plan, &error);
    EXPECT_EQ(ok, c.problem == PlanProblem::kNone);
    EXPECT_EQ(error.problem, c.problem);
    EXPECT_EQ(error.index, c.badIndex);
    if (!ok) continue;
    std::string expected;
    for (const std::string& p : c.planned) expected += p + " ";
    EXPECT_EQ(Describe(plan), expected);
    for (const PlanEntry& e : plan) {
      EXPECT_EQ(e.attributes & kZipAttrDirectory, 0u);
      if (!e.folder) {
        EXPECT_EQ(e.size, c.entries[e.index].data.size());
      }
    }
  }
}

TEST(ZipPlan, FoldersOutermostFirstEachOnce) {
  std::vector<PlanEntry> plan(3);
  plan[0].path = Utf8ToUtf16("a\\b\\c.txt");
  plan[0].folder = false;
  plan[1].path = Utf8ToUtf16("A\\B");
  plan[1].folder = true;
  plan[2].path = Utf8ToUtf16("a\\d\\e");
  plan[2].folder = false;
  std::vector<std::string> folders;
  for (const Utf16String& f : PlanFolders(plan)) folders.push_back(Utf16ToUtf8(f));
  EXPECT_EQ(folders, (std::vector<std::string>{"a", "a\\b", "a\\d"}));
  EXPECT_TRUE(SamePathNoCase(Utf8ToUtf16("Ünïcode\\ΣΑΣ.txt"), Utf8ToUtf16("ünïcode\\σασ.TXT")));
  EXPECT_FALSE(SamePathNoCase(Utf8ToUtf16("a\\b"), Utf8ToUtf16("a\\c")));
}

}  // namespace
