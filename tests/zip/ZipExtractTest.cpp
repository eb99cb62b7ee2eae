// Extraction under Windows (Wine) of archives that real tools made: Info-ZIP zip for a folder
// tree and encrypted entries, Python's zipfile for crafted names, attributes and damage. The
// results are checked here as Windows reports them and, after the program ran, from the Linux
// side by verify_extraction.py.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "TestSupport.h"
#include "Zip.h"
#include "ZipBuilder.h"
#include "ZipTestFiles.h"

using namespace testsupport;
using namespace ziptest;

namespace {

std::string Utf8(const std::wstring& s) { return ToUtf8(s); }

std::wstring WinRelative(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

TestEntry Entry(const std::string& name, const std::string& data) {
  TestEntry e;
  e.name = name;
  e.data = data;
  return e;
}

class ZipExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Env(L"QUENDA_ZIP_FIXTURES").empty()) << "run through zip_fixtures.sh";
  }
};

}  // namespace

TEST_F(ZipExtract, OpensOnlyArchives) {
  EXPECT_EQ(ZipOpen(nullptr, nullptr), nullptr);
  EXPECT_EQ(ZipOpen(Fixture(L"missing.zip").c_str(), nullptr), nullptr);
  EXPECT_EQ(ZipOpen(Fixture(L"notzip.zip").c_str(), nullptr), nullptr);
  EXPECT_EQ(ZipOpen(Fixtures().c_str(), nullptr), nullptr);  // a folder

  // An archive without entries: the updater's loop does nothing, and that is a success.
  HZIP zip = ZipOpen(Fixture(L"empty.zip").c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  const std::wstring out = OutDir(L"empty");
  EXPECT_EQ(ZipSetBaseFolder(zip, out.c_str()), ZR_OK);
  const Extraction x = ExtractAll(zip);
  EXPECT_EQ(x.count, 0);
  ZipItem item;
  EXPECT_EQ(ZipGetItem(zip, 0, &item), ZR_ARGS);
  EXPECT_EQ(ZipExtractItem(zip, 0, L"x"), ZR_ARGS);
  EXPECT_EQ(ZipClose(zip), ZR_OK);
  WIN32_FIND_DATAW fd;
  const HANDLE h = FindFirstFileW((out + L"\\*.*").c_str(), &fd);
  int entries = 0;
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (std::wcscmp(fd.cFileName, L".") != 0 && std::wcscmp(fd.cFileName, L"..") != 0) {
        ++entries;
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  EXPECT_EQ(entries, 0);
}

TEST_F(ZipExtract, NoHandleAndBadArguments) {
  ZipItem item;
  item.index = 7;
  item.name[0] = L'x';
  item.uncompressedSize = 9;
  EXPECT_EQ(ZipGetItem(nullptr, 0, &item), ZR_ARGS);
  EXPECT_EQ(item.index, 0);
  EXPECT_EQ(item.name[0], 0);
  EXPECT_EQ(item.uncompressedSize, 0);
  EXPECT_EQ(ZipExtractItem(nullptr, 0, L"x"), ZR_ARGS);
  EXPECT_EQ(ZipSetBaseFolder(nullptr, L"C:\\"), ZR_ARGS);
  EXPECT_EQ(ZipClose(nullptr), ZR_ARGS);

  HZIP zip = ZipOpen(Fixture(L"names.zip").c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  ASSERT_EQ(ZipGetItem(zip, -1, &item), ZR_OK);
  const int count = item.index;
  EXPECT_EQ(ZipGetItem(zip, -2, &item), ZR_ARGS);
  EXPECT_EQ(ZipGetItem(zip, count, &item), ZR_ARGS);
  EXPECT_EQ(ZipGetItem(zip, 0, nullptr), ZR_ARGS);
  EXPECT_EQ(ZipExtractItem(zip, -1, L"x"), ZR_ARGS);
  EXPECT_EQ(ZipExtractItem(zip, count, L"x"), ZR_ARGS);
  EXPECT_EQ(ZipExtractItem(zip, 0, nullptr), ZR_ARGS);
  EXPECT_EQ(ZipClose(zip), ZR_OK);
}

TEST_F(ZipExtract, ArchiveIsOpenedSharedForReading) {
  const std::wstring path = Fixture(L"infozip.zip");
  HZIP zip = ZipOpen(path.c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  HZIP second = ZipOpen(path.c_str(), nullptr);  // other readers are welcome
  EXPECT_NE(second, nullptr);
  ZipClose(second);
  const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);  // writers are not
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_EQ(ZipClose(zip), ZR_OK);
  const HANDLE after =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(after, INVALID_HANDLE_VALUE);  // closing let go of the file
  if (after != INVALID_HANDLE_VALUE) CloseHandle(after);
}

TEST_F(ZipExtract, InfoZipTreeLikeTheUpdater) {
  const std::wstring out = OutDir(L"tree");
  HZIP zip = ZipOpen(Fixture(L"infozip.zip").c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  ASSERT_EQ(ZipSetBaseFolder(zip, out.c_str()), ZR_OK);  // no separator at the end
  const Extraction x = ExtractAll(zip);
  ASSERT_GT(x.count, 0);
  for (int i = 0; i < x.count; ++i) {
    EXPECT_EQ(x.results[i], ZR_OK) << Utf8(Name(x.items[i]));
  }
  ZipClose(zip);

  for (const std::vector<std::wstring>& row : ReadTsv(Fixture(L"tree.tsv"))) {
    ASSERT_EQ(row.size(), 5u);
    const std::wstring rel = WinRelative(row[0]);
    const std::wstring path = out + L"\\" + rel;
    SCOPED_TRACE(Utf8(rel));
    if (row[1] == L"dir") {
      EXPECT_TRUE(IsDirectory(path));
      continue;
    }
    // Times first: reading the data would move the access time.
    FileTimes times;
    ASSERT_TRUE(GetTimes(path, &times));
    EXPECT_EQ(times.write, UnixToFileTime(std::stoll(row[2])));   // "UT" write time
    EXPECT_EQ(times.access, UnixToFileTime(std::stoll(row[3])));  // "UT" access time
    const DWORD attributes = Attributes(path);
    EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, row[4] == L"1");
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE);  // Unix host: archive, never hidden
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(ReadAll(path) == ReadAll(Fixture(L"tree\\" + rel)));
  }

  // Records: Info-ZIP's local "UT" block has write and access times, so the creation time
  // comes from the DOS time: made in UTC, read as local time of UTC+8, eight hours earlier.
  for (int i = 0; i < x.count; ++i) {
    const ZipItem& item = x.items[i];
    EXPECT_EQ(item.index, i);
    if (item.attributes & kZipAttrDirectory) continue;
    EXPECT_EQ(item.writeTime - item.creationTime, 8ULL * 3600 * 10000000ULL) << Utf8(Name(item));
  }
}

TEST_F(ZipExtract, CraftedNamesLikeTheUpdater) {
  const std::wstring out = OutDir(L"names");
  HZIP zip = ZipOpen(Fixture(L"names.zip").c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  ASSERT_EQ(ZipSetBaseFolder(zip, (out + L"\\").c_str()), ZR_OK);
  const Extraction x = ExtractAll(zip);
  ZipClose(zip);
  const std::vector<std::vector<std::wstring>> rows = ReadTsv(Fixture(L"names.tsv"));
  ASSERT_EQ(static_cast<size_t>(x.count), rows.size());

  const uint64_t dosUtc = LocalToUtc(2021, 6, 15, 10, 30, 44);
  for (const std::vector<std::wstring>& row : rows) {
    ASSERT_EQ(row.size(), 6u);
    const int index = std::stoi(row[0]);
    const ZipResult expected = static_cast<ZipResult>(std::stoul(row[1], nullptr, 16));
    const std::wstring path = out + L"\\" + WinRelative(row[3]);
    SCOPED_TRACE("entry " + Utf8(row[0]) + " " + Utf8(Name(x.items[index])));
    EXPECT_EQ(x.results[index], expected);
    if (row[3] == L"-") continue;
    if (row[2] == L"dir") {
      EXPECT_TRUE(IsDirectory(path));
      continue;
    }
    FileTimes times;
    ASSERT_TRUE(GetTimes(path, &times));
    // Times before the data is read, which would move the access time. Without a "UT" block
    // all times come from the DOS time, moved from local time to UTC; a "UT" block with flags
    // 1 changes only the write time.
    const bool stamped = row[3] == L"ut-write.txt";
    EXPECT_EQ(times.write, stamped ? UnixToFileTime(1262304000) : dosUtc);
    EXPECT_EQ(times.access, dosUtc);
    if (row[5] != L"-") {
      const DWORD want = std::stoul(row[5], nullptr, 16);
      const DWORD have = Attributes(path);
      const DWORD dosBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
      EXPECT_EQ(have & dosBits, want & dosBits);
      // Wine reports every plain file as "archive"; Windows keeps what was set.
      if (want & FILE_ATTRIBUTE_ARCHIVE) {
        EXPECT_TRUE(have & FILE_ATTRIBUTE_ARCHIVE);
      }
    }
    if (row[4].empty() || row[4][0] != L'@') {
      EXPECT_EQ(ReadAll(path), Utf8(row[4]));
    }
  }

  // Records of some entries.
  EXPECT_EQ(Name(x.items[0]), L"Windows\\x.dll");
  EXPECT_EQ(Name(x.items[4]), L"../b");  // refused at extraction, not cut further
  EXPECT_EQ(Name(x.items[5]), L"../b2");
  EXPECT_EQ(Name(x.items[26]), L"");  // 260 bytes: no usable name at all
  EXPECT_EQ(Name(x.items[27]), L"");
  EXPECT_EQ(x.items[26].uncompressedSize, 3);
  EXPECT_EQ(Name(x.items[25]), std::wstring(259, L'n'));
  EXPECT_EQ(x.items[15].attributes, kZipAttrDirectory | kZipAttrArchive);
  EXPECT_EQ(x.items[17].attributes, 0x27u);
  EXPECT_EQ(x.items[18].attributes, 0u);
  const ZipItem& ut = x.items[23];
  EXPECT_EQ(ut.writeTime, UnixToFileTime(1262304000));
  EXPECT_EQ(ut.accessTime, dosUtc);
  EXPECT_EQ(ut.creationTime, dosUtc);
  FileTimes times;
  // Folders get no times.
  ASSERT_TRUE(GetTimes(out + L"\\sub\\dir", &times));
  EXPECT_NE(times.write, dosUtc);
  // Nothing climbed out of the base folder.
  const std::wstring parent = Fixtures() + L"\\extract";
  EXPECT_FALSE(FileExists(parent + L"\\b"));
  EXPECT_FALSE(FileExists(parent + L"\\b2"));
  EXPECT_TRUE(Leftovers(out).empty());
}

TEST_F(ZipExtract, ExistingTargets) {
  const std::wstring out = OutDir(L"existing");
  ASSERT_TRUE(WriteAll(out + L"\\replace.txt", "old"));
  ASSERT_TRUE(WriteAll(out + L"\\readonly.txt", "old read-only"));
  SetFileAttributesW((out + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(WriteAll(out + L"\\hidden.txt", "old hidden"));
  SetFileAttributesW((out + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  CreateDirectoryW((out + L"\\folder.txt").c_str(), nullptr);

  HZIP zip =
      OpenBuilt(out + L".zip", BuildZip({Entry("replace.txt", "new"), Entry("readonly.txt", "new"),
                                         Entry("hidden.txt", "new"), Entry("folder.txt", "new")}));
  ASSERT_NE(zip, nullptr);
  ZipSetBaseFolder(zip, out.c_str());
  const Extraction x = ExtractAll(zip);
  ZipClose(zip);
  ASSERT_EQ(x.count, 4);
  EXPECT_EQ(x.results[0], ZR_OK);
  EXPECT_EQ(ReadAll(out + L"\\replace.txt"), "new");
  EXPECT_EQ(x.results[1], ZR_NOFILE);  // read-only: kept as it was
  EXPECT_EQ(ReadAll(out + L"\\readonly.txt"), "old read-only");
  EXPECT_TRUE(Attributes(out + L"\\readonly.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(x.results[2], ZR_OK);  // hidden: replaced, and now has the entry's attributes
  EXPECT_EQ(ReadAll(out + L"\\hidden.txt"), "new");
  EXPECT_FALSE(Attributes(out + L"\\hidden.txt") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(x.results[3], ZR_NOFILE);  // a folder doesn't become a file
  EXPECT_TRUE(IsDirectory(out + L"\\folder.txt"));
  EXPECT_TRUE(Leftovers(out).empty());
  DeleteFileW((out + L".zip").c_str());
}

TEST_F(ZipExtract, EncryptedEntries) {
  const std::wstring out = OutDir(L"encrypted");
  ASSERT_TRUE(WriteAll(out + L"\\secret.txt", "old secret"));

  // Without a password: refused, and the old file is untouched.
  HZIP zip = ZipOpen(Fixture(L"enc.zip").c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  ZipSetBaseFolder(zip, out.c_str());
  Extraction x = ExtractAll(zip);
  ZipClose(zip);
  ASSERT_EQ(x.count, 2);
  EXPECT_EQ(x.results[0], ZR_PASSWORD);
  EXPECT_EQ(x.results[1], ZR_PASSWORD);
  EXPECT_EQ(ReadAll(out + L"\\secret.txt"), "old secret");
  EXPECT_FALSE(FileExists(out + L"\\big.txt"));
  EXPECT_TRUE(Leftovers(out).empty());

  // A wrong password: the one-byte check catches it, or (one time in 256) the data does.
  zip = ZipOpen(Fixture(L"enc.zip").c_str(), "wrong");
  ASSERT_NE(zip, nullptr);
  ZipSetBaseFolder(zip, out.c_str());
  x = ExtractAll(zip);
  ZipClose(zip);
  for (ZipResult r : x.results) EXPECT_TRUE(r == ZR_PASSWORD || r == ZR_FLATE) << std::hex << r;
  EXPECT_EQ(ReadAll(out + L"\\secret.txt"), "old secret");
  EXPECT_FALSE(FileExists(out + L"\\big.txt"));

  zip = ZipOpen(Fixture(L"enc.zip").c_str(), "secret");
  ASSERT_NE(zip, nullptr);
  ZipSetBaseFolder(zip, out.c_str());
  x = ExtractAll(zip);
  ZipClose(zip);
  EXPECT_EQ(x.results[0], ZR_OK);
  EXPECT_EQ(x.results[1], ZR_OK);
  EXPECT_EQ(ReadAll(out + L"\\secret.txt"), ReadAll(Fixture(L"encsrc\\secret.txt")));
  EXPECT_TRUE(ReadAll(out + L"\\big.txt") == ReadAll(Fixture(L"encsrc\\big.txt")));
  EXPECT_TRUE(Leftovers(out).empty());
}

TEST_F(ZipExtract, DamagedDataLeavesOldFiles) {
  const std::wstring out = OutDir(L"damaged");
  for (const wchar_t* name : {L"badcrc.txt", L"garbage.txt", L"short.txt"}) {
    ASSERT_TRUE(WriteAll(out + L"\\" + name, "old content"));
  }
  HZIP zip = ZipOpen(Fixture(L"corrupt.zip").c_str(), nullptr);
  ASSERT_NE(zip, nullptr);
  ZipSetBaseFolder(zip, out.c_str());
  const Extraction x = ExtractAll(zip);
  ZipClose(zip);
  ASSERT_EQ(x.count, 4);
  EXPECT_EQ(x.results[0], ZR_OK);
  EXPECT_EQ(ReadAll(out + L"\\good.txt"), "good data");
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(x.results[i], ZR_FLATE) << Utf8(Name(x.items[i]));
    EXPECT_EQ(ReadAll(out + L"\\" + Name(x.items[i])), "old content") << Utf8(Name(x.items[i]));
  }
  EXPECT_TRUE(Leftovers(out).empty());
}

TEST_F(ZipExtract, BaseFolders) {
  const std::wstring out = OutDir(L"bases");
  const std::wstring archive = out + L"\\..\\bases.zip";
  const std::string bytes = BuildZip({Entry("f.txt", "f"), Entry("sub/g.txt", "g")});

  // At open, the base folder is the current directory.
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  CreateDirectoryW((out + L"\\current").c_str(), nullptr);
  SetCurrentDirectoryW((out + L"\\current").c_str());
  HZIP zip = OpenBuilt(archive, bytes);
  SetCurrentDirectoryW(saved);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipExtractItem(zip, 0, L"f.txt"), ZR_OK);
  EXPECT_EQ(ReadAll(out + L"\\current\\f.txt"), "f");

  // A base ending in a slash; one that doesn't exist yet (one level is created).
  EXPECT_EQ(ZipSetBaseFolder(zip, (out + L"/slash/").c_str()), ZR_OK);
  EXPECT_EQ(ZipExtractItem(zip, 1, L"sub/g.txt"), ZR_OK);
  EXPECT_EQ(ReadAll(out + L"\\slash\\sub\\g.txt"), "g");

  // Absolute targets only below the base folder.
  EXPECT_EQ(ZipSetBaseFolder(zip, out.c_str()), ZR_OK);
  EXPECT_EQ(ZipExtractItem(zip, 0, (out + L"\\abs\\f.txt").c_str()), ZR_OK);
  EXPECT_EQ(ReadAll(out + L"\\abs\\f.txt"), "f");
  EXPECT_EQ(ZipExtractItem(zip, 0, (out + L"\\..\\outside.txt").c_str()), ZR_NOFILE);
  EXPECT_FALSE(FileExists(out + L"\\..\\outside.txt"));
  EXPECT_EQ(ZipExtractItem(zip, 0, L"C:\\windows\\temp\\quenda-outside.txt"), ZR_NOFILE);
  // Relative targets that climb, whoever passes them.
  EXPECT_EQ(ZipExtractItem(zip, 0, L"..\\outside.txt"), ZR_NOFILE);
  EXPECT_EQ(ZipExtractItem(zip, 0, L"sub/../../outside.txt"), ZR_NOFILE);
  EXPECT_FALSE(FileExists(out + L"\\..\\outside.txt"));

  // A base folder too long for any target is refused, and nothing is written anywhere until
  // a usable one is set.
  const std::wstring tooLong = out + L"\\" + std::wstring(260, L'l');
  EXPECT_EQ(ZipSetBaseFolder(zip, tooLong.c_str()), ZR_ARGS);
  SetCurrentDirectoryW(out.c_str());
  EXPECT_EQ(ZipExtractItem(zip, 0, L"after-refusal.txt"), ZR_NOFILE);
  SetCurrentDirectoryW(saved);
  EXPECT_FALSE(FileExists(out + L"\\after-refusal.txt"));
  EXPECT_EQ(ZipSetBaseFolder(zip, L""), ZR_ARGS);
  // Targets that would pass the path limit.
  EXPECT_EQ(ZipSetBaseFolder(zip, out.c_str()), ZR_OK);
  const std::wstring deep = std::wstring(250 - out.size(), L'p') + L"\\" + L"0123456789.txt";
  EXPECT_EQ(ZipExtractItem(zip, 0, deep.c_str()), ZR_NOFILE);
  ZipClose(zip);
  DeleteFileW(archive.c_str());
}

TEST_F(ZipExtract, LeftoversAreRemovedNextTime) {
  const std::wstring out = OutDir(L"leftovers");
  ASSERT_TRUE(WriteAll(out + L"\\~qz12345678.old", "moved aside last time"));
  ASSERT_TRUE(WriteAll(out + L"\\~qz9abcdef0.new", "a crash while writing"));
  SetFileAttributesW((out + L"\\~qz9abcdef0.new").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(WriteAll(out + L"\\~qzkeep.old", "not ours"));
  ASSERT_TRUE(WriteAll(out + L"\\other.txt", "not ours either"));
  CreateDirectoryW((out + L"\\sub").c_str(), nullptr);
  ASSERT_TRUE(WriteAll(out + L"\\sub\\~qz00000000.old", "another folder"));

  HZIP zip = OpenBuilt(out + L".zip", BuildZip({Entry("new.txt", "n")}));
  ASSERT_NE(zip, nullptr);
  ZipSetBaseFolder(zip, out.c_str());
  EXPECT_EQ(ZipExtractItem(zip, 0, L"new.txt"), ZR_OK);
  ZipClose(zip);
  EXPECT_FALSE(FileExists(out + L"\\~qz12345678.old"));
  EXPECT_FALSE(FileExists(out + L"\\~qz9abcdef0.new"));
  EXPECT_TRUE(FileExists(out + L"\\~qzkeep.old"));
  EXPECT_TRUE(FileExists(out + L"\\other.txt"));
  EXPECT_TRUE(FileExists(out + L"\\sub\\~qz00000000.old"));  // nothing was extracted there
  DeleteFileW((out + L"\\sub\\~qz00000000.old").c_str());
  DeleteFileW((out + L".zip").c_str());
}
