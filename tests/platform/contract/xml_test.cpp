// The platform's XML document model, the same on every backend: node kinds and names, texts,
// attributes, the lifetime of nodes and trees, and files that are refused.
#include "platform/xml.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/support/Wine.h"

namespace {

using platform::xml::Document;
using platform::xml::Node;

Document Parsed(std::u16string_view text) {
  Document doc;
  EXPECT_EQ(Document::Create(doc), 0);
  EXPECT_TRUE(doc.LoadXml(text));
  return doc;
}

std::vector<std::u16string> ChildNames(const Node& node) {
  std::vector<std::u16string> names;
  for (Node n = node.FirstChild(); n; n = n.NextSibling()) names.push_back(n.Name());
  return names;
}

TEST(XmlDom, NodeKindsHaveTheDomsNames) {
  const Document doc = Parsed(
      u"<!DOCTYPE r [<!ENTITY e 'ent'>]>"
      u"<p:r xmlns:p='urn:p'>text<!--c--><![CDATA[cd]]><?pi data?><p:x/>&e;</p:r>");
  const Node root = doc.Root();
  EXPECT_EQ(root.Name(), u"p:r");
  const std::vector<std::u16string> expected = {u"#text", u"#comment", u"#cdata-section", u"pi", u"p:x", u"#text"};
  // An element's text joins its descendants' text, CDATA and expanded entities, not comments.
  // Wine: its MSXML keeps "&e;" as an unexpanded reference named "e"; Windows' expands it.
  if (!testsupport::UnderWine()) {
    EXPECT_EQ(ChildNames(root), expected);
    EXPECT_EQ(root.Text(), u"textcdent");
  }
  EXPECT_EQ(root.FirstChild().NextSibling().Text(), u"c");
}

TEST(XmlDom, AttributesByQualifiedNameIncludingNamespaceDeclarations) {
  const Document doc = Parsed(u"<r xmlns='urn:d' xmlns:q='urn:q' a='1' q:b='&amp;2' empty=''><c/>x</r>");
  const Node root = doc.Root();
  std::u16string value = u"untouched";
  EXPECT_EQ(root.GetAttribute(u"a", value), Node::Attribute::kFound);
  EXPECT_EQ(value, u"1");
  EXPECT_EQ(root.GetAttribute(u"q:b", value), Node::Attribute::kFound);
  EXPECT_EQ(value, u"&2");
  EXPECT_EQ(root.GetAttribute(u"empty", value), Node::Attribute::kFound);
  EXPECT_EQ(value, u"");
  // Wine: its MSXML does not answer for the default namespace declaration; Windows' does.
  if (!testsupport::UnderWine()) {
    EXPECT_EQ(root.GetAttribute(u"xmlns", value), Node::Attribute::kFound);
    EXPECT_EQ(value, u"urn:d");
  }
  EXPECT_EQ(root.GetAttribute(u"xmlns:q", value), Node::Attribute::kFound);
  EXPECT_EQ(value, u"urn:q");
  value = u"untouched";
  EXPECT_EQ(root.GetAttribute(u"b", value), Node::Attribute::kAbsent);
  EXPECT_EQ(root.GetAttribute(u"A", value), Node::Attribute::kAbsent);
  EXPECT_EQ(value, u"untouched");
  EXPECT_EQ(root.FirstChild().NextSibling().GetAttribute(u"a", value), Node::Attribute::kNotElement);
  EXPECT_EQ(Node().GetAttribute(u"a", value), Node::Attribute::kNotElement);
}

TEST(XmlDom, NodesKeepTheirTreeAliveAcrossReloadsAndDestruction) {
  Node kept;
  {
    Document doc = Parsed(u"<old><child>first</child></old>");
    kept = doc.Root().FirstChild();
    ASSERT_TRUE(doc.LoadXml(u"<new/>"));
    EXPECT_EQ(doc.Root().Name(), u"new");
  }
  EXPECT_EQ(kept.Name(), u"child");
  EXPECT_EQ(kept.Text(), u"first");
}

TEST(XmlDom, AFailedLoadKeepsThePreviousTree) {
  Document doc = Parsed(u"<kept/>");
  EXPECT_FALSE(doc.LoadXml(u"<broken>"));
  EXPECT_FALSE(doc.LoadFile("/nonexistent/dir/file.xml"));
  EXPECT_EQ(doc.Root().Name(), u"kept");
  Document null_document;
  EXPECT_FALSE(null_document.LoadXml(u"<a/>"));
  EXPECT_FALSE(null_document.Root());
}

TEST(XmlDom, AFolderOrAFileOverTheSizeLimitFailsAndKeepsTheTree) {
  testsupport::TempDir dir;
  // Well-formed up to its end, but past the 256 MiB limit (sparse where the file system can:
  // no room on disk).
  const std::string huge = dir.Write("huge.xml", "<a>");
  std::filesystem::resize_file(huge, (std::uintmax_t{256} << 20) + 1);
  Document doc = Parsed(u"<kept/>");
  for (const std::string& path : {dir.path().string(), huge}) {
    EXPECT_FALSE(doc.LoadFile(path)) << path;
    EXPECT_EQ(doc.Root().Name(), u"kept") << path;
  }
}

TEST(XmlDom, LineEndsAreNormalisedAndBlankTextBetweenElementsIsDropped) {
  const Document doc = Parsed(u"<r>\r\n  <a>x\r\ny\rz</a>\r\n  <b> </b>\r\n  <c xml:space='preserve'> </c></r>");
  const std::vector<std::u16string> expected = {u"a", u"b", u"c"};
  EXPECT_EQ(ChildNames(doc.Root()), expected);
  EXPECT_EQ(doc.Root().FirstChild().Text(), u"x\ny\nz");
  // White space alone is dropped, also as an element's only content (MSXML's rule).
  EXPECT_EQ(doc.Root().FirstChild().NextSibling().Text(), u"");
  EXPECT_EQ(doc.Root().FirstChild().NextSibling().NextSibling().Text(), u" ");
}

}  // namespace
