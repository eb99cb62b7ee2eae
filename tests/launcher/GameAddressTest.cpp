// The launchers' command line and game address, for both builds: the id by the runtime's
// _wtoi rules written as an unsigned 32-bit number, the password verbatim, vintor's seconds,
// pellam's stealth flag and size tokens, and the splitter's quirks as the launchers see them.
#include "GameAddress.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

Utf16String W(const std::string& utf8) { return Utf8ToUtf16(utf8); }
std::string N(const Utf16String& utf16) { return Utf16ToUtf8(utf16); }

int ToInt(const std::string& text) { return DecimalTextToInt(W(text).c_str()); }

std::string Address(const LauncherBuild& build, const std::string& base, const std::string& id,
                    const std::string& password, int64_t seconds = 0) {
  return N(BuildGameAddress(build.address, W(base), W(id), W(password), seconds));
}

// Reads a UTF-8 command line for `build`; false when it is too short.
bool Read(const LauncherBuild& build, const std::string& line, LauncherSettings* settings) {
  const Utf16String wide = W(line);
  CCommandLine commandLine(wide.c_str());
  return ReadLauncherSettings(commandLine, build, settings);
}

TEST(DecimalTextToInt, FollowsTheRuntimeRules) {
  EXPECT_EQ(ToInt("1234"), 1234);
  EXPECT_EQ(ToInt("0"), 0);
  EXPECT_EQ(ToInt("-1"), -1);
  EXPECT_EQ(ToInt("+17"), 17);
  EXPECT_EQ(ToInt("007"), 7);
  // Leading white space (a tab can reach a token; the splitter only cuts at spaces).
  EXPECT_EQ(ToInt("\t 42"), 42);
  EXPECT_EQ(ToInt("\r\n\v\f9"), 9);
  // Digits and spaces of other scripts, as an input method types them.
  EXPECT_EQ(ToInt("　１２３"), 123);
  EXPECT_EQ(ToInt("-٤٢"), -42);
  EXPECT_EQ(ToInt("1２3x"), 123);
  // Digits up to the first other character.
  EXPECT_EQ(ToInt("12ab34"), 12);
  EXPECT_EQ(ToInt("800px"), 800);
  EXPECT_EQ(ToInt("3.9"), 3);
  EXPECT_EQ(ToInt("0x10"), 0);
  // No digits: 0.
  EXPECT_EQ(ToInt(""), 0);
  EXPECT_EQ(ToInt("abc"), 0);
  EXPECT_EQ(ToInt("-"), 0);
  EXPECT_EQ(ToInt("+-1"), 0);
  EXPECT_EQ(ToInt("- 5"), 0);  // no white space between sign and digits
  EXPECT_EQ(DecimalTextToInt(nullptr), 0);
}

TEST(DecimalTextToInt, OutOfRangeSaturates) {
  EXPECT_EQ(ToInt("2147483647"), INT_MAX);
  EXPECT_EQ(ToInt("-2147483648"), INT_MIN);
  EXPECT_EQ(ToInt("2147483648"), INT_MAX);
  EXPECT_EQ(ToInt("-2147483649"), INT_MIN);
  EXPECT_EQ(ToInt("99999999999999999999999999999"), INT_MAX);
  EXPECT_EQ(ToInt("-99999999999999999999999999999"), INT_MIN);
  EXPECT_EQ(ToInt("00000000000000000000000000012"), 12);
}

#ifdef _WIN32
// The same answers as the C runtime's own _wtoi, for what a command-line token can hold.
TEST(DecimalTextToInt, AgreesWithTheRuntime) {
  const wchar_t* const samples[] = {L"1234",
                                    L"-1",
                                    L"+17",
                                    L"\t 42",
                                    L"12ab34",
                                    L"abc",
                                    L"",
                                    L"-",
                                    L"- 5",
                                    L"0x10",
                                    L"2147483647",
                                    L"-2147483648",
                                    L"2147483648",
                                    L"-2147483649",
                                    L"99999999999999999999",
                                    L"-99999999999999999999",
                                    L"\r\n\v\f9",
                                    L"3.9",
                                    L"+-1"};
  for (const wchar_t* sample : samples) {
    EXPECT_EQ(DecimalTextToInt(sample), _wtoi(sample)) << N(sample);
  }
  // Every UTF-16 unit as a digit, after a digit, and as leading white space.
  int mismatches = 0;
  for (int c = 1; c < 0x10000 && mismatches < 10; ++c) {
    const wchar_t unit = static_cast<wchar_t>(c);
    const wchar_t forms[][3] = {{unit, 0, 0}, {L'1', unit, 0}, {unit, L'7', 0}};
    for (const wchar_t* form : forms) {
      if (DecimalTextToInt(form) != _wtoi(form)) {
        ADD_FAILURE() << "U+" << std::hex << c << " in \"" << N(form) << "\"";
        ++mismatches;
      }
    }
  }
}
#endif

TEST(GameAddress, VintorAppendsIdPasswordAndSeconds) {
  EXPECT_EQ(Address(kVintorBuild, "http://game.example/play.html", "1234", "s3cret", 1700000000),
            "http://game.example/play.html?UserID=1234&UserPass=s3cret&time=1700000000");
  // Seconds are 64-bit and signed.
  EXPECT_EQ(Address(kVintorBuild, "b", "1", "p", 32503680000),
            "b?UserID=1&UserPass=p&time=32503680000");
  EXPECT_EQ(Address(kVintorBuild, "b", "1", "p", -1), "b?UserID=1&UserPass=p&time=-1");
  EXPECT_EQ(Address(kVintorBuild, "b", "1", "p", INT64_MIN),
            "b?UserID=1&UserPass=p&time=-9223372036854775808");
}

TEST(GameAddress, PellamAppendsIdPasswordAndStealth) {
  EXPECT_EQ(Address(kPellamBuild, "http://game.example/play.html", "1234", "s3cret", 1700000000),
            "http://game.example/play.html?nuserid=1234&cpassword=s3cret&stealth=true");
}

TEST(GameAddress, IdIsAnUnsigned32BitNumber) {
  for (const LauncherBuild* build : {&kVintorBuild, &kPellamBuild}) {
    const std::string key = build == &kVintorBuild ? "?UserID=" : "?nuserid=";
    const auto idOf = [&](const std::string& id) {
      const std::string a = Address(*build, "", id, "");
      return a.substr(key.size(), a.find('&') - key.size());
    };
    EXPECT_EQ(idOf("-1"), "4294967295");
    EXPECT_EQ(idOf("-2147483648"), "2147483648");
    EXPECT_EQ(idOf("abc"), "0");
    EXPECT_EQ(idOf("77seven"), "77");
    EXPECT_EQ(idOf(" 5"), "5");
    EXPECT_EQ(idOf("99999999999"), "2147483647");
    EXPECT_EQ(idOf(""), "0");
  }
}

TEST(GameAddress, NothingIsEncodedOrChecked) {
  // The password goes in as it is, whatever it holds.
  EXPECT_EQ(Address(kPellamBuild, "http://h/g", "1", "a&b=c #%20密码?\""),
            "http://h/g?nuserid=1&cpassword=a&b=c #%20密码?\"&stealth=true");
  // A base that already has a query gets a second "?"; spaces stay spaces.
  EXPECT_EQ(Address(kVintorBuild, "http://h/my game?room=5", "9", "", 0),
            "http://h/my game?room=5?UserID=9&UserPass=&time=0");
  EXPECT_EQ(Address(kPellamBuild, "", "", ""), "?nuserid=0&cpassword=&stealth=true");
}

TEST(LauncherSettings, FewerThanSixTokensShowNothing) {
  LauncherSettings s;
  s.baseAddress = W("untouched");
  EXPECT_FALSE(Read(kVintorBuild, "", &s));
  EXPECT_FALSE(Read(kVintorBuild, "\"C:\\Games\\vintor.exe\"", &s));
  EXPECT_FALSE(Read(kVintorBuild, "vintor.exe a b http://h/g 1234", &s));
  EXPECT_FALSE(Read(kPellamBuild, "pellam.exe a b http://h/g 1234", &s));
  // Tabs don't separate: these are fewer tokens than they look.
  EXPECT_FALSE(Read(kPellamBuild, "pellam.exe a\tb http://h/g 1234 pw", &s));
  EXPECT_EQ(N(s.baseAddress), "untouched");
}

TEST(LauncherSettings, VintorReadsSixTokens) {
  LauncherSettings s;
  ASSERT_TRUE(Read(kVintorBuild,
                   "\"C:\\Program Files\\Quenda\\vintor.exe\" one two http://h/g 1234 pw 800 600",
                   &s));
  EXPECT_EQ(N(s.programPath), "C:\\Program Files\\Quenda\\vintor.exe");
  EXPECT_EQ(N(s.unused1), "one");
  EXPECT_EQ(N(s.unused2), "two");
  EXPECT_EQ(N(s.baseAddress), "http://h/g");
  EXPECT_EQ(N(s.userId), "1234");
  EXPECT_EQ(N(s.password), "pw");
  // vintor has no size tokens: what follows the password is not read.
  EXPECT_EQ(N(s.widthText), "");
  EXPECT_EQ(s.width, 0);
  EXPECT_EQ(s.height, 0);
}

TEST(LauncherSettings, PellamReadsItsSize) {
  LauncherSettings s;
  ASSERT_TRUE(Read(kPellamBuild, "pellam.exe 1 2 http://h/g 1234 pw 800 600", &s));
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.height, 600);
  ASSERT_TRUE(Read(kPellamBuild, "pellam.exe 1 2 http://h/g 1234 pw", &s));
  EXPECT_EQ(N(s.widthText), "");
  EXPECT_EQ(s.width, 0);
  EXPECT_EQ(s.height, 0);
  ASSERT_TRUE(Read(kPellamBuild, "pellam.exe 1 2 http://h/g 1234 pw wide -30", &s));
  EXPECT_EQ(s.width, 0);
  EXPECT_EQ(s.height, -30);
  ASSERT_TRUE(Read(kPellamBuild, "pellam.exe 1 2 http://h/g 1234 pw 1024", &s));
  EXPECT_EQ(s.width, 1024);
  EXPECT_EQ(s.height, 0);
}

TEST(LauncherSettings, EmptyQuotedPasswordSwallowsTheRest) {
  // Two quotes are not an empty argument: the token starts at the second quote and, the
  // quoted state still on, runs to the end of the line.
  LauncherSettings s;
  ASSERT_TRUE(Read(kPellamBuild, "pellam.exe 1 2 http://h/g 1234 \"\" 800 600", &s));
  EXPECT_EQ(N(s.password), "\" 800 600");
  EXPECT_EQ(s.width, 0);
  EXPECT_EQ(s.height, 0);
  EXPECT_EQ(N(BuildGameAddress(kPellamBuild.address, s.baseAddress, s.userId, s.password, 0)),
            "http://h/g?nuserid=1234&cpassword=\" 800 600&stealth=true");
}

TEST(LauncherSettings, QuotedBaseWithSpacesStaysOneToken) {
  LauncherSettings s;
  ASSERT_TRUE(Read(kVintorBuild, "v.exe 1 2 \"http://h/my game/\" 7 pw", &s));
  EXPECT_EQ(N(s.baseAddress), "http://h/my game/");
  EXPECT_EQ(N(BuildGameAddress(kVintorBuild.address, s.baseAddress, s.userId, s.password, 5)),
            "http://h/my game/?UserID=7&UserPass=pw&time=5");
}

TEST(LauncherSettings, LongCommandLinesAreCutAtTwentyFiveTokens) {
  std::string line = "pellam.exe 1 2 http://h/g 1234 pw 640 480";
  for (int i = 0; i < 40; ++i) line += " extra" + std::to_string(i);
  LauncherSettings s;
  ASSERT_TRUE(Read(kPellamBuild, line, &s));
  EXPECT_EQ(s.width, 640);
  EXPECT_EQ(s.height, 480);
  EXPECT_EQ(N(s.password), "pw");
}

}  // namespace
