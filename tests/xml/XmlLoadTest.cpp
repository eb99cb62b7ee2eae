// LoadFile over real files: byte-order marks, declarations, the UTF-8 check, the ANSI
// fallback, zero bytes, the load report and failures. Under Wine the conversions are the
// system's own (MultiByteToWideChar with the code page found; the ANSI code page is 936 there).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "XmlEncoding.h"
#include "XmlPlatform.h"
#include "XmlTestUtil.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

namespace {

class XmlLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = XmlScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  // Writes `bytes` to a file and loads it.
  bool Load(const std::string& bytes, const std::string& name = "lastver.xml") {
    const std::string path = XmlJoin(dir_, name);
    EXPECT_TRUE(XmlWriteFile(path, bytes)) << path;
    return doc_.LoadFile(XmlPath(path).c_str());
  }

  std::string Version() {
    doc_.ResetPos();
    if (!Find(&doc_, "config") || !doc_.EnterElement() || !Find(&doc_, "version")) return "<none>";
    return Data(doc_);
  }

  std::string dir_;
  CXmlDoc doc_;
};

std::string Utf16Le(const Utf16String& s, bool mark) {
  std::string out = mark ? "\xff\xfe" : "";
  for (Utf16Char c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return out;
}

std::string Utf16Be(const Utf16String& s) {
  std::string out = "\xfe\xff";
  for (Utf16Char c : s) {
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

const char kVersionFile[] = "<config><version>2.0.1</version></config>";  // 41 bytes
const char kGbkVersion[] = "\xb0\xe6\xb1\xbe";                            // 版本 in GBK

TEST_F(XmlLoad, Utf8StartingWithTagNeedsNoCheck) {
  EXPECT_TRUE(Load(kVersionFile));
  EXPECT_EQ(Result(doc_), "UTF-8 length 41 to 41 wide chars ");
  EXPECT_EQ(Version(), "2.0.1");
  EXPECT_EQ(doc_.GetDocFlags(), 0u);

  // Even when the bytes are not UTF-8 at all: converted as UTF-8, never refused.
  EXPECT_TRUE(Load(std::string("<config><version>") + kGbkVersion + "</version></config>"));
  EXPECT_EQ(Result(doc_),
            "UTF-8 length 40 to " + std::to_string(doc_.GetDocLength()) + " wide chars ");
  EXPECT_NE(Version(), "");
}

TEST_F(XmlLoad, Utf8ByteOrderMark) {
  EXPECT_TRUE(Load("\xef\xbb\xbf<config><version>\xe7\x89\x88\xe6\x9c\xac 3</version></config>"));
  EXPECT_EQ(Result(doc_), "UTF-8 BOM + length 44 to 40 wide chars ");
  EXPECT_EQ(Version(), "版本 3");
  EXPECT_EQ(doc_.GetDocFlags(), unsigned{CXmlDoc::DOC_UTF8_BOM});
  // A mark outweighs a declaration.
  EXPECT_TRUE(Load("\xef\xbb\xbf<?xml version='1.0' encoding='gb2312'?><config/>"));
  EXPECT_EQ(Result(doc_).substr(0, 12), "UTF-8 BOM + ");
  // Only the mark: nothing left to read; or nothing but zero bytes after it.
  EXPECT_FALSE(Load("\xef\xbb\xbf"));
  EXPECT_EQ(Result(doc_), "UTF-8 BOM + 0 length  Empty document");
  EXPECT_FALSE(Load(std::string("\xef\xbb\xbf\0\0", 5)));
  EXPECT_EQ(Result(doc_), "UTF-8 BOM + length 2 (2 nulls removed) to 0 wide chars  Empty document");
}

TEST_F(XmlLoad, Utf16LittleEndianReadAsIsWithoutZeroUnits) {
  Utf16String text = W("<config><version>版本") + Utf16String(1, 0) + W("4</version></config>");
  EXPECT_TRUE(Load(Utf16Le(text, true)));
  EXPECT_EQ(Result(doc_), "UTF-16LE BOM + length 40 (1 nulls removed) ");
  EXPECT_EQ(Version(), "版本4");
  EXPECT_EQ(doc_.GetDocFlags(), unsigned{CXmlDoc::DOC_UTF16LE_BOM});
  // An odd last byte is no unit.
  EXPECT_TRUE(Load(Utf16Le(W(kVersionFile), true) + "x"));
  EXPECT_EQ(Result(doc_), "UTF-16LE BOM + length 41 ");
}

TEST_F(XmlLoad, Utf16BigEndianIsSwapped) {
  EXPECT_TRUE(Load(Utf16Be(W("<config><version>版本5</version></config>"))));
  EXPECT_EQ(Result(doc_), "UTF-16BE BOM + length 39 endian swap ");
  EXPECT_EQ(Version(), "版本5");
  EXPECT_EQ(doc_.GetDocFlags(), unsigned{CXmlDoc::DOC_UTF16BE_BOM});
  EXPECT_TRUE(Load(Utf16Be(W("<config>") + Utf16String(2, 0) + W("</config>"))));
  EXPECT_EQ(Result(doc_), "UTF-16BE BOM + length 19 (2 nulls removed) endian swap ");
}

TEST_F(XmlLoad, Utf16WithoutMarkAsciiLosesItsZeroBytes) {
  EXPECT_TRUE(Load(Utf16Le(W(kVersionFile), false)));
  EXPECT_EQ(Result(doc_), "UTF-8 length 82 (41 nulls removed) to 41 wide chars ");
  EXPECT_EQ(Version(), "2.0.1");
}

TEST_F(XmlLoad, DeclaredGb2312ConvertsThroughCodePage936) {
  const std::string file = std::string("<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<config>") +
                           "<version>" + kGbkVersion + "6</version></config>";
  EXPECT_TRUE(Load(file));
  EXPECT_EQ(Result(doc_), "gb2312 length " + std::to_string(file.size()) + " to " +
                              std::to_string(file.size() - 2) + " wide chars ");
  EXPECT_EQ(Version(), "版本6");
  // The same through an HTML meta charset.
  const std::string html = std::string("<html><head><meta http-equiv=\"Content-Type\" ") +
                           "content=\"text/html; charset=GBK\"></head><body>" + kGbkVersion +
                           "</body></html>";
  EXPECT_FALSE(Load(html, "page.htm"));  // <meta> is never ended
  EXPECT_EQ(Result(doc_).substr(0, 11), "GBK length ");
  ASSERT_TRUE(Find(&doc_, "html"));
  ASSERT_TRUE(doc_.EnterElement());
  ASSERT_TRUE(Find(&doc_, "body"));
  EXPECT_EQ(Data(doc_), "版本");
}

// What the system's ANSI code page makes of `bytes` (windows-1252 natively).
std::string Ansi(const std::string& bytes) {
#ifdef _WIN32
  wchar_t out[64];
  const int n =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out, 64);
  return U8(Utf16String(out, n > 0 ? n : 0));
#else
  std::string out;
  for (unsigned char c : bytes) out += U8(Utf16String(1, static_cast<Utf16Char>(c)));
  return out;
#endif
}

TEST_F(XmlLoad, UndeclaredNonUtf8FallsBackToAnsiCodePage) {
  const std::string file = std::string(" <config><version>") + kGbkVersion + "</version></config>";
  EXPECT_TRUE(Load(file));
  const size_t wide = doc_.GetDocLength();
  EXPECT_EQ(Result(doc_),
            "ANSI length 41 (used UTF-8 detection) to " + std::to_string(wide) + " wide chars ");
  EXPECT_EQ(Version(), Ansi(kGbkVersion));
#ifdef _WIN32
  if (GetACP() == 936) {
    EXPECT_EQ(Version(), "版本");
  }
#endif
  // An encoding name not in the table converts the same way.
  EXPECT_TRUE(Load(std::string("<?xml version='1.0' encoding='x-klingon'?><config><version>") +
                   kGbkVersion + "</version></config>"));
  EXPECT_EQ(Result(doc_).substr(0, 17), "x-klingon length ");
  EXPECT_EQ(Version(), Ansi(kGbkVersion));
}

TEST_F(XmlLoad, UndeclaredValidUtf8IsDetected) {
  EXPECT_TRUE(Load("\r\n<config><version>\xe7\x89\x88\xe6\x9c\xac</version></config>"));
  EXPECT_EQ(Result(doc_), "UTF-8 length 44 (used UTF-8 detection) to 40 wide chars ");
  EXPECT_EQ(Version(), "版本");
}

TEST_F(XmlLoad, ZeroBytesAreRemoved) {
  EXPECT_TRUE(Load(std::string("<config>\0<version>7</version>\0</config>", 39)));
  EXPECT_EQ(Result(doc_), "UTF-8 length 39 (2 nulls removed) to 37 wide chars ");
  EXPECT_EQ(Version(), "7");
  // Removed before converting: a zero byte inside a UTF-8 sequence doesn't break it.
  EXPECT_TRUE(Load(std::string("<config><version>\xe7\0\x89\x88\0\0</version></config>", 42)));
  EXPECT_EQ(Result(doc_), "UTF-8 length 42 (3 nulls removed) to 37 wide chars ");
  EXPECT_EQ(Version(), "版");
  // And before the UTF-8 check of an undeclared file.
  EXPECT_TRUE(Load(std::string(" <config><version>\xe7\x89\0\x88</version></config>", 41)));
  EXPECT_EQ(Result(doc_),
            "UTF-8 length 41 (1 nulls removed) (used UTF-8 detection) to 38 wide chars ");
  EXPECT_EQ(Version(), "版");
}

TEST_F(XmlLoad, NamesThePlatformCanNotConvertStillRead) {
  // UTF-16 and UTF-32 named in an 8-bit file: no conversion of their own here, but nothing
  // fails and ASCII text reads as written.
  EXPECT_TRUE(Load("<?xml version='1.0' encoding='utf-32'?><config><version>8</version></config>"));
  EXPECT_EQ(Result(doc_), "utf-32 length 76 to 76 wide chars ");
  EXPECT_EQ(Version(), "8");
  EXPECT_TRUE(Load("<?xml version='1.0' encoding='UTF-16'?><config><version>9</version></config>"));
  EXPECT_EQ(Version(), "9");
}

TEST_F(XmlLoad, EmptyAndMalformedFiles) {
  EXPECT_FALSE(Load(""));
  EXPECT_EQ(Result(doc_), "ANSI 0 length  Empty document");
  EXPECT_FALSE(Load("<config><version>1</version>"));
  EXPECT_EQ(Result(doc_), "UTF-8 length 28 to 28 wide chars  Root element has sibling");
  EXPECT_FALSE(Load("just text"));
  EXPECT_EQ(Result(doc_), "UTF-8 length 9 (used UTF-8 detection) to 9 wide chars  No root element");
}

std::string MissingFileText() {
#ifdef _WIN32
  wchar_t buffer[512];
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, ERROR_FILE_NOT_FOUND, 0, buffer, 512, nullptr);
  std::string text = U8(Utf16String(buffer, n));
#else
  std::string text = std::strerror(ENOENT);
#endif
  return text.substr(0, text.find_first_of("\r\n"));
}

TEST_F(XmlLoad, MissingFileReportsTheSystemMessageAndDropsTheOldDocument) {
  ASSERT_TRUE(Load(kVersionFile));
  const std::string missing = XmlJoin(dir_, "absent.xml");
  EXPECT_FALSE(doc_.LoadFile(XmlPath(missing).c_str()));
  const std::string message = Result(doc_);
  EXPECT_EQ(message, MissingFileText());
  EXPECT_FALSE(message.empty());
  EXPECT_LE(doc_.ResultText().size(), 100u);
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(doc_.GetDocLength(), 0u);
  EXPECT_FALSE(doc_.FindElement(nullptr));
  EXPECT_EQ(doc_.GetDocFlags() & CXmlDoc::DOC_READING, 0u);

  EXPECT_FALSE(doc_.LoadFile(nullptr));
  EXPECT_FALSE(doc_.ResultText().empty());
  EXPECT_FALSE(doc_.LoadFile(XmlPath(dir_).c_str()));  // a folder
  EXPECT_FALSE(doc_.ResultText().empty());
}

TEST_F(XmlLoad, PathsWithChineseCharacters) {
  const std::string path = XmlJoin(dir_, "版本 目录.xml");
  ASSERT_TRUE(XmlWriteFile(path, kVersionFile));
  EXPECT_TRUE(doc_.LoadFile(XmlPath(path).c_str()));
  EXPECT_EQ(Version(), "2.0.1");
  // The updater joins its folder (ending in a separator) and "\\lastver.xml": two in a row.
  EXPECT_TRUE(doc_.LoadFile(XmlPath(XmlJoin(XmlJoin(dir_, ""), "版本 目录.xml")).c_str()));
  EXPECT_EQ(Version(), "2.0.1");
}

TEST_F(XmlLoad, FlagsOfOneLoadDoNotLeakIntoTheNext) {
  doc_.SetDocFlags(CXmlDoc::DOC_IGNORE_CASE);
  EXPECT_TRUE(Load(Utf16Le(W("<Config></config>"), true)));
  EXPECT_EQ(doc_.GetDocFlags(), unsigned{CXmlDoc::DOC_UTF16LE_BOM | CXmlDoc::DOC_IGNORE_CASE});
  EXPECT_TRUE(Load("<Config></CONFIG>"));
  EXPECT_EQ(doc_.GetDocFlags(), unsigned{CXmlDoc::DOC_IGNORE_CASE});
}

std::string WithoutZeros(std::string bytes) {
  bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
  return bytes;
}

TEST_F(XmlLoad, Utf8ConvertedInPiecesIsWhatTheWholeFileConvertsTo) {
  // UTF-8 is read and converted a piece at a time. Whatever the bytes, valid or not, and
  // wherever pieces end, the text must be what the platform's conversion makes of the whole
  // file without its zero bytes, and zero bytes anywhere (inside a sequence too) are left out.
  struct Case {
    const char* what;
    std::string cycle;
    const char* lead;  // "" starts with '<' (no check); " " has the UTF-8 check choose
  } cases[] = {
      {"valid", "a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80", ""},  // a é 中 😀
      {"valid, checked", "a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80", " "},
      // Cut-off sequences before ASCII, stray followers, overlong forms, surrogates, values
      // past U+10FFFF and bytes that never lead.
      {"invalid", "\xe4\xb8 \xe4x\xf0\x9f\x98y\x80\xbf\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xff ab",
       ""},
      // No three ASCII bytes in a row for far longer than a piece.
      {"CJK only", "\xe4\xb8\xad\xe6\x96\x87", ""},
  };
  for (const Case& c : cases) {
    for (int variant = 0; variant < 6; ++variant) {
      std::string text(variant / 2, 'x');
      while (text.size() < 140000) text += c.cycle;
      if (variant % 2) {
        for (size_t at = 997; at < text.size(); at += 4093) text.insert(at, 1 + at % 3, '\0');
      }
      const std::string file = std::string(c.lead) + "<r>" + text + "</r>";
      const std::string bytes = WithoutZeros(file);
      Load(file);
      Utf16String expected(bytes.size(), 0);
      expected.resize(XmlConvertToUtf16(XML_CP_UTF8, bytes.data(), bytes.size(), &expected[0],
                                        expected.size()));
      ASSERT_EQ(doc_.GetDocLength(), expected.size()) << c.what << variant;
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), doc_.GetDocText()))
          << c.what << variant;
      const size_t zeros = file.size() - bytes.size();
      EXPECT_EQ(Result(doc_), "UTF-8 length " + std::to_string(file.size()) + " " +
                                  (zeros ? "(" + std::to_string(zeros) + " nulls removed) " : "") +
                                  (*c.lead ? "(used UTF-8 detection) " : "") + "to " +
                                  std::to_string(expected.size()) + " wide chars ")
          << c.what << variant;
    }
  }
}

TEST_F(XmlLoad, LargeFileIsReadWhole) {
  // Well past the 1024 bytes examined first.
  std::string file = "<?xml version='1.0' encoding='utf-8'?><config>";
  for (int i = 0; i < 20000; ++i) file += "<item n='" + std::to_string(i) + "'>&lt;x&gt;</item>";
  file += "<version>last</version></config>";
  EXPECT_TRUE(Load(file));
  EXPECT_EQ(Version(), "last");
}

}  // namespace
