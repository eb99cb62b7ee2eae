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

}  // namespace

std::unique_ptr<CZipArchive> CZipArchive::Open(const zlib_filefunc64_def& io, const void* stream,
                                               LocalToUtcFunc localToUtc) {
  zlib_filefunc64_def funcs = io;  // minizip copies it, but wants it writable
  unzFile zip = unzOpen2_64(stream, &funcs);
  if (!zip) return nullptr;
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

CZipArchive::~CZipArchive() { unzClose(zip_); }

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

ZipResult CZipArchive::CheckPassword(const ZipEntry& entry, const char* password) {
  if (!password) return ZR_PASSWORD;
  // The encryption header is the first 12 bytes of the stored data: read them raw.
  uint8_t header[kCryptHeaderSize];
  if (unzOpenCurrentFile2(zip_, nullptr, nullptr, 1) != UNZ_OK) return ZR_FLATE;
  const int got = unzReadCurrentFile(zip_, header, sizeof header);
  unzCloseCurrentFile(zip_);
  if (got != static_cast<int>(sizeof header)) return ZR_FLATE;
  return CryptPasswordMatches(password, header, entry.crc, entry.dosDateTime, entry.flags)
             ? ZR_OK
             : ZR_PASSWORD;
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
  const bool encrypted = (entry->flags & 1) != 0;
  if (encrypted) {
    result = CheckPassword(*entry, password);
    if (result != ZR_OK) return result;
  }
  if (!buffer_) buffer_.reset(new uint8_t[kTransferSize]);
  // minizip decrypts whenever it gets a password, so an entry that isn't encrypted gets none.
  if (unzOpenCurrentFilePassword(zip_, encrypted ? password : nullptr) != UNZ_OK) return ZR_FLATE;
  for (;;) {
    const int got = unzReadCurrentFile(zip_, buffer_.get(), kTransferSize);
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

}  // namespace qzip
