// Builds ZIP archives in memory, field by field, for the tests: names as raw bytes, any host
// number and attributes, extra fields, traditional encryption, and damage on request. An
// archive made here is checked against minizip's reading of it, so it is written from the
// format's own description, not from the code under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

// DOS date and time fields (date in the high 16 bits) of a calendar time.
uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);

// A "UT" extra block with the given flags and the times that follow them.
std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times);

struct TestEntry {
  std::string name;  // stored bytes, as they are
  std::string data;
  uint16_t method = 0;  // 0 stored, 8 deflated here; other values store the data as it is
  uint16_t versionMadeBy = 0x0314;               // Unix host (3), format 2.0
  uint32_t externalAttributes = 0100644u << 16;  // rw-r--r--
  uint32_t dosDateTime = DosDateTime(2021, 6, 15, 10, 30, 44);
  uint16_t flags = 0;
  std::string localExtra;
  std::string centralExtra;
  std::string password;  // not empty: traditional PKWARE encryption with this password

  // Damage.
  bool badCrc = false;            // the CRC in both headers is off by one
  bool localCrcDiffers = false;   // the local header's CRC disagrees with the central one
  int64_t keepDataBytes = -1;     // cut the stored data to this many bytes (sizes unchanged)
  int32_t localExtraLength = -1;  // the local header claims this extra length instead
  int64_t declaredSize = -1;      // the uncompressed size both headers declare
};

std::string BuildZip(const std::vector<TestEntry>& entries);

// The first 12 bytes of a stored encrypted entry's data in an archive built above, for
// checking the password test on its own.
std::string EncryptionHeaderOf(const std::string& archive, size_t entryIndex);

}  // namespace ziptest
