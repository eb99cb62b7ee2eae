// minizip file functions over an archive held in memory: the fuzzer and the native tests read
// archives through them exactly as the updater reads a file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ioapi.h"

namespace qzip {

// The "file": pass its address to CZipArchive::Open as the stream. Read-only.
struct MemoryZipStream {
  const uint8_t* data;
  size_t size;
  uint64_t position;
};

void FillMemoryFileFuncs(zlib_filefunc64_def* io);

}  // namespace qzip
