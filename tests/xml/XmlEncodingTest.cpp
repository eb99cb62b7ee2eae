// Encoding detection pieces: the code-page names, declarations, the UTF-8 check.
#include <gtest/gtest.h>

#include <string>

#include "XmlEncoding.h"
#include "XmlTestUtil.h"

namespace {

unsigned CodePage(const std::string& name, bool* found = nullptr) {
  const Utf16String w = W(name);
  return XmlCodePageOfName(w.data(), w.size(), found);
}

std::string Declared(const std::string& head) {
  const Utf16String w = W(head);
  return U8(XmlDeclaredEncoding(w.data(), w.size()));
}

bool LooksLikeUtf8(const std::string& bytes) {
  return XmlLooksLikeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(XmlEncoding, CodePageNames) {
  const struct {
    std::string name;
    unsigned codePage;  // 0: not found
  } cases[] = {
      {"gb2312", 936u},
      {"GB2312", 936u},
      {"GBK", 936u},
      {"Shift_JIS", 932u},
      {"big5", 950u},
      {"UTF-8", 65001u},
      {"utf-16", 1200u},
      {"ISO-8859-1", 28591u},
      {"us-ascii", 20127u},
      {"ebcdic-cp-us", 37u},
      {"iso_646.irv:1991", 20127u},
      {"_iso-2022-jp$sio", 50222u},
      {"extended_unix_code_packed_format_for_japanese", 51932u},
      {"x-ebcdic-cyrillicserbianbulgarian", 21025u},
      {"iso_8859-8-i", 1255u},  // '_' and '-' spellings differ here
      {"iso-8859-8-i", 38598u},
      {"UTF-32", 65005u},
      {"utf-32BE", 65005u},
      {"", 0},
      {"x-no-such-charset", 0},
      {"gb2312 ", 0},
      {"gb231\u00b2", 0},
      // 100 characters or more never match, whatever they start with.
      {"gb2312" + std::string(94, ' '), 0},
  };
  for (const auto& c : cases) {
    bool found = c.codePage == 0;
    EXPECT_EQ(CodePage(c.name, &found), c.codePage) << c.name;
    EXPECT_EQ(found, c.codePage != 0) << c.name;
  }
  const Utf16String withZero = W("gb") + Utf16String(1, 0) + W("2312");
  EXPECT_EQ(XmlCodePageOfName(withZero.data(), withZero.size()), 0u);
}

TEST(XmlEncoding, XmlDeclaration) {
  EXPECT_EQ(Declared("<?xml version=\"1.0\" encoding=\"gb2312\"?><config/>"), "gb2312");
  EXPECT_EQ(Declared("\r\n <?xml version='1.0' encoding='GBK' ?>"), "GBK");
  EXPECT_EQ(Declared("<?XML VERSION=1.0 ENCODING=big5?>"), "big5");
  EXPECT_EQ(Declared("<!-- c --><?xml encoding = \"utf-8\"?>"), "utf-8");
  EXPECT_EQ(Declared("<?xml version=\"1.0\"?><a/>"), "");
  // Only the first processing instruction, and only before any tag, declares.
  EXPECT_EQ(Declared("<?pi x?><?xml encoding=\"gbk\"?>"), "");
  EXPECT_EQ(Declared("<a/><?xml encoding=\"gbk\"?>"), "");
  EXPECT_EQ(Declared("<?xml-stylesheet encoding=\"gbk\"?>"), "");
  // A bad node or a cut-off declaration ends the scan.
  EXPECT_EQ(Declared("<1><?xml encoding=\"gbk\"?>"), "");
  EXPECT_EQ(Declared("<?xml encoding=\"gbk\""), "");
  EXPECT_EQ(Declared(""), "");
}

TEST(XmlEncoding, HtmlMetaCharset) {
  EXPECT_EQ(Declared("<!DOCTYPE html><html><head><title>t</title>"
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"),
            "gb2312");
  EXPECT_EQ(Declared("<HTML><HEAD><META HTTP-EQUIV=content-type "
                     "CONTENT='text/html;CHARSET = big5;x'></HEAD>"),
            "big5");
  // Other metas are passed over; the first Content-Type meta ends the scan either way.
  EXPECT_EQ(Declared("<html><meta http-equiv='refresh' content='1; charset=x'>"
                     "<meta http-equiv='Content-Type' content='text/html; charset=utf-8'>"),
            "utf-8");
  EXPECT_EQ(Declared("<html><meta http-equiv='Content-Type' content='text/html'>"
                     "<meta http-equiv='Content-Type' content='text/html; charset=gbk'>"),
            "");
  // Only inside html, and only before </head>.
  EXPECT_EQ(Declared("<body><meta http-equiv='Content-Type' content='charset=gbk'>"), "");
  EXPECT_EQ(Declared("<html><head></head><meta http-equiv='Content-Type' content='charset=gbk'>"),
            "");
}

TEST(XmlEncoding, Utf8Check) {
  EXPECT_TRUE(LooksLikeUtf8(""));
  EXPECT_TRUE(LooksLikeUtf8("<a>plain ASCII</a>"));
  EXPECT_TRUE(LooksLikeUtf8("\xe7\x89\x88\xe6\x9c\xac 1.0 \xc3\xa9 \xf0\x9f\x98\x80"));
  // GBK for 版本: B0 would announce three followers, but a 10xxxxxx byte never leads.
  EXPECT_FALSE(LooksLikeUtf8("\xb0\xe6\xb1\xbe"));
  EXPECT_FALSE(LooksLikeUtf8("\xd6\xd0\xce\xc4"));  // GBK for 中文: followers not 10xxxxxx
  EXPECT_FALSE(LooksLikeUtf8("caf\xe9"));           // Latin-1 at the end
  EXPECT_FALSE(LooksLikeUtf8("\xe7\x89"));          // cut off
  EXPECT_FALSE(LooksLikeUtf8("\xf8\x80\x80\x80"));  // bits 5, 4 and 3 set
  EXPECT_FALSE(LooksLikeUtf8("\xc3 "));             // follower below 0x80
  // The check looks no further than a zero byte.
  EXPECT_TRUE(LooksLikeUtf8(std::string("ok\0\xe9", 4)));
}

TEST(XmlEncoding, ByteOrderMarks) {
  size_t n = 9;
  EXPECT_EQ(XmlDetectBom(reinterpret_cast<const unsigned char*>("\xef\xbb\xbf<"), 4, &n),
            XML_BOM_UTF8);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(XmlDetectBom(reinterpret_cast<const unsigned char*>("\xff\xfe"), 2, &n),
            XML_BOM_UTF16LE);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(XmlDetectBom(reinterpret_cast<const unsigned char*>("\xfe\xff"), 2, &n),
            XML_BOM_UTF16BE);
  EXPECT_EQ(XmlDetectBom(reinterpret_cast<const unsigned char*>("\xef\xbb"), 2, &n), XML_BOM_NONE);
  EXPECT_EQ(n, 0u);
}

}  // namespace
