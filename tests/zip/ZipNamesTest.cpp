// Entry names: conversion, the sanitising cuts, and which target names may be written.
#include <gtest/gtest.h>

#include <string>

#include "ZipNames.h"

using namespace qzip;

namespace {

std::string Sanitised(const std::string& name) {
  const Utf16String wide = Utf8ToUtf16(name);
  return Utf16ToUtf8(SanitiseEntryName(wide.c_str()));
}

bool Safe(const std::string& name) {
  const Utf16String wide = Utf8ToUtf16(name);
  return IsSafeRelativeName(wide.c_str(), wide.size());
}

bool Convert(const std::string& bytes, std::string* utf8) {
  Utf16Char out[kZipMaxPath];
  const bool ok = ConvertEntryName(bytes.data(), bytes.size(), out);
  *utf8 = Utf16ToUtf8(out);
  return ok;
}

}  // namespace

TEST(ZipNames, ConvertsUtf8WhateverTheFlags) {
  std::string name;
  ASSERT_TRUE(Convert("中文/文件.txt", &name));
  EXPECT_EQ(name, "中文/文件.txt");
  ASSERT_TRUE(Convert("caf\xE9.txt", &name));  // Latin-1 byte: not UTF-8
  EXPECT_EQ(name, "caf\xEF\xBF\xBD.txt");      // U+FFFD
  ASSERT_TRUE(Convert("", &name));
  EXPECT_EQ(name, "");
  // A character outside the BMP takes two units.
  Utf16Char out[kZipMaxPath];
  ASSERT_TRUE(ConvertEntryName("\xF0\x9F\x98\x80", 4, out));
  EXPECT_EQ(Utf16Length(out), 2u);
}

TEST(ZipNames, RefusesNamesThatCantStandForAPath) {
  std::string name;
  EXPECT_TRUE(Convert(std::string(259, 'n'), &name));
  EXPECT_EQ(name.size(), 259u);
  // One byte more would have to be cut, naming another file.
  EXPECT_FALSE(Convert(std::string(260, 'n'), &name));
  EXPECT_EQ(name, "");
  EXPECT_FALSE(Convert(std::string(300, 'n'), &name));
  // 259 bytes of three-byte characters fit easily in units.
  std::string cjk;
  for (int i = 0; i < 86; ++i) cjk += "文";
  EXPECT_TRUE(Convert(cjk, &name));
  // A zero byte would end the name early: "evil" would be written instead.
  EXPECT_FALSE(Convert(std::string("evil\0.txt", 9), &name));
}

TEST(ZipNames, CutsDrivesSeparatorsAndClimbs) {
  EXPECT_EQ(Sanitised("C:\\Windows\\x.dll"), "Windows\\x.dll");
  EXPECT_EQ(Sanitised("/etc/x"), "etc/x");
  EXPECT_EQ(Sanitised("x/a/../b/../c"), "c");
  EXPECT_EQ(Sanitised("a/b/../c.txt"), "c.txt");
  EXPECT_EQ(Sanitised("c:d:e.txt"), "e.txt");  // several drive prefixes in a row
  EXPECT_EQ(Sanitised("C:/\\D:x"), "x");       // tests start again after each cut
  EXPECT_EQ(Sanitised("\\\\server\\share\\y"), "server\\share\\y");
  EXPECT_EQ(Sanitised("a\\..\\b"), "b");
  EXPECT_EQ(Sanitised("a\\../b"), "b");
  EXPECT_EQ(Sanitised("a/..\\b"), "b");
  // "\..\" is looked for first, wherever it is.
  EXPECT_EQ(Sanitised("p/../q\\..\\r"), "r");
  EXPECT_EQ(Sanitised("plain/name.txt"), "plain/name.txt");
  EXPECT_EQ(Sanitised(""), "");
  EXPECT_EQ(Sanitised("C:"), "");
  EXPECT_EQ(Sanitised("a:"), "");
  EXPECT_EQ(Sanitised(":x"), ":x");  // no drive letter before the colon: left for the check
}

TEST(ZipNames, LeavesClimbsTheCutsDontReach) {
  // These keep their climbs; IsSafeRelativeName refuses them.
  EXPECT_EQ(Sanitised("../b"), "../b");
  EXPECT_EQ(Sanitised("a/../../b"), "../b");
  EXPECT_EQ(Sanitised("sub/.."), "sub/..");
  EXPECT_EQ(Sanitised(".."), "..");
  EXPECT_FALSE(Safe(Sanitised("../b")));
  EXPECT_FALSE(Safe(Sanitised("a/../../b")));
  EXPECT_FALSE(Safe(Sanitised("sub/..")));
  EXPECT_FALSE(Safe(Sanitised("..")));
  EXPECT_EQ(Sanitised("..\\..\\x"), "x");  // "\\..\\" is cut like any other
}

TEST(ZipNames, SanitisedNamesAreNeverAbsolute) {
  for (const char* name : {"C:\\x", "/x", "\\x", "\\\\?\\C:\\x", "C:C:/x", "//x"}) {
    const Utf16String wide = Utf8ToUtf16(name);
    EXPECT_FALSE(IsAbsoluteName(SanitiseEntryName(wide.c_str()))) << name;
  }
}

TEST(ZipNames, AbsoluteNames) {
  EXPECT_TRUE(IsAbsoluteName(U16("\\x")));
  EXPECT_TRUE(IsAbsoluteName(U16("/x")));
  EXPECT_TRUE(IsAbsoluteName(U16("C:x")));
  EXPECT_TRUE(IsAbsoluteName(U16("C:\\x")));
  EXPECT_FALSE(IsAbsoluteName(U16("x")));
  EXPECT_FALSE(IsAbsoluteName(U16("")));
  EXPECT_FALSE(IsAbsoluteName(U16("x\\y:z")));
}

TEST(ZipNames, SafeRelativeNames) {
  for (const char* ok :
       {"a", "a/b/c.txt", "a\\b", "dir/", "a//b", "./a", "a/./b", "a..b", "..a", "a..", "x.y.z",
        "中文/文件.txt", "", "console.txt", "com10", "nul_", "lpt"}) {
    EXPECT_TRUE(Safe(ok)) << ok;
  }
  for (const char* bad :
       {"..",      "../a",    "a/..",     "a/../b", "a\\..\\b", "...",     ".. ",    " ",
        "a/ /b",   "a/.",     ".",        "/a",     "\\a",      "a:b",     "C:x",    "a/b:stream",
        "a?b",     "a*",      "a<b",      "a>b",    "a|b",      "a\"b",    "a\x01z", "CON",
        "con.txt", "dir/NUL", "aux .txt", "COM1",   "lpt9.log", "CONOUT$", "prn"}) {
    EXPECT_FALSE(Safe(bad)) << bad;
  }
}

TEST(ZipNames, LeftoverNames) {
  Utf16Char name[kLeftoverNameLength + 1];
  MakeLeftoverName(LeftoverKind::kNew, 0x1234ABCDu, name);
  EXPECT_EQ(Utf16ToUtf8(name), "~qz1234abcd.new");
  EXPECT_TRUE(IsLeftoverName(name));
  MakeLeftoverName(LeftoverKind::kOld, 0, name);
  EXPECT_EQ(Utf16ToUtf8(name), "~qz00000000.old");
  EXPECT_TRUE(IsLeftoverName(name));
  EXPECT_TRUE(IsLeftoverName(U16("~QZ0123ABCD.OLD")));  // the file system ignores case
  for (const Utf16Char* other :
       {U16("~qz1234abcd.tmp"), U16("~qz1234abc.new"), U16("~qz1234abcde.new"),
        U16("~qz1234abcg.new"), U16("qz1234abcd.new"), U16("~qz1234abcd.new.txt"), U16("")}) {
    EXPECT_FALSE(IsLeftoverName(other)) << Utf16ToUtf8(other);
  }
}
