#include "ZipFields.h"

#include <zlib.h>

#include <cstring>

#include "Zip.h"

namespace qzip {

namespace {

uint32_t ReadLe16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the given date of the proleptic Gregorian calendar.
int64_t DaysSince1601(int year, int month, int day) {
  // Counting years from March puts the leap day last, so the month lengths before any date
  // follow one formula.
  const int64_t y = month <= 2 ? year - 1 : year;
  const int64_t m = month <= 2 ? month + 9 : month - 3;
  const int64_t days = 365 * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
  const int64_t y1601 = 1600;  // 1601-01-01 is day 306 of the March-based year 1600
  const int64_t epoch = 365 * y1601 + y1601 / 4 - y1601 / 100 + y1601 / 400 + 306;
  return days - epoch;
}

uint32_t CryptCrc(uint32_t crc, uint8_t b) {
  static const z_crc_t* table = get_crc_table();
  return static_cast<uint32_t>(table[(crc ^ b) & 0xFF]) ^ (crc >> 8);
}

}  // namespace

uint32_t MapAttributes(uint32_t versionMadeBy, uint32_t externalAttributes) {
  const uint32_t host = versionMadeBy >> 8;
  bool readOnly = (externalAttributes & 0x00800000u) == 0;  // owner-write bit clear
  bool hidden = false;
  bool system = false;
  bool directory = (externalAttributes & 0x40000000u) != 0;  // S_IFDIR
  bool archive = true;
  if (host == 0 || host == 7 || host == 11 || host == 14) {
    readOnly = (externalAttributes & 0x01) != 0;
    hidden = (externalAttributes & 0x02) != 0;
    system = (externalAttributes & 0x04) != 0;
    directory = (externalAttributes & 0x10) != 0;
    archive = (externalAttributes & 0x20) != 0;
  }
  return (directory ? kZipAttrDirectory : 0) | (archive ? kZipAttrArchive : 0) |
         (hidden ? kZipAttrHidden : 0) | (readOnly ? kZipAttrReadOnly : 0) |
         (system ? kZipAttrSystem : 0);
}

uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    return 0;
  }
  const int64_t seconds =
      DaysSince1601(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return static_cast<uint64_t>(seconds) * kTicksPerSecond;
}

uint64_t DosDateTimeToFileTime(uint32_t dosDateTime) {
  const uint32_t date = dosDateTime >> 16;
  const uint32_t time = dosDateTime & 0xFFFF;
  return CalendarToFileTime(static_cast<int>((date >> 9) + 1980),
                            static_cast<int>((date >> 5) & 15), static_cast<int>(date & 31),
                            static_cast<int>((time >> 11) & 31), static_cast<int>((time >> 5) & 63),
                            static_cast<int>((time & 31) * 2));
}

uint64_t UnixTimeToFileTime(int32_t seconds) {
  // The earliest 32-bit time (1901) still lies well after 1601: the sum is never negative.
  return static_cast<uint64_t>(static_cast<int64_t>(seconds) + 11644473600LL) * kTicksPerSecond;
}

bool ReadExtendedTimestamp(const uint8_t* field, size_t size, ExtendedTimestamp* out) {
  *out = ExtendedTimestamp();
  if (size <= 4) return false;
  size_t offset = 0;
  while (offset + 4 < size) {
    const uint32_t tag = ReadLe16(field + offset);
    const size_t dataSize = ReadLe16(field + offset + 2);
    const size_t data = offset + 4;
    if (tag == 0x5455) {  // "UT"
      const size_t end = data + dataSize < size ? data + dataSize : size;
      if (dataSize == 0) return true;  // a block without even its flags: no times
      const uint8_t flags = field[data];
      size_t p = data + 1;
      auto take = [&](bool* has, uint64_t* time) {
        if (p + 4 > end) return false;
        *time = UnixTimeToFileTime(static_cast<int32_t>(ReadLe32(field + p)));
        *has = true;
        p += 4;
        return true;
      };
      // Each time follows the ones before it: a missing one ends the block.
      if ((flags & 1) && !take(&out->hasWrite, &out->writeTime)) return true;
      if ((flags & 2) && !take(&out->hasAccess, &out->accessTime)) return true;
      if ((flags & 4) && !take(&out->hasCreation, &out->creationTime)) return true;
      return true;
    }
    offset = data + dataSize;
  }
  return false;
}

CCryptDecoder::CCryptDecoder(const char* password) : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
  for (const char* p = password; *p; ++p) Update(static_cast<uint8_t>(*p));
}

void CCryptDecoder::Update(uint8_t plain) {
  keys_[0] = CryptCrc(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = CryptCrc(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

void CCryptDecoder::Decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const uint32_t t = (keys_[2] & 0xFFFF) | 2;
    data[i] = static_cast<uint8_t>(data[i] ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
    Update(data[i]);
  }
}

uint8_t CryptCheckByte(uint32_t crc, uint32_t dosDateTime, uint32_t flags) {
  return (flags & 0x08) ? static_cast<uint8_t>((dosDateTime >> 8) & 0xFF)
                        : static_cast<uint8_t>(crc >> 24);
}

bool CryptPasswordMatches(const char* password, const uint8_t (&header)[kCryptHeaderSize],
                          uint32_t crc, uint32_t dosDateTime, uint32_t flags) {
  uint8_t plain[kCryptHeaderSize];
  std::memcpy(plain, header, sizeof plain);
  CCryptDecoder decoder(password);
  decoder.Decrypt(plain, sizeof plain);
  return plain[kCryptHeaderSize - 1] == CryptCheckByte(crc, dosDateTime, flags);
}

}  // namespace qzip
