// Finding out how an XML file is encoded: byte-order marks, the XML declaration, an HTML meta
// charset, a UTF-8 check, and the code page that an encoding name stands for. Portable; the
// conversion itself is the platform's (XmlPlatform.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "Utf16.h"

// Code pages with a meaning of their own here.
enum : unsigned {
  XML_CP_ANSI = 0,  // the system's ANSI code page
  XML_CP_UTF32 = 65005,
  XML_CP_UTF8 = 65001,
};

// Code page of an encoding name, looked up without regard to ASCII case. "" gives 0; a name
// beginning with "UTF-32" gives 65005; a name of 100 characters or more, or one not known,
// gives 0 with *found false (both mean the system's ANSI code page).
unsigned XmlCodePageOfName(const Utf16Char* name, size_t length, bool* found = nullptr);

enum XmlBom { XML_BOM_NONE, XML_BOM_UTF8, XML_BOM_UTF16LE, XML_BOM_UTF16BE };
// The byte-order mark at the start of `bytes`, and its length.
XmlBom XmlDetectBom(const unsigned char* bytes, size_t length, size_t* markLength);

// The encoding that the start of a document declares: the "encoding" attribute of a leading
// XML declaration, or, in an HTML document, the charset of a
// <meta http-equiv="Content-Type" content="...; charset=..."> before </head>. "" when none.
// Names are compared without regard to ASCII case.
Utf16String XmlDeclaredEncoding(const Utf16Char* text, size_t length);

// A UTF-8 check of bytes up to the first zero byte: every byte of 0x80 or above must lead a
// sequence of the length its bits 5 and 4 announce, followed by that many bytes of the form
// 10xxxxxx. Leads with bits 5, 4 and 3 all set, and follower bytes in the lead position, fail.
bool XmlLooksLikeUtf8(const unsigned char* bytes, size_t length);

// Turns the `*units` byte pairs at `units` into UTF-16 units of the given byte order, in place
// (so a big-endian file is swapped on any machine), leaving out zero units: *units becomes
// the count kept; returns the count left out.
size_t XmlUnitsInPlace(Utf16Char* units, size_t* count, bool bigEndian);

// Removes every zero byte in place, closing up the gaps; returns how many there were.
size_t XmlRemoveZeroBytes(char* bytes, size_t* length);
