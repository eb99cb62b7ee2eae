// The archive over minizip's unzip layer: walks the central directory, builds item records
// (with a one-entry cache) and reads an entry's inflated data into a sink. Portable: where the
// bytes come from is left to minizip's file-function hooks (an open Win32 file for the
// updater, memory for the fuzzer and the native tests), and where the data goes to the sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Zip.h"
#include "unzip.h"

namespace qzip {

// Moves a file time from local time to UTC (LocalFileTimeToFileTime on Windows).
typedef uint64_t (*LocalToUtcFunc)(uint64_t localFileTime);

// What the layer keeps of one entry: the caller's record and what reading its data needs.
struct ZipEntry {
  ZipItem item;
  // False when the stored name can't stand for a path (too long, or with a zero byte); the
  // record's name is then empty and the entry can't be extracted.
  bool nameUsable;
  uint32_t method;
  uint32_t flags;
  uint32_t crc;
  uint32_t dosDateTime;
  uint64_t size;  // uncompressed, in full
};

// Where an entry's data goes.
class CZipSink {
 public:
  virtual ~CZipSink() = default;
  // False when the bytes could not be taken (a write error).
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

class CZipArchive {
 public:
  // Data moves through one buffer of this size, allocated at the first read and kept.
  static constexpr size_t kTransferSize = 65536;

  // Reads the directory of the archive that `io` reaches; `stream` is what `io`'s open
  // function is given as the file name. Null when there is no readable ZIP directory.
  static std::unique_ptr<CZipArchive> Open(const zlib_filefunc64_def& io, const void* stream,
                                           LocalToUtcFunc localToUtc);
  ~CZipArchive();
  CZipArchive(const CZipArchive&) = delete;
  CZipArchive& operator=(const CZipArchive&) = delete;

  int Count() const { return count_; }

  // ZipGetItem: clears index, name and uncompressedSize of `item`, then fills it. Index -1
  // gives the entry count and an otherwise empty record.
  ZipResult GetItem(int index, ZipItem* item);

  // The entry at `index` (0 to Count()-1), served from the cache when it was the last one
  // built. The pointer stays valid until the next call on this archive.
  ZipResult GetEntry(int index, const ZipEntry** entry);

  // Writes the inflated data of entry `index` to `sink`. ZR_OK only when all of it was read
  // and its CRC matched. `password` (may be null) is used only when the entry is encrypted.
  ZipResult ReadEntry(int index, const char* password, CZipSink* sink);

 private:
  // `zip` is null for an archive without entries (see Open).
  CZipArchive(unzFile zip, int count, LocalToUtcFunc localToUtc);
  ZipResult MoveTo(int index);
  ZipResult BuildEntry(int index, ZipEntry* entry);
  ZipResult ReadPlain(CZipSink* sink);
  ZipResult ReadEncrypted(const ZipEntry& entry, const char* password, CZipSink* sink);

  unzFile zip_;
  int count_;
  int position_ = -1;  // minizip's current entry; -1 when unknown
  LocalToUtcFunc localToUtc_;
  ZipEntry cached_;
  int cachedIndex_ = -1;
  std::unique_ptr<uint8_t[]> buffer_;  // the transfer buffer
  std::unique_ptr<uint8_t[]> input_;   // compressed bytes of encrypted entries, once needed
};

}  // namespace qzip
