// The launcher's run settings, read from its command line, and the game address built from
// them. Portable: the command line is untrusted text, so this part is also built natively,
// tested under the sanitizers and fuzzed.
#pragma once

#include <cstdint>

#include "CommandLine.h"
#include "LauncherBuild.h"
#include "Utf16.h"

// What the command line gives, filled once at start. A token the command line lacks reads
// as empty text.
struct LauncherSettings {
  Utf16String programPath;  // token 0: stored, not used
  Utf16String unused1;      // token 1: stored, not used
  Utf16String unused2;      // token 2: stored, not used
  Utf16String baseAddress;  // token 3: the game's address before the query
  Utf16String userId;       // token 4: decimal text, converted when the address is built
  Utf16String password;     // token 5: used verbatim
  Utf16String widthText;    // token 6 (pellam): window width in pixels
  Utf16String heightText;   // token 7 (pellam): window height in pixels
  int width = 0;            // the two above converted; 0 when the build has no size tokens
  int height = 0;
};

// Decimal text to int by the C runtime's _wtoi rules: optional leading white space, an
// optional sign, then decimal digits up to the first other character; 0 when there are no
// digits. White space and digits include the Unicode ones the runtime accepts (ideographic
// space, full-width digits...). Values beyond the int range give INT_MAX or INT_MIN, as the
// runtime does.
int DecimalTextToInt(const Utf16Char* text);

// Fills `settings` from the split command line for `build`. False (settings untouched) when
// there are fewer than launcher::kMinTokens tokens: the program then shows nothing.
bool ReadLauncherSettings(const CCommandLine& commandLine, const LauncherBuild& build,
                          LauncherSettings* settings);

// The game address: the base followed by the build's query, the id written as an unsigned
// 32-bit number (-1 gives 4294967295), the password verbatim and, where the build wants it,
// `seconds` as a signed 64-bit number. Nothing is encoded or checked: a base that already
// holds "?" gets a second one.
Utf16String BuildGameAddress(const GameAddressFormat& format, const Utf16String& baseAddress,
                             const Utf16String& userIdText, const Utf16String& password,
                             int64_t seconds);
