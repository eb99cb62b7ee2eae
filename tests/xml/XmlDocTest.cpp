// The reader's core over UTF-16 text: indexing, result texts, navigation, element text,
// attributes and character references.
#include <gtest/gtest.h>

#include <string>

#include "XmlTestUtil.h"

namespace {

// Reads config/version the way the updater does.
std::string Version(const std::string& xml, bool* wellFormed = nullptr) {
  CXmlDoc doc;
  const bool ok = Set(&doc, xml);
  if (wellFormed) *wellFormed = ok;
  if (!Find(&doc, "config") || !doc.EnterElement() || !Find(&doc, "version")) return "<none>";
  return Data(doc);
}

TEST(XmlDoc, ConstructedEmpty) {
  CXmlDoc doc;
  EXPECT_EQ(Result(doc), "Empty document");
  EXPECT_FALSE(doc.IsWellFormed());
  EXPECT_FALSE(doc.FindElement(nullptr));
  EXPECT_FALSE(doc.EnterElement());
  EXPECT_FALSE(doc.LeaveElement());
  EXPECT_EQ(Data(doc), "");
  EXPECT_EQ(Tag(doc), "");
  EXPECT_FALSE(doc.SetDocText(nullptr));
  EXPECT_EQ(Result(doc), "Empty document");
}

TEST(XmlDoc, UpdaterReadsVersion) {
  bool ok = false;
  EXPECT_EQ(Version("<?xml version=\"1.0\"?>\r\n<config>\r\n  <name>Q</name>\r\n"
                    "  <version>2.3.1</version>\r\n</config>\r\n",
                    &ok),
            "2.3.1");
  EXPECT_TRUE(ok);
  // Surrounding whitespace is part of the text.
  EXPECT_EQ(Version("<config><version> 1.0.2 </version></config>"), " 1.0.2 ");
  // A version element holding an element has no text.
  EXPECT_EQ(Version("<config><version>1<b/>2</version></config>"), "");
  // Another root: no config.
  EXPECT_EQ(Version("<settings><version>1</version></settings>"), "<none>");
  // Only children of config are looked at.
  EXPECT_EQ(Version("<config><x><version>1</version></x></config>"), "<none>");
}

TEST(XmlDoc, ElementTextDecodingAndMixedContent) {
  EXPECT_EQ(Version("<config><version>a&amp;b&lt;c&gt;d</version></config>"), "a&b<c>d");
  EXPECT_EQ(Version("<config><version>&#65;&#x41;&#X41;</version></config>"), "AAA");
  EXPECT_EQ(Version("<config><version>&unknown;&amp</version></config>"), "&unknown;&amp");
  EXPECT_EQ(Version("<config><version><![CDATA[1.<0>&amp;]]></version></config>"), "1.<0>&amp;");
  EXPECT_EQ(Version("<config><version>1.<!-- c -->0</version></config>"), "1.0");
  // Whitespace-only nodes between markup are left out; whitespace inside text stays.
  EXPECT_EQ(Version("<config><version> a <!--x--> <?pi?> b &lt; <![CDATA[ c ]]></version>"
                    "</config>"),
            " a  b <  c ");
  // '>' in text is plain text.
  EXPECT_EQ(Version("<config><version>a>b</version></config>"), "a>b");
  EXPECT_EQ(Version("<config><version>a > <!--x--> b</version></config>"), "a > b");
  // Empty-element tag: no text.
  EXPECT_EQ(Version("<config><version/></config>"), "");
  EXPECT_EQ(Version("<config><version></version></config>"), "");
}

TEST(XmlDoc, CharacterReferences) {
  auto decode = [](const std::string& s) {
    CXmlDoc doc;
    Set(&doc, "<r>" + s + "</r>");
    doc.FindElement(nullptr);
    return Data(doc);
  };
  EXPECT_EQ(decode("&quot;&apos;&nbsp;&diams;&euro;"), "\"'\u00a0\u2666\u20ac");
  EXPECT_EQ(decode("&#x1F600;"), "\U0001F600");  // a surrogate pair
  EXPECT_EQ(decode("&#1114111;"), "\U0010FFFF");
  // Beyond U+10FFFF, or a lone surrogate: no character, left as written.
  EXPECT_EQ(decode("&#x110000;&#1114112;&#xD800;"), "&#x110000;&#1114112;&#xD800;");
  EXPECT_EQ(decode("&#0;&#;&#x;&#12a;&#xg1;"), "&#0;&#;&#x;&#12a;&#xg1;");
  // Names are found without regard to case; of two names that differ only in case the
  // spelling written wins, any other spelling takes the capital form.
  EXPECT_EQ(decode("&eacute;&Eacute;&EACUTE;&AMP;"), "\u00e9\u00c9\u00c9&");
  EXPECT_EQ(decode("&rarr;&rArr;&RARR;"), "\u2192\u21d2\u21d2");
  EXPECT_EQ(decode("&thetasym;&alefsym;"), "\u03d1\u2135");
  // At most 9 ASCII characters before the ';'.
  EXPECT_EQ(decode("&#00000065;&#000000065;"), "A&#000000065;");
  EXPECT_EQ(decode("&am\u00e9;&a&amp;"), "&am\u00e9;&a&");
  EXPECT_EQ(decode("&&amp;;&"), "&&;&");
}

TEST(XmlDoc, TwoRootsAndNoRoot) {
  CXmlDoc doc;
  EXPECT_FALSE(Set(&doc, "<a/><b/>"));
  EXPECT_EQ(Result(doc), "Root element has sibling");
  EXPECT_TRUE(Find(&doc, "b"));  // the index is built all the same

  EXPECT_FALSE(Set(&doc, "  \r\n"));
  EXPECT_EQ(Result(doc), "No root element");
  EXPECT_FALSE(Set(&doc, "<?xml version='1.0'?><!-- only a comment -->text"));
  EXPECT_EQ(Result(doc), "No root element");
  // Replaces any earlier problem.
  EXPECT_FALSE(Set(&doc, "<a></b></a><c/>"));
  EXPECT_EQ(Result(doc), "Root element has sibling");

  EXPECT_TRUE(Set(&doc, "<?xml version='1.0'?>\n<!DOCTYPE a>\n<!-- c --><a/>\n"));
  EXPECT_EQ(Result(doc), "");
}

TEST(XmlDoc, EndTagNotMatchingClosesInnerElementsAsNeverEnded) {
  CXmlDoc doc;
  EXPECT_FALSE(Set(&doc, "<a><b></a>"));
  EXPECT_EQ(Result(doc), "End tag 'a' at offset 7 does not match start tag 'b' at offset 3");
  ASSERT_TRUE(Find(&doc, "a"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(Find(&doc, "b"));
  EXPECT_FALSE(doc.HasChildElements());
  EXPECT_EQ(Data(doc), "");  // never ended

  // The never-ended elements' children move up to follow them, in document order.
  EXPECT_FALSE(Set(&doc, "<r><x><y><c1/><z><c2/></r>"));
  EXPECT_EQ(Result(doc), "End tag 'r' at offset 23 does not match start tag 'z' at offset 14");
  ASSERT_TRUE(Find(&doc, "r"));
  ASSERT_TRUE(doc.EnterElement());
  std::string order;
  while (doc.FindElement(nullptr)) {
    order += Tag(doc) + (doc.HasChildElements() ? "+ " : " ");
  }
  EXPECT_EQ(order, "x y c1 z c2 ");
  // And r itself is complete: its text is read (it has children, so it's empty) and the
  // document ends cleanly after it.
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(Tag(doc), "r");
  EXPECT_FALSE(doc.FindElement(nullptr));
}

TEST(XmlDoc, EndTagWithoutStartTagIsIgnored) {
  CXmlDoc doc;
  EXPECT_FALSE(Set(&doc, "<a></b></a>"));
  EXPECT_EQ(Result(doc), "No start tag for end tag 'b' at offset 3");
  EXPECT_FALSE(Set(&doc, "<a>x</b>y</a>"));
  ASSERT_TRUE(Find(&doc, "a"));
  EXPECT_EQ(Data(doc), "xy");  // a is complete
  // Only the first problem is reported.
  EXPECT_FALSE(Set(&doc, "<a></b></c></a>"));
  EXPECT_EQ(Result(doc), "No start tag for end tag 'b' at offset 3");
}

TEST(XmlDoc, ElementsNotEnded) {
  CXmlDoc doc;
  EXPECT_FALSE(Set(&doc, "<a>text"));
  EXPECT_EQ(Result(doc), "Element 'a' at offset 0 not ended");
  EXPECT_EQ(Data(doc), "");
  EXPECT_FALSE(Set(&doc, "<a><b>"));
  EXPECT_FALSE(Set(&doc, "<a><b><c>x"));
  EXPECT_EQ(Result(doc), "Root element has sibling");  // b and c moved up beside a
  // A truncated version file: config never ended, its children move up beside it.
  EXPECT_FALSE(Set(&doc, "<config><version>1.0</version>"));
  EXPECT_EQ(Result(doc), "Root element has sibling");
  ASSERT_TRUE(Find(&doc, "config"));
  EXPECT_FALSE(doc.HasChildElements());
  ASSERT_TRUE(Find(&doc, "version"));
  EXPECT_EQ(Data(doc), "1.0");  // complete, though what held it was never ended
  // "/>" closes an element only after the name, whitespace or a quoted value.
  EXPECT_TRUE(Set(&doc, "<r><a/><b /><c d='1'/></r>"));
  EXPECT_FALSE(Set(&doc, "<r><a d=1/></r>"));
  EXPECT_EQ(Result(doc), "End tag 'r' at offset 12 does not match start tag 'a' at offset 3");
}

TEST(XmlDoc, BadNodes) {
  struct Case {
    const char* xml;
    const char* result;
  } cases[] = {
      {"<a><1></a>", "Incorrect tag name character at offset 3"},
      {"<a>< b></a>", "Incorrect tag name character at offset 3"},
      {"<a><!-x></a>", "Incorrect comment tag at offset 3"},
      {"<a><![x[]]></a>", "Incorrect tag at offset 3"},
      {"<a><!x></a>", "Incorrect ! tag at offset 3"},
      {"<a></a><", "Incorrect tag name character at offset 7"},
      {"<a></a><!", "Incorrect ! tag at offset 7"},
      {"<r><a b='>", "Element tag at offset 3 unterminated"},
      {"<a></a", "Element end tag at offset 3 unterminated"},
      {"<a><![CDATA[x]]</a>", "CDATA Section at offset 3 unterminated"},
      {"<a/><?pi x", "Processing instruction at offset 4 unterminated"},
      {"<a/><!-- x --", "Comment at offset 4 unterminated"},
      {"<r/><!DOCTYPE a [<!ENTITY x '>'>", "Doctype at offset 4 unterminated"},
      {"<r/><!ELEMENT a '>", "tag at offset 4 unterminated"},
      // Without a root element that is what the result says.
      {"<a b='>", "No root element"},
  };
  for (const Case& c : cases) {
    CXmlDoc doc;
    EXPECT_FALSE(Set(&doc, c.xml)) << c.xml;
    EXPECT_EQ(Result(doc), c.result) << c.xml;
  }
  // A bad node ends at the next '>' or before the next '<': what follows is read as usual.
  CXmlDoc doc;
  EXPECT_FALSE(Set(&doc, "<r><!x <v>1</v></r>"));
  ASSERT_TRUE(Find(&doc, "r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(Find(&doc, "v"));
  EXPECT_EQ(Data(doc), "1");
}

TEST(XmlDoc, MarkupThatHidesTags) {
  CXmlDoc doc;
  // Quotes protect '>' in attribute values, and only after '='.
  EXPECT_TRUE(Set(&doc, "<r a='x>y' b = \"<c>\"><v/></r>"));
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_EQ(Attrib(doc, "a"), "x>y");
  EXPECT_EQ(Attrib(doc, "b"), "<c>");
  EXPECT_TRUE(Set(&doc, "<r 'x>y'</r>"));  // a quote not after '=' protects nothing
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_EQ(Data(doc), "y'");
  // Comments, CDATA, processing instructions and a DOCTYPE with an internal subset hide tags.
  EXPECT_TRUE(Set(&doc,
                  "<!DOCTYPE r [\n  <!ENTITY e \"<x>\">\n  <!-- it's > -->\n  <!ELEMENT r ANY>\n]>"
                  "<r><!-- <a> --><![CDATA[<b>]]><?p <c>?></r>"));
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_FALSE(doc.HasChildElements());
  EXPECT_EQ(Data(doc), "<b>");
}

TEST(XmlDoc, Navigation) {
  CXmlDoc doc;
  ASSERT_TRUE(Set(&doc,
                  "<Window size=\"398,360\">\n"
                  "  <Font name=\"宋体\" size=\"12\"/>\n"
                  "  <VerticalLayout>\n"
                  "    <Label name=\"title\" text=\"升级\"/>\n"
                  "    <Progress name=\"bar\" value=\"0\"/>\n"
                  "  </VerticalLayout>\n"
                  "  <Font name=\"Arial\"/>\n"
                  "</Window>"));
  EXPECT_FALSE(doc.LeaveElement());  // already at the top
  ASSERT_TRUE(Find(&doc, "Window"));
  EXPECT_TRUE(doc.HasChildElements());
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(Find(&doc, "Font"));
  EXPECT_EQ(Attrib(doc, "name"), "宋体");
  // The next Font is searched after the current one.
  ASSERT_TRUE(Find(&doc, "Font"));
  EXPECT_EQ(Attrib(doc, "name"), "Arial");
  EXPECT_FALSE(Find(&doc, "Font"));
  EXPECT_EQ(Attrib(doc, "name"), "Arial");  // a failed search leaves the position

  // Walk the children of VerticalLayout, then come back to it and go on.
  doc.ResetPos();
  ASSERT_TRUE(doc.FindElement(nullptr));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(Find(&doc, "VerticalLayout"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(Tag(doc), "");  // before the first child
  std::string names;
  while (doc.FindElement(U16(""))) names += Attrib(doc, "name") + ",";
  EXPECT_EQ(names, "title,bar,");
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(Tag(doc), "VerticalLayout");
  ASSERT_TRUE(doc.FindElement(nullptr));
  EXPECT_EQ(Attrib(doc, "name"), "Arial");
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(Tag(doc), "Window");
  EXPECT_FALSE(doc.LeaveElement());
  // An element without children can be entered; nothing is found inside.
  doc.ResetPos();
  ASSERT_TRUE(Find(&doc, "Window"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(Find(&doc, "Font"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.FindElement(nullptr));
  EXPECT_FALSE(doc.EnterElement());
}

TEST(XmlDoc, FindElementNameMayCarryASuffix) {
  CXmlDoc doc;
  ASSERT_TRUE(Set(&doc, "<r><item/><items/></r>"));
  ASSERT_TRUE(Find(&doc, "r"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(Find(&doc, "ite"));
  EXPECT_FALSE(Find(&doc, "item2"));
  for (const char* name : {"item", "item[1]", "item/x", "item=", "item ", "item]"}) {
    doc.ResetPos();
    Find(&doc, "r");
    doc.EnterElement();
    EXPECT_TRUE(Find(&doc, name)) << name;
    EXPECT_EQ(Tag(doc), "item") << name;
  }
}

TEST(XmlDoc, Attributes) {
  CXmlDoc doc;
  ASSERT_TRUE(
      Set(&doc, "<r a=\"1\" b='two' c=three d = \"&lt;&amp;&#x41;\" flag e=\"\" a=\"dup\"/>"));
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_EQ(Attrib(doc, "a"), "1");
  EXPECT_EQ(Attrib(doc, "b"), "two");
  EXPECT_EQ(Attrib(doc, "c"), "three");
  EXPECT_EQ(Attrib(doc, "d"), "<&A");
  EXPECT_EQ(Attrib(doc, "flag"), "");
  EXPECT_EQ(Attrib(doc, "e"), "");
  EXPECT_EQ(Attrib(doc, "A"), "<absent>");
  EXPECT_EQ(Attrib(doc, "missing"), "<absent>");
  EXPECT_FALSE(doc.GetAttrib(nullptr, nullptr));
  std::string all;
  Utf16String name, value;
  for (size_t i = 0; doc.GetAttribAt(i, &name, &value); ++i)
    all += U8(name) + "=" + U8(value) + ";";
  EXPECT_EQ(all, "a=1;b=two;c=three;d=<&A;flag=;e=;a=dup;");
  EXPECT_TRUE(doc.GetAttribAt(0, nullptr, nullptr));

  // Unquoted values run to whitespace or '>'; no attributes at all.
  ASSERT_TRUE(Set(&doc, "<r x=a/b y=c></r>"));
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_EQ(Attrib(doc, "x"), "a/b");
  EXPECT_EQ(Attrib(doc, "y"), "c");
  ASSERT_TRUE(Set(&doc, "<r/>"));
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_FALSE(doc.GetAttribAt(0, &name, &value));
  doc.ResetPos();
  EXPECT_EQ(Attrib(doc, "x"), "<absent>");  // no current element
}

TEST(XmlDoc, IgnoreCaseFlag) {
  CXmlDoc doc;
  EXPECT_FALSE(Set(&doc, "<Config></config>"));
  doc.SetDocFlags(CXmlDoc::DOC_IGNORE_CASE);
  EXPECT_TRUE(Set(&doc, "<Config Name='x'></config>"));
  EXPECT_TRUE(Find(&doc, "CONFIG"));
  EXPECT_EQ(Attrib(doc, "name"), "x");
}

TEST(XmlDoc, TextWithZeroUnitsAndExplicitLength) {
  const Utf16String text = W("<r>a") + Utf16String(1, 0) + W("b</r>trailing-ignored");
  CXmlDoc doc;
  EXPECT_TRUE(doc.SetDocText(text.c_str(), 10));
  ASSERT_TRUE(Find(&doc, "r"));
  EXPECT_EQ(doc.ElementData(), W("a") + Utf16String(1, 0) + W("b"));
  EXPECT_EQ(doc.GetDocLength(), 10u);
}

TEST(XmlDoc, LongTagsKeepTheirLengths) {
  // An end tag padded far beyond a thousand units and a start tag of millions of units still
  // delimit the element's text exactly.
  const std::string big(5 * 1024 * 1024, 'x');
  CXmlDoc doc;
  ASSERT_TRUE(Set(&doc, "<r><v a='" + big + "'>text</v" + std::string(3000, ' ') + "></r>"));
  ASSERT_TRUE(Find(&doc, "r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(Find(&doc, "v"));
  EXPECT_EQ(Data(doc), "text");
  EXPECT_EQ(Attrib(doc, "a").size(), big.size());
}

TEST(XmlDoc, ManyElementsAcrossTableSegments) {
  // Far more records than the first allocation and than one segment of the table holds.
  const int count = 150000;
  std::string xml = "<r>";
  for (int i = 0; i < count; ++i) xml += "<e/>";
  xml += "<last>end</last></r>";
  CXmlDoc doc;
  ASSERT_TRUE(Set(&doc, xml));
  ASSERT_TRUE(Find(&doc, "r"));
  ASSERT_TRUE(doc.EnterElement());
  int seen = 0;
  while (Find(&doc, "e")) ++seen;
  EXPECT_EQ(seen, count);
  ASSERT_TRUE(Find(&doc, "last"));
  EXPECT_EQ(Data(doc), "end");
}

TEST(XmlDoc, DeepAndHostileNestingStaysLinearAndOffTheStack) {
  const int depth = 300000;
  std::string open, close;
  for (int i = 0; i < depth; ++i) open += "<d>";
  for (int i = 0; i < depth; ++i) close += "</d>";
  CXmlDoc doc;
  EXPECT_TRUE(Set(&doc, open + "x" + close));
  for (int i = 0; i < depth; ++i) ASSERT_TRUE(doc.FindElement(nullptr) && doc.EnterElement());
  EXPECT_FALSE(doc.FindElement(nullptr));
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(Data(doc), "x");

  // Never ended at every level: all become siblings under the document.
  EXPECT_FALSE(Set(&doc, open));
  EXPECT_EQ(Result(doc), "Root element has sibling");
  int siblings = 0;
  while (doc.FindElement(nullptr)) ++siblings;
  EXPECT_EQ(siblings, depth);

  // Stray end tags deep inside: each is ignored without walking the whole stack.
  std::string stray;
  for (int i = 0; i < depth; ++i) stray += "</x>";
  EXPECT_FALSE(Set(&doc, open + stray + close));
  EXPECT_EQ(Result(doc), "No start tag for end tag 'x' at offset " + std::to_string(3 * depth));
}

}  // namespace
