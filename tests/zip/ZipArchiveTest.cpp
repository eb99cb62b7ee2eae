// The directory walk, item records and the data path over minizip, on archives built in
// memory: what the updater's reader does between the file and the disk.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ZipArchive.h"
#include "ZipBuilder.h"
#include "ZipFields.h"
#include "ZipMemoryIo.h"

using namespace qzip;
using ziptest::BuildZip;
using ziptest::TestEntry;

namespace {

constexpr uint64_t kHour = 3600ULL * kTicksPerSecond;

// The tests run as if in UTC+8: local times are eight hours ahead.
uint64_t FromUtcPlus8(uint64_t local) { return local - 8 * kHour; }

int g_reads = 0;
read_file_func g_memoryRead = nullptr;
uLong ZCALLBACK CountingRead(voidpf opaque, voidpf stream, void* buf, uLong size) {
  ++g_reads;
  return g_memoryRead(opaque, stream, buf, size);
}

struct Archive {
  explicit Archive(std::string data) : bytes(std::move(data)) {
    stream = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    zlib_filefunc64_def io;
    FillMemoryFileFuncs(&io);
    g_memoryRead = io.zread_file;
    io.zread_file = CountingRead;
    zip = CZipArchive::Open(io, &stream, FromUtcPlus8);
  }
  std::string bytes;
  MemoryZipStream stream;
  std::unique_ptr<CZipArchive> zip;
};

class StringSink : public CZipSink {
 public:
  explicit StringSink(size_t limit = SIZE_MAX) : limit_(limit) {}
  bool Write(const uint8_t* data, size_t size) override {
    ++writes;
    if (bytes.size() + size > limit_) return false;
    bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string bytes;
  int writes = 0;

 private:
  size_t limit_;
};

TestEntry Entry(const std::string& name, const std::string& data = "", uint16_t method = 0) {
  TestEntry e;
  e.name = name;
  e.data = data;
  e.method = method;
  return e;
}

std::string Name(const ZipItem& item) { return Utf16ToUtf8(item.name); }

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  uint32_t x = 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>((i % 7 == 0) ? (x >> 16) : 'a' + (i % 13));
  }
  return s;
}

}  // namespace

TEST(ZipArchive, RefusesWhatIsNoArchive) {
  EXPECT_EQ(Archive("").zip, nullptr);
  EXPECT_EQ(Archive("PK\x03\x04 not really").zip, nullptr);
  std::string cut = BuildZip({Entry("a.txt", "hello")});
  cut.resize(cut.size() - 22);  // the end record is gone
  EXPECT_EQ(Archive(cut).zip, nullptr);
}

TEST(ZipArchive, EmptyArchiveHasNoEntries) {
  Archive a(BuildZip({}));
  ASSERT_NE(a.zip, nullptr);
  EXPECT_EQ(a.zip->Count(), 0);
  ZipItem item;
  ASSERT_EQ(a.zip->GetItem(-1, &item), ZR_OK);
  EXPECT_EQ(item.index, 0);
  EXPECT_EQ(a.zip->GetItem(0, &item), ZR_ARGS);
}

TEST(ZipArchive, CountQueryAndIndexChecks) {
  Archive a(BuildZip({Entry("a.txt", "aaa"), Entry("b.txt", "bbbb")}));
  ASSERT_NE(a.zip, nullptr);
  ZipItem item;
  std::memset(&item, 0x55, sizeof item);
  ASSERT_EQ(a.zip->GetItem(-1, &item), ZR_OK);
  EXPECT_EQ(item.index, 2);
  EXPECT_EQ(item.name[0], 0);
  EXPECT_EQ(item.attributes, 0u);
  EXPECT_EQ(item.writeTime, 0u);
  EXPECT_EQ(item.accessTime, 0u);
  EXPECT_EQ(item.creationTime, 0u);
  EXPECT_EQ(item.compressedSize, 0);
  EXPECT_EQ(item.uncompressedSize, 0);

  for (int bad : {-2, 2, 1000}) {
    std::memset(&item, 0x55, sizeof item);
    EXPECT_EQ(a.zip->GetItem(bad, &item), ZR_ARGS) << bad;
    // The head of the record is cleared whatever happens.
    EXPECT_EQ(item.index, 0);
    EXPECT_EQ(item.name[0], 0);
    EXPECT_EQ(item.uncompressedSize, 0);
  }
  StringSink sink;
  EXPECT_EQ(a.zip->ReadEntry(2, nullptr, &sink), ZR_ARGS);
  EXPECT_EQ(a.zip->ReadEntry(-1, nullptr, &sink), ZR_ARGS);
}

TEST(ZipArchive, BuildsRecords) {
  TestEntry unixFile = Entry("C:\\Windows\\x.dll", "12345", 8);
  unixFile.externalAttributes = 0100444u << 16;
  TestEntry fatFile = Entry("/etc/x", "x");
  fatFile.versionMadeBy = 0x0014;  // FAT
  fatFile.externalAttributes = 0x27;
  TestEntry folder = Entry("sub/dir/");
  folder.externalAttributes = (040755u << 16) | 0x10;
  TestEntry stamped = Entry("x/a/../b/../c", "c");
  stamped.localExtra = ziptest::UtBlock(1, {946684800});
  stamped.centralExtra = ziptest::UtBlock(1, {946684800});
  Archive a(BuildZip({unixFile, fatFile, folder, stamped}));
  ASSERT_NE(a.zip, nullptr);
  ASSERT_EQ(a.zip->Count(), 4);

  const uint64_t dosUtc = DosDateTimeToFileTime(unixFile.dosDateTime) - 8 * kHour;
  ZipItem item;
  ASSERT_EQ(a.zip->GetItem(0, &item), ZR_OK);
  EXPECT_EQ(item.index, 0);
  EXPECT_EQ(Name(item), "Windows\\x.dll");
  EXPECT_EQ(item.attributes, kZipAttrArchive | kZipAttrReadOnly);
  EXPECT_EQ(item.uncompressedSize, 5);
  EXPECT_GT(item.compressedSize, 0);
  // No "UT" block: all three from the DOS time, moved from local time to UTC.
  EXPECT_EQ(item.writeTime, dosUtc);
  EXPECT_EQ(item.accessTime, dosUtc);
  EXPECT_EQ(item.creationTime, dosUtc);

  ASSERT_EQ(a.zip->GetItem(1, &item), ZR_OK);
  EXPECT_EQ(Name(item), "etc/x");
  EXPECT_EQ(item.attributes, kZipAttrArchive | kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem);

  ASSERT_EQ(a.zip->GetItem(2, &item), ZR_OK);
  EXPECT_EQ(Name(item), "sub/dir/");
  EXPECT_EQ(item.attributes, kZipAttrDirectory | kZipAttrArchive);

  // A "UT" block with flags 1 changes the write time only.
  ASSERT_EQ(a.zip->GetItem(3, &item), ZR_OK);
  EXPECT_EQ(Name(item), "c");
  EXPECT_EQ(item.writeTime, UnixTimeToFileTime(946684800));
  EXPECT_EQ(item.accessTime, dosUtc);
  EXPECT_EQ(item.creationTime, dosUtc);
}

TEST(ZipArchive, ZeroDosTimeGivesNoTimes) {
  TestEntry e = Entry("a.txt", "a");
  e.dosDateTime = 0;
  Archive a(BuildZip({e}));
  ZipItem item;
  ASSERT_EQ(a.zip->GetItem(0, &item), ZR_OK);
  EXPECT_EQ(item.writeTime, 0u);
  EXPECT_EQ(item.accessTime, 0u);
}

TEST(ZipArchive, NamesThatCantBeUsed) {
  TestEntry longest = Entry(std::string(259, 'n'), "x");
  TestEntry tooLong = Entry(std::string(260, 'm'), "y");
  TestEntry withZero = Entry(std::string("evil\0.txt", 9), "z");
  Archive a(BuildZip({longest, tooLong, withZero}));
  const ZipEntry* entry = nullptr;
  ASSERT_EQ(a.zip->GetEntry(0, &entry), ZR_OK);
  EXPECT_TRUE(entry->nameUsable);
  EXPECT_EQ(Name(entry->item), std::string(259, 'n'));
  for (int i : {1, 2}) {
    ASSERT_EQ(a.zip->GetEntry(i, &entry), ZR_OK);
    EXPECT_FALSE(entry->nameUsable);
    EXPECT_EQ(entry->item.name[0], 0);
    EXPECT_EQ(entry->item.uncompressedSize, 1);  // the rest of the record is there
  }
}

TEST(ZipArchive, CachesOneRecordAndRewinds) {
  Archive a(BuildZip({Entry("a", "1"), Entry("b", "22"), Entry("c", "333"), Entry("d", "4")}));
  ZipItem item;
  ASSERT_EQ(a.zip->GetItem(2, &item), ZR_OK);
  EXPECT_EQ(Name(item), "c");
  const int reads = g_reads;
  ASSERT_EQ(a.zip->GetItem(2, &item), ZR_OK);  // from the cache: no reading at all
  EXPECT_EQ(g_reads, reads);
  EXPECT_EQ(Name(item), "c");
  // Backwards: from the first entry again.
  ASSERT_EQ(a.zip->GetItem(0, &item), ZR_OK);
  EXPECT_EQ(Name(item), "a");
  ASSERT_EQ(a.zip->GetItem(3, &item), ZR_OK);
  EXPECT_EQ(Name(item), "d");
  ASSERT_EQ(a.zip->GetItem(1, &item), ZR_OK);
  EXPECT_EQ(Name(item), "b");
  // The data of a cached entry comes from that entry, wherever minizip stood.
  StringSink sink;
  ASSERT_EQ(a.zip->GetItem(2, &item), ZR_OK);
  ASSERT_EQ(a.zip->GetItem(3, &item), ZR_OK);
  ASSERT_EQ(a.zip->ReadEntry(2, nullptr, &sink), ZR_OK);
  EXPECT_EQ(sink.bytes, "333");
}

TEST(ZipArchive, DamagedHeaders) {
  TestEntry mismatch = Entry("mismatch", "data");
  mismatch.localCrcDiffers = true;
  TestEntry extraGone = Entry("extra", "data");
  extraGone.localExtraLength = 60000;  // past the end of the archive
  Archive a(BuildZip({Entry("good", "ok"), mismatch, extraGone, Entry("after", "fine")}));
  ASSERT_NE(a.zip, nullptr);
  ZipItem item;
  EXPECT_EQ(a.zip->GetItem(1, &item), ZR_CORRUPT);
  StringSink sink;
  EXPECT_EQ(a.zip->ReadEntry(1, nullptr, &sink), ZR_CORRUPT);
  EXPECT_EQ(a.zip->GetItem(2, &item), ZR_READ);
  // The reader stays usable, before and after.
  ASSERT_EQ(a.zip->GetItem(3, &item), ZR_OK);
  EXPECT_EQ(Name(item), "after");
  ASSERT_EQ(a.zip->ReadEntry(0, nullptr, &sink), ZR_OK);
  EXPECT_EQ(sink.bytes, "ok");
}

TEST(ZipArchive, ReadsStoredAndDeflatedData) {
  const std::string big = Pattern(100000);  // several transfers
  Archive a(BuildZip({Entry("stored", big), Entry("deflated", big, 8), Entry("small", "x", 8)}));
  for (int i = 0; i < 2; ++i) {
    StringSink sink;
    ASSERT_EQ(a.zip->ReadEntry(i, nullptr, &sink), ZR_OK) << i;
    EXPECT_TRUE(sink.bytes == big) << i;
    EXPECT_GE(sink.writes, static_cast<int>(big.size() / CZipArchive::kTransferSize)) << i;
  }
  StringSink sink;
  ASSERT_EQ(a.zip->ReadEntry(2, nullptr, &sink), ZR_OK);
  EXPECT_EQ(sink.bytes, "x");
}

TEST(ZipArchive, EmptyEntrySucceeds) {
  Archive a(BuildZip({Entry("empty.txt"), Entry("empty-deflated", "", 8)}));
  for (int i = 0; i < 2; ++i) {
    StringSink sink;
    EXPECT_EQ(a.zip->ReadEntry(i, nullptr, &sink), ZR_OK) << i;
    EXPECT_EQ(sink.bytes, "") << i;
  }
}

TEST(ZipArchive, BadDataNeverSucceeds) {
  const std::string data = Pattern(40000);
  TestEntry badCrc = Entry("crc", data, 8);
  badCrc.badCrc = true;
  TestEntry storedCrc = Entry("stored-crc", "abc");
  storedCrc.badCrc = true;
  TestEntry truncated = Entry("truncated", data, 8);
  truncated.keepDataBytes = 100;
  TestEntry endsEarly = Entry("ends-early", data, 8);
  endsEarly.declaredSize = 50000;  // more than the deflate stream gives
  TestEntry bzip2 = Entry("bzip2", "BZh9 whatever");
  bzip2.method = 12;
  Archive a(BuildZip({badCrc, storedCrc, truncated, endsEarly, bzip2}));
  ASSERT_NE(a.zip, nullptr);
  for (int i = 0; i < 5; ++i) {
    StringSink sink;
    EXPECT_EQ(a.zip->ReadEntry(i, nullptr, &sink), ZR_FLATE) << i;
  }
}

TEST(ZipArchive, SinkFailureIsAWriteError) {
  Archive a(BuildZip({Entry("big", Pattern(50000), 8)}));
  StringSink sink(20000);
  EXPECT_EQ(a.zip->ReadEntry(0, nullptr, &sink), ZR_WRITE);
  // The entry can be read again afterwards.
  StringSink again;
  EXPECT_EQ(a.zip->ReadEntry(0, nullptr, &again), ZR_OK);
  EXPECT_EQ(again.bytes.size(), 50000u);
}

TEST(ZipArchive, EncryptedEntries) {
  TestEntry stored = Entry("stored", "secret text");
  stored.password = "pw";
  TestEntry deflated = Entry("deflated", Pattern(30000), 8);
  deflated.password = "pw";
  TestEntry descriptor = Entry("descriptor", "with a data descriptor flag");
  descriptor.password = "pw";
  descriptor.flags = 8;
  Archive a(BuildZip({stored, deflated, descriptor, Entry("plain", "not encrypted")}));
  for (int i = 0; i < 3; ++i) {
    StringSink none;
    EXPECT_EQ(a.zip->ReadEntry(i, nullptr, &none), ZR_PASSWORD) << i;
    EXPECT_EQ(none.writes, 0) << i;
    StringSink wrong;
    EXPECT_EQ(a.zip->ReadEntry(i, "wrong", &wrong), ZR_PASSWORD) << i;
    StringSink right;
    ASSERT_EQ(a.zip->ReadEntry(i, "pw", &right), ZR_OK) << i;
  }
  StringSink sink;
  ASSERT_EQ(a.zip->ReadEntry(0, "pw", &sink), ZR_OK);
  EXPECT_EQ(sink.bytes, "secret text");
  // A password given for an entry that isn't encrypted leaves its data alone.
  StringSink plain;
  ASSERT_EQ(a.zip->ReadEntry(3, "pw", &plain), ZR_OK);
  EXPECT_EQ(plain.bytes, "not encrypted");
}

TEST(ZipArchive, DamagedEncryptedEntries) {
  const std::string data = Pattern(30000);
  TestEntry badCrc = Entry("crc", data, 8);
  badCrc.password = "pw";
  badCrc.badCrc = true;
  badCrc.flags = 8;  // the check byte comes from the time, so only the CRC is wrong
  TestEntry truncated = Entry("truncated", data, 8);
  truncated.password = "pw";
  truncated.keepDataBytes = 500;
  TestEntry longer = Entry("longer", "stored and encrypted");
  longer.password = "pw";
  longer.declaredSize = 5;  // the data gives more than the entry declares
  longer.flags = 8;
  Archive a(BuildZip({badCrc, truncated, longer}));
  ASSERT_NE(a.zip, nullptr);
  for (int i = 0; i < 3; ++i) {
    StringSink sink;
    EXPECT_EQ(a.zip->ReadEntry(i, "pw", &sink), ZR_FLATE) << i;
  }
}
