#include "GameAddress.h"

#include <climits>

namespace {

// White space and digits as the C runtime's _wtoi knows them: besides ASCII, the Unicode
// spaces, and the digits of the scripts whose ten digits are one block (Arabic-Indic,
// Devanagari, Thai, full-width...). Ids and sizes typed with an input method arrive that way.
bool IsSpace(Utf16Char c) {
  return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// The value of a decimal digit, or -1.
int DigitValue(Utf16Char c) {
  static const uint16_t kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                    0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                    0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
  for (const uint16_t zero : kZeros) {
    if (c >= zero && c < zero + 10) return c - zero;
  }
  return -1;
}

// ASCII digits of an unsigned magnitude, appended to `out`.
void AppendDecimal(Utf16String* out, uint64_t value) {
  Utf16Char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<Utf16Char>(U16('0') + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out->push_back(digits[--n]);
}

void AppendSigned(Utf16String* out, int64_t value) {
  if (value < 0) {
    out->push_back(U16('-'));
    // The magnitude of INT64_MIN does not fit an int64_t; compute it unsigned.
    AppendDecimal(out, 0 - static_cast<uint64_t>(value));
  } else {
    AppendDecimal(out, static_cast<uint64_t>(value));
  }
}

}  // namespace

int DecimalTextToInt(const Utf16Char* text) {
  if (text == nullptr) return 0;
  const Utf16Char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == U16('+') || *p == U16('-')) {
    negative = *p == U16('-');
    ++p;
  }
  // Accumulate the magnitude, saturating just past the int range.
  const int64_t limit = static_cast<int64_t>(INT_MAX) + 1;
  int64_t magnitude = 0;
  for (int digit = DigitValue(*p); digit >= 0; digit = DigitValue(*++p)) {
    magnitude = magnitude * 10 + digit;
    if (magnitude > limit) magnitude = limit;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool ReadLauncherSettings(const CCommandLine& commandLine, const LauncherBuild& build,
                          LauncherSettings* settings) {
  if (commandLine.GetCount() < launcher::kMinTokens) return false;
  Utf16String* fields[] = {&settings->programPath, &settings->unused1,   &settings->unused2,
                           &settings->baseAddress, &settings->userId,    &settings->password,
                           &settings->widthText,   &settings->heightText};
  const int fieldCount = static_cast<int>(sizeof(fields) / sizeof(fields[0]));
  for (int i = 0; i < fieldCount; ++i) {
    const Utf16Char* token = i < build.tokensRead ? commandLine.GetToken(i) : nullptr;
    fields[i]->assign(token ? token : U16(""));
  }
  settings->width = build.sizeFromCommandLine ? DecimalTextToInt(settings->widthText.c_str()) : 0;
  settings->height = build.sizeFromCommandLine ? DecimalTextToInt(settings->heightText.c_str()) : 0;
  return true;
}

Utf16String BuildGameAddress(const GameAddressFormat& format, const Utf16String& baseAddress,
                             const Utf16String& userIdText, const Utf16String& password,
                             int64_t seconds) {
  // The server reads the id as a 32-bit number: a negative id travels as its two's
  // complement.
  const uint32_t id = static_cast<uint32_t>(DecimalTextToInt(userIdText.c_str()));
  Utf16String address = baseAddress;
  address += format.idKey;
  AppendDecimal(&address, id);
  address += format.passwordKey;
  address += password;
  address += format.suffix;
  if (format.suffixTakesSeconds) AppendSigned(&address, seconds);
  return address;
}
