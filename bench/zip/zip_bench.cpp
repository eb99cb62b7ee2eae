// The portable data path (CZipArchive::ReadEntry into a file) beside a plain minizip loop
// (unzOpenCurrentFile / unzReadCurrentFile / fwrite) on the same archive in memory: what the
// record building, the checks and the sink cost on top of minizip itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ZipArchive.h"
#include "ZipBuilder.h"
#include "ZipMemoryIo.h"

using namespace qzip;

namespace {

// ~32 MB in 64 entries: half text-like (deflated), half random (stored, as zip would).
const std::string& Archive(uint64_t* totalBytes) {
  static uint64_t total = 0;
  static const std::string archive = [] {
    std::vector<ziptest::TestEntry> entries;
    uint32_t x = 1;
    for (int i = 0; i < 64; ++i) {
      ziptest::TestEntry e;
      e.name = "folder" + std::to_string(i % 8) + "/file" + std::to_string(i) + ".bin";
      e.data.resize(256 * 1024 + static_cast<size_t>(i) * 4096);
      const bool text = i % 2 == 0;
      for (char& c : e.data) {
        x = x * 1103515245u + 12345u;
        c = text ? static_cast<char>("quenda update package zip\n"[(x >> 16) % 26])
                 : static_cast<char>(x >> 16);
      }
      e.method = text ? 8 : 0;
      total += e.data.size();
      entries.push_back(e);
    }
    return ziptest::BuildZip(entries);
  }();
  *totalBytes = total;
  return archive;
}

uint64_t SameTime(uint64_t t) { return t; }

class FileSink : public CZipSink {
 public:
  explicit FileSink(FILE* f) : f_(f) {}
  bool Write(const uint8_t* data, size_t size) override {
    return std::fwrite(data, 1, size, f_) == size;
  }

 private:
  FILE* f_;
};

void BM_ReadEntryToFile(benchmark::State& state) {
  uint64_t total = 0;
  const std::string& bytes = Archive(&total);
  FILE* out = std::tmpfile();
  for (auto _ : state) {
    MemoryZipStream stream = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    zlib_filefunc64_def io;
    FillMemoryFileFuncs(&io);
    std::unique_ptr<CZipArchive> archive = CZipArchive::Open(io, &stream, SameTime);
    for (int i = 0; i < archive->Count(); ++i) {
      std::rewind(out);
      FileSink sink(out);
      ZipItem item;
      archive->GetItem(i, &item);
      if (archive->ReadEntry(i, nullptr, &sink) != ZR_OK) state.SkipWithError("read failed");
    }
  }
  std::fclose(out);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}
BENCHMARK(BM_ReadEntryToFile)->Unit(benchmark::kMillisecond);

void BM_PlainMinizipToFile(benchmark::State& state) {
  uint64_t total = 0;
  const std::string& bytes = Archive(&total);
  FILE* out = std::tmpfile();
  std::vector<char> buffer(CZipArchive::kTransferSize);
  for (auto _ : state) {
    MemoryZipStream stream = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    zlib_filefunc64_def io;
    FillMemoryFileFuncs(&io);
    unzFile zip = unzOpen2_64(&stream, &io);
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
      std::rewind(out);
      unzOpenCurrentFile(zip);
      int got;
      while ((got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) >
             0) {
        std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out);
      }
      if (unzCloseCurrentFile(zip) != UNZ_OK) state.SkipWithError("read failed");
    }
    unzClose(zip);
  }
  std::fclose(out);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}
BENCHMARK(BM_PlainMinizipToFile)->Unit(benchmark::kMillisecond);

}  // namespace
