#!/usr/bin/env python3
"""Generates the two lookup tables of the XML reader.

  XmlEntityTable.inc    the named character references of HTML 4.01 (Python's
                        html.entities.name2codepoint holds exactly those 252 names) plus "apos"
  XmlCodePageTable.inc  the encoding names that a document may declare, with their code pages

Both tables are hashed by the sum of the name's characters after folding A-Z to lower case:
rows are emitted grouped by bucket, and a bucket table gives where each bucket starts, so a
lookup sums the name, picks its bucket and compares a handful of rows. Names that differ only
in case (Eacute/eacute, rArr/rarr) share a bucket; the capital form comes first.

Run from anywhere:  python3 update/xml/gen_xml_tables.py   (rewrites the .inc files beside it)
"""
import html.entities
import os

ENTITY_BUCKETS = 130
CODEPAGE_BUCKETS = 150

# Code page: the names that select it (lower case, as looked up).
CODEPAGES = """
37: ebcdic-cp-us
420: x-ebcdic-arabic
437: 437, codepage437, cp437, cspc8, ibm437
708: asmo-708
720: dos-720
737: ibm737
775: cp500, ibm775
850: ibm850
852: cp852, ibm852
857: ibm857
861: ibm861
862: dos-862
866: cp866, ibm866
869: ibm869
870: cp870
874: dos-874, iso-8859-11, tis-620, windows-874
875: x-ebcdic-greekmodern
932: csshiftjis, cswindows31j, ms_kanji, shift-jis, shift_jis, x-ms-cp932, x-sjis
936: chinese, cn-gb, csgb2312, csgb231280, csiso58gb231280, gb2312, gb2312-80, gb231280, gb_2312-80, gbk, iso-ir-58
949: csksc56011987, euc-kr, iso-ir-149, korean, ks_c_5601, ks_c_5601-1987, ks_c_5601-1989, ks_c_5601_1987, ksc5601, ksc_5601
950: big5, cn-big5, csbig5, x-x-big5
1026: cp1026
1140: x-ebcdic-cp-us-euro
1142: x-ebcdic-denmarknorway-euro
1143: x-ebcdic-finlandsweden-euro, x-ebcdic-france, x-ebcdic-germany-euro
1144: x-ebcdic-italy-euro
1145: x-ebcdic-spain-euro
1146: x-ebcdic-uk-euro
1147: x-ebcdic-france-euro
1148: x-ebcdic-international-euro
1149: x-ebcdic-icelandic-euro
1200: unicode, utf-16
1201: unicodefffe
1250: windows-1250, x-cp1250
1251: windows-1251, x-cp1251
1252: iso-ir-6, us, windows-1252, x-ansi
1253: windows-1253
1254: windows-1254
1255: iso_8859-8-i, windows-1255
1256: cp1256, windows-1256
1257: windows-1257
1258: windows-1258
1361: johab
10000: macintosh
10001: x-mac-japanese
10002: x-mac-chinesetrad
10003: x-mac-korean
10004: x-mac-arabic
10005: x-mac-hebrew
10006: x-mac-greek
10007: x-mac-cyrillic
10008: x-mac-chinesesimp
10029: x-mac-ce
10079: x-mac-icelandic
10081: x-mac-turkish
20000: x-chinese-cns
20002: x-chinese-eten
20105: x-ia5
20106: x-ia5-german
20107: x-ia5-swedish
20108: x-ia5-norwegian
20127: ansi_x3.4-1968, ansi_x3.4-1986, ascii, cp367, csascii, ibm367, iso-ir-6us, iso646-us, iso_646.irv:1991, us-ascii
20273: x-ebcdic-germany
20277: x-ebcdic-denmarknorway
20278: x-ebcdic-finlandsweden
20280: x-ebcdic-italy
20284: x-ebcdic-spain
20285: x-ebcdic-uk
20290: x-ebcdic-japanesekatakana
20423: x-ebcdic-greek
20424: x-ebcdic-hebrew
20833: x-ebcdic-koreanextended
20838: x-ebcdic-thai
20866: cskoi8r, koi, koi8, koi8-r, koi8r
20873: x-ebcdic-icelandic
20880: x-ebcdic-cyrillicrussian
20905: x-ebcdic-turkish
21025: x-ebcdic-cyrillicserbianbulgarian
21866: koi8-ru, koi8-u
28591: cp819, ibm819, iso-8859-1, iso-ir-100, iso8859-1, iso_8859-1, iso_8859-1:1987, l1, latin1
28592: csisolatin2, iso-8859-2, iso-ir-101, iso8859-2, iso_8859-2, iso_8859-2:1987, l2, latin2
28593: csiso, iso-8859-3, iso-ir-109, iso_8859-3, iso_8859-3:1988, l3, latin3
28594: csisolatin4, iso-8859-4, iso-ir-110, iso_8859-4, iso_8859-4:1988, l4, latin4
28595: csisolatin5, csisolatincyrillic, cyrillic, iso-8859-5, iso-ir-144, iso_8859-5, iso_8859-5:1988, l5
28596: arabic, csisolatinarabic, ecma-114, iso-8859-6, iso-ir-127, iso_8859-6, iso_8859-6:1987
28597: csisolatingreek, ecma-118, elot_928, greek, greek8, iso-8859-7, iso-ir-126, iso_8859-7, iso_8859-7:1987
28598: csisolatinhebrew, hebrew, iso-8859-8, iso-ir-138, iso_8859-8, iso_8859-8:1988, visual
28599: iso-8859-9, iso-ir-148, iso_8859-9, iso_8859-9:1989, latin5
28605: iso-8859-15, iso_8859-15, l9, latin9
29001: x-europa
38598: iso-8859-8-i, logical
50220: iso-2022-jp
50221: _iso-2022-jp, csiso2022jp
50222: _iso-2022-jp$sio
50225: csiso2022kr, iso-2022-kr
50930: x-ebcdic-japaneseandkana
50933: x-ebcdic-japaneseanduscanada, x-ebcdic-koreanandkoreanextended
50935: x-ebcdic-simplifiedchinese
50937: x-ebcdic-traditionalchinese
50939: x-ebcdic-japaneseandjapaneselatin
51932: cseucpkdfmtjapanese, euc-jp, extended_unix_code_packed_format_for_japanese, x-euc, x-euc-jp
51936: euc-cn, x-euc-cn
51949: cseuckr
52936: hz-gb-2312
57002: x-iscii-de
57003: x-iscii-be
57004: x-iscii-ta
57005: x-iscii-te
57006: x-iscii-as
57007: x-iscii-or
57008: x-iscii-ka
57009: x-iscii-ma
57010: x-iscii-gu
57011: x-iscii-pa
65000: csunicode11utf7, unicode-1-1-utf-7, utf-7, x-unicode-2-0-utf-7
65001: unicode-1-1-utf-8, unicode-2-0-utf-8, utf-8, x-unicode-2-0-utf-8
"""


def fold(name):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in name)


def bucket_of(name, buckets):
    return sum(ord(c) for c in fold(name)) % buckets


def c_string(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def bucketed(rows, buckets):
    """rows: (name, value) pairs. Returns the rows grouped by bucket and the bucket starts."""
    groups = [[] for _ in range(buckets)]
    for name, value in rows:
        groups[bucket_of(name, buckets)].append((name, value))
    out, starts = [], []
    for g in groups:
        starts.append(len(out))
        # Folded name order; among names that fold alike the capital form comes first.
        g.sort(key=lambda r: (fold(r[0]), r[0]))
        out.extend(g)
    starts.append(len(out))
    return out, starts


def write(path, text):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def format_starts(starts):
    lines, line = [], "   "
    for s in starts:
        item = " %d," % s
        if len(line) + len(item) > 98:
            lines.append(line)
            line = "   "
        line += item
    lines.append(line)
    return "\n".join(lines)


def write_table(path, about, prefix, array, rows, buckets):
    """Writes `rows` grouped by bucket as the array `array`, with its bucket table
    k<prefix>BucketStart and bucket count k<prefix>Buckets; `about` opens the comment."""
    table, starts = bucketed(rows, buckets)
    body = "\n".join("    {%s, %d}," % (c_string(n), v) for n, v in table)
    write(path, f"""\
{about.format(count=len(table))} Bucket b holds rows
// [k{prefix}BucketStart[b], k{prefix}BucketStart[b + 1]).

static const int k{prefix}Buckets = {buckets};

static const XmlNamedValue {array}[{len(table)}] = {{
{body}
}};

static const unsigned short k{prefix}BucketStart[{buckets + 1}] = {{
{format_starts(starts)}
}};
""")


def entities(here):
    rows = dict(html.entities.name2codepoint)
    assert len(rows) == 252, "HTML 4.01 has 252 named character references"
    rows["apos"] = 39
    about = f"""\
// Generated by gen_xml_tables.py from Python's html.entities.name2codepoint; do not edit.
// {{count}} named character references in {ENTITY_BUCKETS} buckets keyed by the sum of the name's
// characters after folding A-Z to lower case."""
    write_table(os.path.join(here, "XmlEntityTable.inc"), about, "Entity", "kEntities",
                sorted(rows.items()), ENTITY_BUCKETS)


def codepages(here):
    rows = []
    for line in CODEPAGES.strip().splitlines():
        page, names = line.split(":", 1)
        for name in names.split(","):
            rows.append((name.strip(), int(page)))
    pages = {p for _, p in rows}
    assert len(rows) == 254 and len(pages) == 116, (len(rows), len(pages))
    assert len({n for n, _ in rows}) == len(rows), "duplicate encoding name"
    assert all(fold(n) == n for n, _ in rows)
    about = f"""\
// Generated by gen_xml_tables.py; do not edit.
// {{count}} encoding names for {len(pages)} code pages in {CODEPAGE_BUCKETS} buckets keyed by the sum of
// the name's characters (names are lower case)."""
    write_table(os.path.join(here, "XmlCodePageTable.inc"), about, "CodePage", "kCodePages", rows,
                CODEPAGE_BUCKETS)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    entities(here)
    codepages(here)

