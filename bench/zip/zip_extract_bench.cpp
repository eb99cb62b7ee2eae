// Extracts an archive the way the updater does (every entry, in order, under its record's
// name) and reports the output throughput; run under Wine by run_extract_bench.sh.
//   zip_extract_bench <archive> <folder>
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "Zip.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_extract_bench <archive> <folder>\n");
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  HZIP zip = ZipOpen(argv[1], nullptr);
  if (!zip) {
    std::fprintf(stderr, "zip_extract_bench: cannot open the archive\n");
    return 1;
  }
  ZipSetBaseFolder(zip, argv[2]);
  ZipItem item;
  ZipGetItem(zip, -1, &item);
  const int count = item.index;
  int failed = 0;
  uint64_t bytes = 0;
  for (int i = 0; i < count; ++i) {
    ZipGetItem(zip, i, &item);
    if (ZipExtractItem(zip, i, item.name) != ZR_OK) {
      ++failed;
    } else {
      bytes += static_cast<uint64_t>(item.uncompressedSize);
    }
  }
  ZipClose(zip);
  QueryPerformanceCounter(&end);
  const double seconds =
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("entries=%d failed=%d bytes=%llu seconds=%.3f\n", count, failed,
              static_cast<unsigned long long>(bytes), seconds);
  return failed ? 1 : 0;
}
