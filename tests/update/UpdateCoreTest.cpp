// The updater's pure pieces with the worked examples: the plan list, the bar and the
// percentage, large sizes in 32-bit messages, the version check.
#include <gtest/gtest.h>

#include "InstallJournal.h"
#include "UpdateCore.h"

namespace {

Utf16String U(const char* utf8) { return Utf8ToUtf16(utf8); }

std::vector<Utf16String> Split(const char* text) {
  std::vector<Utf16String> pieces;
  SplitText(U(text), U16(';'), &pieces);
  return pieces;
}

TEST(SplitText, PiecesAsTheWindowCutsThem) {
  EXPECT_EQ(Split("a;b"), (std::vector<Utf16String>{U("a"), U("b")}));
  EXPECT_EQ(Split(";a"), (std::vector<Utf16String>{U(""), U("a")}));
  EXPECT_EQ(Split("a;;b"), (std::vector<Utf16String>{U("a"), U(""), U("b")}));
  EXPECT_EQ(Split("a;"), (std::vector<Utf16String>{U("a")}));
  EXPECT_EQ(Split(";"), (std::vector<Utf16String>{U("")}));
  EXPECT_TRUE(Split("").empty());
  EXPECT_EQ(Split("修复若干问题;提升稳定性"),
            (std::vector<Utf16String>{U("修复若干问题"), U("提升稳定性")}));
}

TEST(SplitText, AppendsToWhatTheListHolds) {
  std::vector<Utf16String> pieces{U("x")};
  SplitText(U("a;b"), U16(';'), &pieces);
  EXPECT_EQ(pieces, (std::vector<Utf16String>{U("x"), U("a"), U("b")}));
}

TEST(FormatPlan, NumberedLinesWithFullWidthColons) {
  EXPECT_EQ(FormatPlan(U("a;b;c")), U("1：a\n2：b\n3：c\n"));
  EXPECT_EQ(FormatPlan(U("a;")), U("1：a\n"));
  EXPECT_EQ(FormatPlan(U("")), U(""));
  EXPECT_EQ(FormatPlan(U("a;;b")), U("1：a\n2：\n3：b\n"));
  Utf16String many;
  for (int i = 0; i < 12; ++i) many += U("x;");
  const Utf16String plan = FormatPlan(many);
  EXPECT_NE(plan.find(U("12：x\n")), Utf16String::npos);
}

TEST(Progress, WorkedExamples) {
  EXPECT_EQ(ProgressBarValue(2048, 1024), 50);
  EXPECT_EQ(ProgressPercent(2048, 1024), 50);
  EXPECT_EQ(ProgressBarValue(3000, 1500), 50);
  EXPECT_EQ(ProgressPercent(3000, 1500), 50);  // 1 of 2 whole kilobytes
  EXPECT_EQ(ProgressBarValue(3000, 2999), 99);
  EXPECT_EQ(ProgressPercent(3000, 2999), 100);  // 2 of 2 whole kilobytes
  EXPECT_EQ(ProgressBarValue(10240, 7168), 70);
  EXPECT_EQ(ProgressPercent(10240, 7168), 69);  // 7/10 in single precision is below 0.7
  EXPECT_EQ(ProgressBarValue(52428800, 52428800), 100);
  EXPECT_EQ(ProgressPercent(52428800, 52428800), 100);
  EXPECT_EQ(ProgressBarValue(1000, 0), 0);
  EXPECT_EQ(ProgressPercent(1000000, 0), 0);
}

TEST(Progress, DoublePrecisionStepByStep) {
  // 29/100 * 100 is 28.999999999999996 in double arithmetic: the bar shows 28, on every
  // platform and whatever the compiler keeps in registers.
  EXPECT_EQ(ProgressBarValue(100, 29), 28);
  EXPECT_EQ(ProgressBarValue(100, 57), 56);
}

TEST(Progress, PackagesUnderOneKilobyteNeverDivideByZero) {
  EXPECT_EQ(ProgressPercent(500, 0), 0);
  EXPECT_EQ(ProgressPercent(500, 499), 0);
  EXPECT_EQ(ProgressPercent(500, 500), 100);
  EXPECT_EQ(ProgressPercent(1023, 1023), 100);
  EXPECT_EQ(ProgressPercent(0, 0), 0);
  EXPECT_EQ(ProgressBarValue(500, 250), 50);
}

TEST(Progress, NonsenseCountsStayInRange) {
  EXPECT_EQ(ProgressBarValue(0, 0), 0);
  EXPECT_EQ(ProgressBarValue(-5, 3), 0);
  EXPECT_EQ(ProgressBarValue(100, 300), 100);
  EXPECT_EQ(ProgressBarValue(100, -3), 0);
  EXPECT_EQ(ProgressPercent(2048, 4096), 100);
  EXPECT_EQ(ProgressPercent(-2048, 1024), 0);
}

TEST(ScaleProgress, SmallSizesPassAsWholeBytes) {
  uint32_t t = 0, d = 0;
  ScaleProgress(1000, 1023.9, &t, &d);
  EXPECT_EQ(t, 1000u);
  EXPECT_EQ(d, 1023u);
  ScaleProgress(2147483647.0, 2147483647.0, &t, &d);
  EXPECT_EQ(t, 2147483647u);
  EXPECT_EQ(d, 2147483647u);
}

TEST(ScaleProgress, LargeSizesKeepTheirRatioAndCompleteOnlyAtTheEnd) {
  const double total = 6442450944.0;  // 6 GiB
  uint32_t t = 0, d = 0;
  ScaleProgress(total, total / 2, &t, &d);
  EXPECT_LE(t, 2147483647u);
  EXPECT_NEAR(static_cast<double>(d) / t, 0.5, 1e-6);
  EXPECT_EQ(ProgressBarValue(static_cast<int32_t>(t), static_cast<int32_t>(d)), 50);
  ScaleProgress(total, total - 1, &t, &d);
  EXPECT_LT(d, t);  // one byte short is not complete
  ScaleProgress(total, total, &t, &d);
  EXPECT_EQ(d, t);
  EXPECT_GT(t, 0u);
  ScaleProgress(2147483648.0, 2147483647.0, &t, &d);
  EXPECT_LE(t, 2147483647u);
  EXPECT_LT(d, t);
}

TEST(VersionsMatch, WholeTextExactly) {
  EXPECT_TRUE(VersionsMatch(U("1.0.2"), U("1.0.2")));
  EXPECT_FALSE(VersionsMatch(U("1.0.2"), U("1.0.2 ")));
  EXPECT_FALSE(VersionsMatch(U("1.0.2"), U(" 1.0.2")));
  EXPECT_FALSE(VersionsMatch(U("V1"), U("v1")));
  EXPECT_FALSE(VersionsMatch(U("1.0.2"), U("")));
  const Utf16String longVersion = U("2.0.1-build.20240101.abcdefabcdef");  // 33 units
  EXPECT_TRUE(VersionsMatch(longVersion, longVersion));
  EXPECT_FALSE(VersionsMatch(longVersion.substr(0, 31), longVersion));  // no match by cutting
}

TEST(SignatureUrl, SigOnThePathBeforeAnyQuery) {
  EXPECT_EQ(SignatureUrl(U("http://h/u.zip")), U("http://h/u.zip.sig"));
  EXPECT_EQ(SignatureUrl(U("https://h/u.zip?v=2&x=.zip")), U("https://h/u.zip.sig?v=2&x=.zip"));
  EXPECT_EQ(SignatureUrl(U("http://h/u.zip#top")), U("http://h/u.zip.sig#top"));
}

TEST(PercentEncodeNonAscii, Utf8BytesOfWhatAsciiLacks) {
  EXPECT_EQ(PercentEncodeNonAscii(U("http://h/a b?x=1%20")), "http://h/a b?x=1%20");
  EXPECT_EQ(PercentEncodeNonAscii(U("http://h/升级/é")), "http://h/%E5%8D%87%E7%BA%A7/%C3%A9");
  Utf16String lone = U("x");
  lone.push_back(static_cast<Utf16Char>(0xD800));
  EXPECT_EQ(PercentEncodeNonAscii(lone), "x%EF%BF%BD");
}

TEST(InstallJournal, ReadsBackOnlyWholeJournalsThatStayInside) {
  InstallJournal journal;
  journal.state = InstallJournal::State::kRollback;
  journal.newFolders = {U("新"), U("新\\sub")};
  journal.files = {U("update.exe"), U("新\\sub\\a b.dll")};
  const std::string text = SerializeJournal(journal);
  InstallJournal back;
  ASSERT_TRUE(ParseJournal(text, &back));
  EXPECT_EQ(back.state, journal.state);
  EXPECT_EQ(back.newFolders, journal.newFolders);
  EXPECT_EQ(back.files, journal.files);

  // Cut anywhere, it is not taken for a whole one; nor with a path that could leave the folder.
  for (size_t n = 0; n < text.size(); ++n)
    EXPECT_FALSE(ParseJournal(text.substr(0, n), &back)) << n;
  const char* bad[] = {"..\\x", "C:\\x", "\\x", "a/b", "a\\\\b", "a\\", "con", "x\xff"};
  for (const char* path : bad) {
    const std::string forged =
        "quenda-install-journal 1\nstate commit\nfile " + std::string(path) + "\nend 0 1\n";
    EXPECT_FALSE(ParseJournal(forged, &back)) << path;
  }
  EXPECT_TRUE(ParseJournal("quenda-install-journal 1\nstate commit\nfile ok\nend 0 1\n", &back));
}

}  // namespace
