// The fields of an entry that become decisions: Windows attributes from the host number and
// external attributes, file times from the DOS time and the "UT" extra block, and the check of
// a password against the header of a traditionally encrypted entry. Portable, tested natively
// and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qzip {

// 100-ns ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ULL;
constexpr uint64_t kTicksPerSecond = 10000000ULL;

// Windows attribute bits (kZipAttr*) of an entry. `versionMadeBy` is the central header's
// field, whose high byte is the host: FAT, VFAT, NTFS and Macintosh hosts (0, 14, 11, 7) keep
// DOS attribute bits in the low byte of `externalAttributes`; every other host is read as
// Unix, whose mode sits in the high 16 bits.
uint32_t MapAttributes(uint32_t versionMadeBy, uint32_t externalAttributes);

// The DOS date (high 16 bits) and time (low 16 bits) as a file time of the same calendar
// time, not yet moved from local time to UTC. 0 when the fields name no valid date and time
// (month 0, day 31 of a short month, second 60, ...).
uint64_t DosDateTimeToFileTime(uint32_t dosDateTime);

// The calendar time as a file time; 0 when it is out of range. Months and days from 1.
uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second);

// A Unix time (seconds since 1970, signed 32-bit as the "UT" block stores it) as a file time.
uint64_t UnixTimeToFileTime(int32_t seconds);

// The times an extended-timestamp ("UT") block gives, as file times.
struct ExtendedTimestamp {
  bool hasWrite = false;
  bool hasAccess = false;
  bool hasCreation = false;
  uint64_t writeTime = 0;
  uint64_t accessTime = 0;
  uint64_t creationTime = 0;
};

// Walks the blocks of a local extra field (2-byte tag, 2-byte little-endian size, data) from
// offset 0 while a block header starts before the end, and reads the first "UT" block: its
// flags byte, then for bits 0, 1 and 2 the write, access and creation time in that order.
// A time is taken only when all its bytes lie inside both the block and the field. False when
// there is no "UT" block or the field is 4 bytes or shorter.
bool ReadExtendedTimestamp(const uint8_t* field, size_t size, ExtendedTimestamp* out);

// Length of the header that starts the data of a traditionally (PKWARE) encrypted entry.
constexpr size_t kCryptHeaderSize = 12;

// Decrypts the data of a traditionally encrypted entry, header first, in one stream.
class CCryptDecoder {
 public:
  explicit CCryptDecoder(const char* password);
  void Decrypt(uint8_t* data, size_t size);

 private:
  void Update(uint8_t plain);
  uint32_t keys_[3];
};

// The byte the decrypted header ends in: the high byte of the CRC, or of the DOS time when
// the entry has a data descriptor (general-purpose flag bit 3). One byte: about one wrong
// password in 256 passes, and then fails on its data.
uint8_t CryptCheckByte(uint32_t crc, uint32_t dosDateTime, uint32_t flags);

// Whether `password` decrypts `header` to the expected check byte.
bool CryptPasswordMatches(const char* password, const uint8_t (&header)[kCryptHeaderSize],
                          uint32_t crc, uint32_t dosDateTime, uint32_t flags);

}  // namespace qzip
