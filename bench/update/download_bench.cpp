// Downloads one address with Ferrow and reports how long GetFile took; run_download_bench.sh
// runs it under Wine beside curl.
//   ferrow_download_bench <url> <local path>
#include <windows.h>

#include <cstdio>

#include <Ferrow.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ferrow_download_bench <url> <local path>\n");
    return 2;
  }
  CWebGetFile download(0, 0, 0);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const int result = download.GetFile(argv[1], argv[2], 0);
  QueryPerformanceCounter(&end);
  WIN32_FILE_ATTRIBUTE_DATA info = {};
  GetFileAttributesExA(argv[2], GetFileExInfoStandard, &info);
  const unsigned long long bytes =
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  std::printf(
      "result=%d bytes=%llu seconds=%.4f\n", result, bytes,
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  return result == 0 ? 0 : 1;
}
