#include "XmlTestUtil.h"

#ifdef _WIN32
#include "TestSupport.h"

std::string XmlScratchDir(const std::string& name) {
  return testsupport::ToUtf8(testsupport::ScratchDir(testsupport::FromUtf8("xml-" + name)));
}

bool XmlWriteFile(const std::string& path, const std::string& bytes) {
  return testsupport::WriteFileBytes(testsupport::FromUtf8(path), bytes);
}

Utf16String XmlPath(const std::string& path) { return testsupport::FromUtf8(path); }

#else
#include <cstdio>
#include <cstdlib>
#include <filesystem>

std::string XmlScratchDir(const std::string& name) {
  const char* binary = std::getenv("QUENDA_BINARY_DIR");
  std::filesystem::path dir = binary ? std::filesystem::path(binary) / "tests" / "scratch"
                                     : std::filesystem::temp_directory_path();
  dir /= "xml-" + name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

bool XmlWriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

Utf16String XmlPath(const std::string& path) { return Utf8ToUtf16(path); }
#endif
