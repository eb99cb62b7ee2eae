#include "ZipMemoryIo.h"

#include <cstring>

namespace qzip {

namespace {

voidpf ZCALLBACK MemoryOpen(voidpf, const void* stream, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_WRITE) || !stream) return nullptr;
  MemoryZipStream* s = static_cast<MemoryZipStream*>(const_cast<void*>(stream));
  s->position = 0;
  return s;
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buf, uLong size) {
  MemoryZipStream* s = static_cast<MemoryZipStream*>(stream);
  if (s->position >= s->size) return 0;
  const uint64_t left = s->size - s->position;
  const size_t n = static_cast<size_t>(size < left ? size : left);
  std::memcpy(buf, s->data + s->position, n);
  s->position += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK MemoryTell(voidpf, voidpf stream) {
  return static_cast<MemoryZipStream*>(stream)->position;
}

long ZCALLBACK MemorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  MemoryZipStream* s = static_cast<MemoryZipStream*>(stream);
  uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      base = 0;
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      base = s->position;
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      base = s->size;
      break;
    default:
      return -1;
  }
  if (offset > s->size - base) return -1;  // past the end (also keeps the sum from wrapping)
  const uint64_t target = base + offset;
  s->position = target;
  return 0;
}

// The stream belongs to the caller: closing the archive leaves it alone.
int ZCALLBACK MemoryClose(voidpf, voidpf) { return 0; }

int ZCALLBACK MemoryError(voidpf, voidpf) { return 0; }

}  // namespace

void FillMemoryFileFuncs(zlib_filefunc64_def* io) {
  io->zopen64_file = MemoryOpen;
  io->zread_file = MemoryRead;
  io->zwrite_file = MemoryWrite;
  io->ztell64_file = MemoryTell;
  io->zseek64_file = MemorySeek;
  io->zclose_file = MemoryClose;
  io->zerror_file = MemoryError;
  io->opaque = nullptr;
}

}  // namespace qzip
