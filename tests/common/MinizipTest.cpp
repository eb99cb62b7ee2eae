// minizip, compiled from zlib's own contrib sources for Windows, reads an archive that
// Info-ZIP's zip made, through the Win32 file functions, and its CRC checks pass.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "unzip.h"  // before iowin32.h, which relies on its declarations
// clang-format off
#include "iowin32.h"
// clang-format on

using namespace testsupport;

TEST(Minizip, ListsAndInflatesInfoZipArchive) {
  const std::wstring path = WinPath(Env(L"QUENDA_SAMPLE_ZIP"));
  ASSERT_FALSE(path.empty()) << "QUENDA_SAMPLE_ZIP not set";
  zlib_filefunc64_def funcs;
  fill_win32_filefunc64W(&funcs);
  unzFile zf = unzOpen2_64(path.c_str(), &funcs);
  ASSERT_NE(zf, nullptr);

  unz_global_info64 gi;
  ASSERT_EQ(unzGetGlobalInfo64(zf, &gi), UNZ_OK);
  EXPECT_EQ(gi.number_entry, 3u);  // hello.txt, folder/, folder/big.txt

  ASSERT_EQ(unzLocateFile(zf, "folder/big.txt", 1), UNZ_OK);
  unz_file_info64 info;
  ASSERT_EQ(unzGetCurrentFileInfo64(zf, &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
  EXPECT_EQ(info.uncompressed_size, 100000u);
  EXPECT_LT(info.compressed_size, 1000u);  // deflated

  ASSERT_EQ(unzOpenCurrentFile(zf), UNZ_OK);
  std::string data;
  char buf[16384];
  int n;
  while ((n = unzReadCurrentFile(zf, buf, sizeof buf)) > 0) data.append(buf, n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(unzCloseCurrentFile(zf), UNZ_OK);  // CRC checked here
  EXPECT_EQ(data, std::string(100000, 'q'));

  ASSERT_EQ(unzLocateFile(zf, "hello.txt", 1), UNZ_OK);
  ASSERT_EQ(unzOpenCurrentFile(zf), UNZ_OK);
  n = unzReadCurrentFile(zf, buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "hello from zip\n");
  EXPECT_EQ(unzCloseCurrentFile(zf), UNZ_OK);
  EXPECT_EQ(unzClose(zf), UNZ_OK);
}
