// The updater's pure pieces, kept apart from Windows so that they are tested natively: the
// plan list, the figures of the progress display and the version check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Utf16.h"

// Appends the pieces of `text` cut at each `delimiter` to `pieces`. An empty text gives no
// piece; empty pieces between delimiters are kept; a delimiter at the very end adds no empty
// last piece. So "a;b" gives a, b; ";a" gives "", a; "a;;b" gives a, "", b; "a;" gives a.
void SplitText(const Utf16String& text, Utf16Char delimiter, std::vector<Utf16String>* pieces);

// The plan as the window shows it: the pieces of `planText` cut at ';', one per line, each as
// its number from 1, a full-width colon (U+FF1A), the piece and a line feed. "" for no pieces.
Utf16String FormatPlan(const Utf16String& planText);

// The bar's value from the byte counts of a progress message: done / total * 100 in double
// precision, truncated toward zero, kept within 0..100 (0 when total is not positive).
int ProgressBarValue(int32_t total, int32_t done);

// The percentage shown beside the bar, from whole kilobytes: the ratio of done to total
// kilobytes in single precision, times 100, truncated toward zero. Below one kilobyte of
// total the ratio has no meaning: 100 once done reaches total, 0 before.
int ProgressPercent(int32_t total, int32_t done);

// Byte counts of any size as the two 32-bit parameters of a progress message, each truncated
// toward zero to whole bytes. Totals of 2^31 bytes or more are divided, with done, by a common
// factor so that both fit and their ratio holds; done then reaches total only when the true
// counts are equal.
void ScaleProgress(double total, double done, uint32_t* total32, uint32_t* done32);

// An address for a library that takes 8-bit text: every character beyond ASCII as its UTF-8
// bytes in %XX form, as browsers send them; ASCII stays as it is. Unpaired surrogates become
// U+FFFD.
std::string PercentEncodeNonAscii(const Utf16String& url);

// Where a package's signature is published: its address with ".sig" appended to the path,
// before any query or fragment ("http://h/u.zip?x=1" gives "http://h/u.zip.sig?x=1").
Utf16String SignatureUrl(const Utf16String& packageUrl);

// The version check after an update: the whole texts, unit by unit, exactly.
bool VersionsMatch(const Utf16String& expected, const Utf16String& installed);
