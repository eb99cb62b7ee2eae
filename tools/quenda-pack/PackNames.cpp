#include "PackNames.h"

#include "ZipNames.h"

namespace qpack {

namespace {

Utf16Char UpperCase(Utf16Char c) {
  const unsigned u = static_cast<unsigned>(c);
  auto pairUpper = [u](unsigned lowerParity) {  // pairs of capital and small letter
    return static_cast<Utf16Char>((u & 1) == lowerParity ? u - 1 : u);
  };
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? static_cast<Utf16Char>(u - 32) : c;
  if (u == 0xB5) return static_cast<Utf16Char>(0x39C);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<Utf16Char>(u - 0x20);
  if (u == 0xFF) return static_cast<Utf16Char>(0x178);
  if ((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) return pairUpper(1);
  if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) return pairUpper(0);
  if (u == 0x3AC) return static_cast<Utf16Char>(0x386);
  if (u >= 0x3AD && u <= 0x3AF) return static_cast<Utf16Char>(u - 0x25);
  if (u == 0x3C2) return static_cast<Utf16Char>(0x3A3);
  if (u >= 0x3B1 && u <= 0x3CB) return static_cast<Utf16Char>(u - 0x20);
  if (u == 0x3CC) return static_cast<Utf16Char>(0x38C);
  if (u == 0x3CD || u == 0x3CE) return static_cast<Utf16Char>(u - 0x3F);
  if (u >= 0x430 && u <= 0x44F) return static_cast<Utf16Char>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<Utf16Char>(u - 0x50);
  if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF)) return pairUpper(1);
  if (u >= 0x4C1 && u <= 0x4CE) return pairUpper(0);
  if (u == 0x4CF) return static_cast<Utf16Char>(0x4C0);
  if (u >= 0x4D0 && u <= 0x52F) return pairUpper(1);
  if (u >= 0x561 && u <= 0x586) return static_cast<Utf16Char>(u - 0x30);
  if ((u >= 0x1E00 && u <= 0x1E95) || (u >= 0x1EA0 && u <= 0x1EFF)) return pairUpper(1);
  if (u >= 0x2170 && u <= 0x217F) return static_cast<Utf16Char>(u - 0x10);
  if (u >= 0x24D0 && u <= 0x24E9) return static_cast<Utf16Char>(u - 0x1A);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<Utf16Char>(u - 0x20);
  return c;
}

bool IsForbidden(Utf16Char c) {
  switch (c) {
    case U16('\\'):
    case U16('/'):
    case U16(':'):
    case U16('*'):
    case U16('?'):
    case U16('"'):
    case U16('<'):
    case U16('>'):
    case U16('|'):
      return true;
    default:
      return c < 0x20;
  }
}

}  // namespace

std::string RefuseName(const std::string& name) {
  const Utf16String wide = Utf8ToUtf16(name);
  if (wide.empty()) return "the name is empty";
  bool dotsAndSpaces = true;
  for (Utf16Char c : wide) {
    if (IsForbidden(c)) {
      if (c < 0x20) return "the name holds a control character, which Windows forbids in names";
      return std::string("the name holds '") + static_cast<char>(c) +
             "', which Windows forbids in names";
    }
    if (c != U16('.') && c != U16(' ')) dotsAndSpaces = false;
  }
  if (dotsAndSpaces) return "the name is only dots and spaces, which Windows can't keep";
  if (wide.back() == U16('.') || wide.back() == U16(' ')) {
    return "the name ends in a dot or a space, which Windows drops from names";
  }
  if (!qzip::IsSafeRelativeName(wide.c_str(), wide.size())) {
    return "the name is a Windows device (CON, PRN, AUX, NUL, COM1-9, LPT1-9), with or "
           "without an extension";
  }
  return std::string();
}

Utf16String FoldCase(const Utf16String& name) {
  Utf16String out(name);
  for (Utf16Char& c : out) c = UpperCase(c);
  return out;
}

size_t WindowsLength(const std::string& path) { return Utf8ToUtf16(path).size(); }

}  // namespace qpack
