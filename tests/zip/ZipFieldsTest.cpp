// Attributes, DOS and "UT" times, and the password check of encrypted entries.
#include <gtest/gtest.h>

#include <string>

#include "Zip.h"
#include "ZipBuilder.h"
#include "ZipFields.h"

using namespace qzip;

namespace {

constexpr uint32_t kUnix = 3 << 8;
constexpr uint32_t kFat = 0 << 8;

// File time of a UTC calendar time, for expectations: days counted by hand from 2000-01-01
// (file time 125911584000000000).
uint64_t Ticks2000(int64_t days, int64_t seconds) {
  return 125911584000000000ULL + static_cast<uint64_t>(days * 86400 + seconds) * 10000000ULL;
}

}  // namespace

TEST(ZipFields, UnixHostAttributes) {
  // rw-r--r-- file: archive only.
  EXPECT_EQ(MapAttributes(kUnix | 30, 0100644u << 16), kZipAttrArchive);
  // r--r--r--: read-only.
  EXPECT_EQ(MapAttributes(kUnix | 30, 0100444u << 16), kZipAttrArchive | kZipAttrReadOnly);
  // A folder, owner-writable.
  EXPECT_EQ(MapAttributes(kUnix | 30, (040755u << 16) | 0x10), kZipAttrDirectory | kZipAttrArchive);
  // DOS bits in the low byte mean nothing on a Unix host: never hidden or system.
  EXPECT_EQ(MapAttributes(kUnix | 30, (0100644u << 16) | 0x07), kZipAttrArchive);
  // No mode at all reads as not owner-writable.
  EXPECT_EQ(MapAttributes(kUnix | 20, 0), kZipAttrArchive | kZipAttrReadOnly);
  // Unknown hosts are read as Unix too.
  EXPECT_EQ(MapAttributes(19u << 8, 0100600u << 16), kZipAttrArchive);
}

TEST(ZipFields, DosHostAttributes) {
  for (uint32_t host : {0u, 7u, 11u, 14u}) {
    EXPECT_EQ(MapAttributes(host << 8, 0x27),
              kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem | kZipAttrArchive)
        << host;
    EXPECT_EQ(MapAttributes(host << 8, 0x10), kZipAttrDirectory) << host;
    // Archive only when its bit says so; the high bits don't count.
    EXPECT_EQ(MapAttributes(host << 8, 0xFFFF0000u), 0u) << host;
  }
  EXPECT_EQ(MapAttributes(kFat | 20, 0x01), kZipAttrReadOnly);
}

TEST(ZipFields, DosTimes) {
  // 2021-06-15 10:30:44: 7836 days after 2000-01-01.
  const uint32_t dos = ziptest::DosDateTime(2021, 6, 15, 10, 30, 44);
  EXPECT_EQ(DosDateTimeToFileTime(dos), Ticks2000(7836, 10 * 3600 + 30 * 60 + 44));
  EXPECT_EQ(DosDateTimeToFileTime(ziptest::DosDateTime(1980, 1, 1, 0, 0, 0)), Ticks2000(-7305, 0));
  // Leap days, the last DOS year.
  EXPECT_EQ(DosDateTimeToFileTime(ziptest::DosDateTime(2000, 2, 29, 23, 59, 58)),
            Ticks2000(59, 86398));
  EXPECT_NE(DosDateTimeToFileTime(ziptest::DosDateTime(2107, 12, 31, 0, 0, 0)), 0u);
  // Fields that name no time give none.
  EXPECT_EQ(DosDateTimeToFileTime(0), 0u);  // month 0, day 0
  EXPECT_EQ(DosDateTimeToFileTime(ziptest::DosDateTime(2021, 2, 29, 0, 0, 0)), 0u);
  EXPECT_EQ(DosDateTimeToFileTime(ziptest::DosDateTime(2021, 13, 1, 0, 0, 0)), 0u);
  EXPECT_EQ(DosDateTimeToFileTime((ziptest::DosDateTime(2021, 6, 15, 0, 0, 0) & ~0xFFFFu) | 31),
            0u);  // second 62
  EXPECT_EQ(DosDateTimeToFileTime(ziptest::DosDateTime(2021, 6, 15, 24, 0, 0)), 0u);
  EXPECT_EQ(DosDateTimeToFileTime(ziptest::DosDateTime(2021, 6, 15, 0, 60, 0)), 0u);
}

TEST(ZipFields, ExtendedTimestampBlocks) {
  auto read = [](const std::string& field, ExtendedTimestamp* t) {
    return ReadExtendedTimestamp(reinterpret_cast<const uint8_t*>(field.data()), field.size(), t);
  };
  ExtendedTimestamp t;
  ASSERT_TRUE(read(ziptest::UtBlock(7, {946684800, 946684801, 946684802}), &t));
  EXPECT_TRUE(t.hasWrite && t.hasAccess && t.hasCreation);
  EXPECT_EQ(t.writeTime, Ticks2000(0, 0));
  EXPECT_EQ(t.accessTime, Ticks2000(0, 1));
  EXPECT_EQ(t.creationTime, Ticks2000(0, 2));

  // Times before 1970 are negative; the earliest still lies well after 1601.
  ASSERT_TRUE(read(ziptest::UtBlock(1, {INT32_MIN}), &t));
  EXPECT_EQ(t.writeTime, kUnixEpochTicks - 2147483648ULL * kTicksPerSecond);

  // Flags 1: the write time only.
  ASSERT_TRUE(read(ziptest::UtBlock(1, {946684800}), &t));
  EXPECT_TRUE(t.hasWrite);
  EXPECT_FALSE(t.hasAccess || t.hasCreation);

  // Flags 4 alone: the value is the creation time.
  ASSERT_TRUE(read(ziptest::UtBlock(4, {946684800}), &t));
  EXPECT_TRUE(t.hasCreation && !t.hasWrite && !t.hasAccess);

  // Found after other blocks; only the first "UT" block counts.
  const std::string other = std::string("\x0b\x00\x03\x00", 4) + "abc";
  ASSERT_TRUE(read(other + ziptest::UtBlock(1, {1}) + ziptest::UtBlock(1, {2}), &t));
  EXPECT_EQ(t.writeTime, UnixTimeToFileTime(1));

  // A central-directory style block: flags promise three times, the block holds one.
  std::string central = ziptest::UtBlock(7, {946684800});
  ASSERT_TRUE(read(central, &t));
  EXPECT_TRUE(t.hasWrite && !t.hasAccess && !t.hasCreation);

  // A block that claims more data than the field has: times inside the field still count.
  std::string cut = ziptest::UtBlock(3, {5, 6});
  cut[2] = 100;
  ASSERT_TRUE(read(cut, &t));
  EXPECT_TRUE(t.hasWrite && t.hasAccess);
  cut.resize(cut.size() - 2);  // the access time is cut short
  ASSERT_TRUE(read(cut, &t));
  EXPECT_TRUE(t.hasWrite && !t.hasAccess);

  // No "UT" block, or a field of 4 bytes or less.
  EXPECT_FALSE(read(other, &t));
  EXPECT_FALSE(read(std::string("UT\x00\x00", 4), &t));
  EXPECT_FALSE(read("", &t));
  // A block whose size runs past the end stops the walk.
  EXPECT_FALSE(read(std::string("ab\xff\xff", 4) + ziptest::UtBlock(1, {1}), &t));
}

TEST(ZipFields, PasswordCheckByte) {
  // Made by Info-ZIP "zip -P secret": it writes a data descriptor (flag bit 3), so the check
  // byte is the high byte of the DOS time, not of the CRC.
  const uint8_t header[kCryptHeaderSize] = {0xAD, 0x35, 0x9F, 0x39, 0xAE, 0xE6,
                                            0x34, 0x6F, 0xC7, 0xAD, 0x05, 0x18};
  const uint32_t crc = 0x0C41525D;
  const uint32_t dosDateTime = 0x52CF53D6;
  EXPECT_TRUE(CryptPasswordMatches("secret", header, crc, dosDateTime, 0x9));
  EXPECT_FALSE(CryptPasswordMatches("Secret", header, crc, dosDateTime, 0x9));
  EXPECT_FALSE(CryptPasswordMatches("", header, crc, dosDateTime, 0x9));
  EXPECT_FALSE(CryptPasswordMatches("secret", header, crc, dosDateTime, 0x1));

  // Without a data descriptor the CRC's high byte is checked.
  ziptest::TestEntry e;
  e.name = "x";
  e.data = "data";
  e.password = "pw";
  const std::string archive = ziptest::BuildZip({e});
  const std::string h = ziptest::EncryptionHeaderOf(archive, 0);
  uint8_t bytes[kCryptHeaderSize];
  std::copy(h.begin(), h.end(), bytes);
  const uint32_t dataCrc = 0xADF3F363;  // CRC-32 of "data"
  EXPECT_TRUE(CryptPasswordMatches("pw", bytes, dataCrc, e.dosDateTime, 1));
  EXPECT_FALSE(CryptPasswordMatches("px", bytes, dataCrc, e.dosDateTime, 1));
}
