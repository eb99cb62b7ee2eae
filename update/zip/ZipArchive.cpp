#include "ZipArchive.h"

#include <climits>
#include <cstring>
#include <vector>

#include "ZipFields.h"
#include "ZipNames.h"

namespace qzip {

namespace {

int32_t CapSize(uint64_t size) {
  return size > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
}

uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

// An archive without entries is its end record alone (22 bytes and a comment). minizip finds
// no end record at offset 0, so it is recognised here.
bool IsEmptyArchive(const zlib_filefunc64_def& io, const void* stream) {
  const voidpf file =
      io.zopen64_file(io.opaque, stream, ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
  if (!file) return false;
  uint8_t end[22];
  bool empty = false;
  if (io.zseek64_file(io.opaque, file, 0, ZLIB_FILEFUNC_SEEK_END) == 0) {
    const ZPOS64_T size = io.ztell64_file(io.opaque, file);
    empty = size >= sizeof end &&
            io.zseek64_file(io.opaque, file, 0, ZLIB_FILEFUNC_SEEK_SET) == 0 &&
            io.zread_file(io.opaque, file, end, sizeof end) == sizeof end &&
            std::memcmp(end, "PK\x05\x06", 4) == 0 && Le16(end + 8) == 0 && Le16(end + 10) == 0 &&
            size == sizeof end + Le16(end + 20);
  }
  io.zclose_file(io.opaque, file);
  return empty;
}

}  // namespace

std::unique_ptr<CZipArchive> CZipArchive::Open(const zlib_filefunc64_def& io, const void* stream,
                                               LocalToUtcFunc localToUtc) {
  zlib_filefunc64_def funcs = io;  // minizip copies it, but wants it writable
  unzFile zip = unzOpen2_64(stream, &funcs);
  if (!zip) {
    if (!IsEmptyArchive(io, stream)) return nullptr;
    return std::unique_ptr<CZipArchive>(new CZipArchive(nullptr, 0, localToUtc));
  }
  unz_global_info64 info;
  if (unzGetGlobalInfo64(zip, &info) != UNZ_OK) {
    unzClose(zip);
    return nullptr;
  }
  const int count = info.number_entry > static_cast<ZPOS64_T>(INT_MAX)
                        ? INT_MAX
                        : static_cast<int>(info.number_entry);
  return std::unique_ptr<CZipArchive>(new CZipArchive(zip, count, localToUtc));
}

CZipArchive::CZipArchive(unzFile zip, int count, LocalToUtcFunc localToUtc)
    : zip_(zip), count_(count), localToUtc_(localToUtc), cached_() {}

CZipArchive::~CZipArchive() {
  if (zip_) unzClose(zip_);
}

ZipResult CZipArchive::GetItem(int index, ZipItem* item) {
  item->index = 0;
  item->name[0] = 0;
  item->uncompressedSize = 0;
  if (index < -1 || index >= count_) return ZR_ARGS;
  if (index == -1) {
    *item = ZipItem();
    item->index = count_;
    return ZR_OK;
  }
  const ZipEntry* entry = nullptr;
  const ZipResult result = GetEntry(index, &entry);
  if (result != ZR_OK) return result;
  *item = entry->item;
  return ZR_OK;
}

ZipResult CZipArchive::GetEntry(int index, const ZipEntry** entry) {
  if (index < 0 || index >= count_) return ZR_ARGS;
  if (index != cachedIndex_) {
    ZipResult result = MoveTo(index);
    if (result != ZR_OK) return result;
    ZipEntry built;
    result = BuildEntry(index, &built);
    if (result != ZR_OK) return result;
    cached_ = built;
    cachedIndex_ = index;
  }
  *entry = &cached_;
  return ZR_OK;
}

ZipResult CZipArchive::MoveTo(int index) {
  // The directory is walked forward only; a lower index starts again from the first entry.
  if (position_ < 0 || index < position_) {
    if (unzGoToFirstFile(zip_) != UNZ_OK) {
      position_ = -1;
      return ZR_CORRUPT;
    }
    position_ = 0;
  }
  while (position_ < index) {
    if (unzGoToNextFile(zip_) != UNZ_OK) {
      position_ = -1;
      return ZR_CORRUPT;
    }
    ++position_;
  }
  return ZR_OK;
}

ZipResult CZipArchive::BuildEntry(int index, ZipEntry* entry) {
  unz_file_info64 info;
  char name[kZipMaxPath];
  if (unzGetCurrentFileInfo64(zip_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return ZR_CORRUPT;
  }
  // minizip checks the local header against the central one when it opens the entry; raw,
  // so that nothing is decrypted or inflated yet.
  if (unzOpenCurrentFile2(zip_, nullptr, nullptr, 1) != UNZ_OK) return ZR_CORRUPT;
  const int extraSize = unzGetLocalExtrafield(zip_, nullptr, 0);
  std::vector<uint8_t> extra(extraSize > 0 ? static_cast<size_t>(extraSize) : 0);
  const int got = extra.empty() ? 0
                                : unzGetLocalExtrafield(zip_, extra.data(),
                                                        static_cast<unsigned>(extra.size()));
  unzCloseCurrentFile(zip_);
  if (extraSize < 0 || got != extraSize) return ZR_READ;

  ZipItem& item = entry->item;
  item = ZipItem();
  item.index = index;
  Utf16Char converted[kZipMaxPath];
  entry->nameUsable = ConvertEntryName(name, info.size_filename, converted);
  if (entry->nameUsable) {
    const Utf16Char* clean = SanitiseEntryName(converted);
    std::memcpy(item.name, clean, (Utf16Length(clean) + 1) * sizeof(Utf16Char));
  }
  item.attributes =
      MapAttributes(static_cast<uint32_t>(info.version), static_cast<uint32_t>(info.external_fa));
  item.compressedSize = CapSize(info.compressed_size);
  item.uncompressedSize = CapSize(info.uncompressed_size);

  // The DOS time is local time of wherever the archive was made, taken as ours.
  const uint64_t local = DosDateTimeToFileTime(static_cast<uint32_t>(info.dosDate));
  const uint64_t utc = local != 0 ? localToUtc_(local) : 0;
  item.accessTime = utc;
  item.creationTime = utc;
  item.writeTime = utc;
  ExtendedTimestamp stamp;
  if (ReadExtendedTimestamp(extra.data(), extra.size(), &stamp)) {
    if (stamp.hasWrite) item.writeTime = stamp.writeTime;
    if (stamp.hasAccess) item.accessTime = stamp.accessTime;
    if (stamp.hasCreation) item.creationTime = stamp.creationTime;
  }

  entry->method = static_cast<uint32_t>(info.compression_method);
  entry->flags = static_cast<uint32_t>(info.flag);
  entry->crc = static_cast<uint32_t>(info.crc);
  entry->dosDateTime = static_cast<uint32_t>(info.dosDate);
  entry->size = info.uncompressed_size;
  return ZR_OK;
}

ZipResult CZipArchive::ReadEntry(int index, const char* password, CZipSink* sink) {
  const ZipEntry* entry = nullptr;
  ZipResult result = GetEntry(index, &entry);
  if (result != ZR_OK) return result;
  result = MoveTo(index);  // a cached record doesn't move minizip there
  if (result != ZR_OK) return result;
  // Only stored and deflated data: minizip would hand out other methods' bytes unconverted
  // (bzip2) or run inflate on a stream it never set up.
  if (entry->method != 0 && entry->method != Z_DEFLATED) return ZR_FLATE;
  if (!buffer_) buffer_.reset(new uint8_t[kTransferSize]);
  if (entry->flags & 1) return ReadEncrypted(*entry, password, sink);
  return ReadPlain(sink);
}

ZipResult CZipArchive::ReadPlain(CZipSink* sink) {
  if (unzOpenCurrentFile(zip_) != UNZ_OK) return ZR_FLATE;
  ZipResult result = ZR_OK;
  for (;;) {
    const int got = unzReadCurrentFile(zip_, buffer_.get(), static_cast<unsigned>(kTransferSize));
    if (got < 0) {
      result = ZR_FLATE;
      break;
    }
    if (got == 0) {
      // Nothing more: either all the entry's bytes came, or its data ended early.
      if (unzeof(zip_) != 1) result = ZR_FLATE;
      break;
    }
    if (!sink->Write(buffer_.get(), static_cast<size_t>(got))) {
      result = ZR_WRITE;
      break;
    }
  }
  // Closing compares the CRC once every byte was read.
  const int closed = unzCloseCurrentFile(zip_);
  if (result == ZR_OK && closed != UNZ_OK) result = ZR_FLATE;
  return result;
}

// Encrypted entries are decrypted here rather than by minizip, which some builds (Debian's
// among them) leave without decryption: minizip hands out the stored bytes, this decrypts,
// inflates and checks them, the same on every platform.
ZipResult CZipArchive::ReadEncrypted(const ZipEntry& entry, const char* password, CZipSink* sink) {
  if (!password) return ZR_PASSWORD;
  if (unzOpenCurrentFile2(zip_, nullptr, nullptr, 1) != UNZ_OK) return ZR_FLATE;
  CCryptDecoder decoder(password);
  uint8_t header[kCryptHeaderSize];
  ZipResult result = ZR_OK;
  if (unzReadCurrentFile(zip_, header, sizeof header) != static_cast<int>(sizeof header)) {
    result = ZR_FLATE;
  } else {
    decoder.Decrypt(header, sizeof header);
    if (header[kCryptHeaderSize - 1] != CryptCheckByte(entry.crc, entry.dosDateTime, entry.flags)) {
      result = ZR_PASSWORD;
    }
  }
  const bool deflated = entry.method == Z_DEFLATED;
  z_stream z = {};
  if (result == ZR_OK && deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) result = ZR_FLATE;
  if (result == ZR_OK && deflated && !input_) input_.reset(new uint8_t[kTransferSize]);

  uint64_t left = entry.size;  // bytes the entry still has to give
  uLong crc = crc32(0, nullptr, 0);
  bool ended = !deflated;  // a deflate stream must reach its end
  // Checks and passes on `n` bytes of output.
  auto put = [&](const uint8_t* data, size_t n) {
    if (n > left) return ZR_FLATE;  // more than the entry declares
    left -= n;
    crc = crc32(crc, data, static_cast<uInt>(n));
    return n == 0 || sink->Write(data, n) ? ZR_OK : ZR_WRITE;
  };
  while (result == ZR_OK) {
    uint8_t* in = deflated ? input_.get() : buffer_.get();
    const int got = unzReadCurrentFile(zip_, in, static_cast<unsigned>(kTransferSize));
    if (got < 0) result = ZR_FLATE;
    if (got <= 0) break;
    decoder.Decrypt(in, static_cast<size_t>(got));
    if (!deflated) {
      result = put(in, static_cast<size_t>(got));
      continue;
    }
    z.next_in = in;
    z.avail_in = static_cast<uInt>(got);
    while (result == ZR_OK && !ended && (z.avail_in > 0 || z.avail_out == 0)) {
      z.next_out = buffer_.get();
      z.avail_out = static_cast<uInt>(kTransferSize);
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) result = ZR_FLATE;
      if (result == ZR_OK) result = put(buffer_.get(), kTransferSize - z.avail_out);
      ended = rc == Z_STREAM_END;
      if (rc == Z_BUF_ERROR) break;  // wants more input
    }
  }
  if (deflated) inflateEnd(&z);
  if (result == ZR_OK && (!ended || left != 0 || static_cast<uint32_t>(crc) != entry.crc)) {
    result = ZR_FLATE;
  }
  unzCloseCurrentFile(zip_);
  return result;
}

}  // namespace qzip
