#include "ZipBuilder.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace ziptest {

namespace {

void Put16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint32_t Get32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}

uint32_t Get16(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8);
}

std::string Deflate(const std::string& data) {
  z_stream z = {};
  if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

// The traditional PKWARE stream cipher, as the format's application note gives it.
class Cipher {
 public:
  explicit Cipher(const std::string& password) {
    for (char c : password) Update(static_cast<uint8_t>(c));
  }
  uint8_t Encrypt(uint8_t plain) {
    const uint32_t t = (keys_[2] & 0xFFFF) | 2;
    const uint8_t c = static_cast<uint8_t>(plain ^ ((t * (t ^ 1)) >> 8));
    Update(plain);
    return c;
  }

 private:
  static uint32_t Crc(uint32_t crc, uint8_t b) {
    uint32_t c = (crc ^ b) & 0xFF;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    return c ^ (crc >> 8);
  }
  void Update(uint8_t b) {
    keys_[0] = Crc(keys_[0], b);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = Crc(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
  }
  uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

}  // namespace

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times) {
  std::string out = "UT";
  Put16(&out, static_cast<uint32_t>(1 + 4 * times.size()));
  out.push_back(static_cast<char>(flags));
  for (int32_t t : times) Put32(&out, static_cast<uint32_t>(t));
  return out;
}

std::string BuildZip(const std::vector<TestEntry>& entries) {
  std::string archive;
  std::string central;
  for (const TestEntry& e : entries) {
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    if (e.badCrc) crc += 1;
    std::string stored = e.method == 8 ? Deflate(e.data) : e.data;
    uint16_t flags = e.flags;
    if (!e.password.empty()) {
      flags |= 1;
      std::string header = "0123456789A";  // fixed "random" bytes: the tests are repeatable
      header.push_back(static_cast<char>((flags & 8) ? (e.dosDateTime >> 8) & 0xFF : crc >> 24));
      Cipher cipher(e.password);
      std::string encrypted;
      for (char c : header + stored) {
        encrypted.push_back(static_cast<char>(cipher.Encrypt(static_cast<uint8_t>(c))));
      }
      stored = encrypted;
    }
    const uint32_t compressedSize = static_cast<uint32_t>(stored.size());
    const uint32_t size = e.declaredSize >= 0 ? static_cast<uint32_t>(e.declaredSize)
                                              : static_cast<uint32_t>(e.data.size());
    if (e.keepDataBytes >= 0 && static_cast<size_t>(e.keepDataBytes) < stored.size()) {
      stored.resize(static_cast<size_t>(e.keepDataBytes));
    }
    const uint32_t offset = static_cast<uint32_t>(archive.size());

    Put32(&archive, 0x04034b50);
    Put16(&archive, 20);
    Put16(&archive, flags);
    Put16(&archive, e.method);
    Put32(&archive, e.dosDateTime);  // time in the low half comes first, as stored
    Put32(&archive, e.localCrcDiffers ? crc ^ 0x5A5A5A5Au : crc);
    Put32(&archive, compressedSize);
    Put32(&archive, size);
    Put16(&archive, static_cast<uint32_t>(e.name.size()));
    Put16(&archive, e.localExtraLength >= 0 ? static_cast<uint32_t>(e.localExtraLength)
                                            : static_cast<uint32_t>(e.localExtra.size()));
    archive += e.name;
    archive += e.localExtra;
    archive += stored;

    Put32(&central, 0x02014b50);
    Put16(&central, e.versionMadeBy);
    Put16(&central, 20);
    Put16(&central, flags);
    Put16(&central, e.method);
    Put32(&central, e.dosDateTime);
    Put32(&central, crc);
    Put32(&central, compressedSize);
    Put32(&central, size);
    Put16(&central, static_cast<uint32_t>(e.name.size()));
    Put16(&central, static_cast<uint32_t>(e.centralExtra.size()));
    Put16(&central, 0);  // comment
    Put16(&central, 0);  // disk
    Put16(&central, 0);  // internal attributes
    Put32(&central, e.externalAttributes);
    Put32(&central, offset);
    central += e.name;
    central += e.centralExtra;
  }
  const uint32_t centralOffset = static_cast<uint32_t>(archive.size());
  archive += central;
  Put32(&archive, 0x06054b50);
  Put16(&archive, 0);
  Put16(&archive, 0);
  Put16(&archive, static_cast<uint32_t>(entries.size()));
  Put16(&archive, static_cast<uint32_t>(entries.size()));
  Put32(&archive, static_cast<uint32_t>(central.size()));
  Put32(&archive, centralOffset);
  Put16(&archive, 0);
  return archive;
}

std::string EncryptionHeaderOf(const std::string& archive, size_t entryIndex) {
  size_t at = 0;
  for (size_t i = 0; i < entryIndex; ++i) {
    at += 30 + Get16(archive, at + 26) + Get16(archive, at + 28) + Get32(archive, at + 18);
  }
  const size_t data = at + 30 + Get16(archive, at + 26) + Get16(archive, at + 28);
  return archive.substr(data, 12);
}

}  // namespace ziptest
