// CXMLMgr: loading, the node walk, names and texts in the ANSI code page, GetAttribute's
// rules, and copies that share one document.
#include "localization/XMLMgr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace {

std::unique_ptr<CXMLMgr> Loaded(const char* text, unsigned code_page = 0) {
  auto xml = std::make_unique<CXMLMgr>();
  EXPECT_EQ(xml->CreateDocument(), 0);
  EXPECT_TRUE(xml->LoadXml(text, code_page)) << text;
  return xml;
}

std::vector<std::string> ChildNames(CXMLMgr& xml, CXMLNode* node) {
  std::vector<std::string> names;
  for (CXMLNode* n = xml.GetFirstChild(node); n != nullptr; n = xml.GetNextSibling(n))
    names.push_back(xml.GetNodeName(n));
  return names;
}

TEST(XMLMgr, LoadingNeedsADocumentAndText) {
  CXMLMgr xml;
  EXPECT_EQ(xml.GetRoot(), nullptr);
  EXPECT_FALSE(xml.LoadXml("<a/>"));  // no document yet
  ASSERT_EQ(xml.CreateDocument(), 0);
  EXPECT_FALSE(xml.LoadXml(""));
  EXPECT_FALSE(xml.LoadXml(nullptr));
  EXPECT_FALSE(xml.LoadXml("<a/>", 12345));  // unknown code page
  EXPECT_FALSE(xml.LoadFile(nullptr));
  EXPECT_EQ(xml.GetRoot(), nullptr);
  EXPECT_TRUE(xml.LoadXml("<a/>"));
  EXPECT_STREQ(xml.GetNodeName(xml.GetRoot()), "a");
}

TEST(XMLMgr, DeclaredEncodingPlaysNoPartInLoadXml) {
  // The byte 0x82 is a low quotation mark in 1252, a C1 control in 28591 and e-acute in 850.
  const char* text = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><t>\x82\xE9</t>";
  auto xml = Loaded(text, 1252);
  EXPECT_STREQ(xml->GetNodeText(xml->GetRoot()), "\x82\xE9");  // back in 1252: same bytes
  xml = Loaded(text, 28591);
  EXPECT_STREQ(xml->GetNodeText(xml->GetRoot()), "?\xE9");  // U+0082 has no byte in 1252
  xml = Loaded(text, 850);
  EXPECT_STREQ(xml->GetNodeText(xml->GetRoot()), "\xE9\xDA");  // e-acute, then 850's 0xE9 (U-acute)
  xml = Loaded("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><t>\xC3\xA9</t>", 65001);
  EXPECT_STREQ(xml->GetNodeText(xml->GetRoot()), "\xE9");
}

TEST(XMLMgr, WalkNamesAndTexts) {
  auto xml = Loaded("<root a='1'><!-- note --><first>one<b>two</b></first>tail<![CDATA[<raw>]]></root>");
  const std::vector<std::string> expected = {"#comment", "first", "#text", "#cdata-section"};
  EXPECT_EQ(ChildNames(*xml, xml->GetRoot()), expected);
  EXPECT_STREQ(xml->GetNodeText(xml->GetRoot()), "onetwotail<raw>");

  CXMLNode* comment = xml->GetFirstChild(xml->GetRoot());
  // Both calls return the one text buffer: the name is overwritten by the text.
  const char* name = xml->GetNodeName(comment);
  const char* text = xml->GetNodeText(comment);
  EXPECT_EQ(name, text);
  EXPECT_STREQ(name, " note ");
  CXMLMgr::ReleaseNode(comment);  // a walk stopped early releases its node
}

TEST(XMLMgr, ARootWithoutChildrenEndsTheWalkAtOnce) {
  auto xml = Loaded("<empty attr='x'/>");
  EXPECT_EQ(xml->GetFirstChild(xml->GetRoot()), nullptr);
  EXPECT_EQ(xml->GetFirstChild(nullptr), nullptr);
  EXPECT_EQ(xml->GetNextSibling(nullptr), nullptr);
}

TEST(XMLMgr, NextSiblingOfTheRootLeavesTheRootAlone) {
  auto xml = Loaded("<r><c/></r>");
  EXPECT_EQ(xml->GetNextSibling(xml->GetRoot()), nullptr);
  EXPECT_STREQ(xml->GetNodeName(xml->GetRoot()), "r");
}

TEST(XMLMgr, GetAttributeRules) {
  auto xml = Loaded("<r ItemId='K\xE9' Empty=''>text<c/></r>");
  CXMLNode* root = xml->GetRoot();
  std::string value = "before";

  EXPECT_EQ(xml->GetAttribute(nullptr, "ItemId", value), 1);  // null node: value untouched
  EXPECT_EQ(value, "before");

  EXPECT_EQ(xml->GetAttribute(root, "ItemId", value), 1);
  EXPECT_EQ(value, "K\xE9");
  EXPECT_EQ(xml->GetAttribute(root, "Empty", value), 1);
  EXPECT_EQ(value, "");

  value = "before";
  EXPECT_EQ(xml->GetAttribute(root, "itemid", value), 1);  // case differs: absent
  EXPECT_EQ(value, "");
  value = "before";
  EXPECT_EQ(xml->GetAttribute(root, nullptr, value), 1);
  EXPECT_EQ(value, "");

  CXMLNode* text = xml->GetFirstChild(root);
  value = "before";
  EXPECT_EQ(xml->GetAttribute(text, "ItemId", value), 0);  // not an element
  EXPECT_EQ(value, "before");
  CXMLMgr::ReleaseNode(text);
}

// (A character outside the BMP gives one '?' or two, by the backend's converter: README.)
TEST(XMLMgr, CharactersOutsideAnsiBecomeQuestionMarks) {
  auto xml = Loaded("<r n='&#x4E2D;'>&#x20AC;&#x4E2D;</r>");
  EXPECT_STREQ(xml->GetNodeText(xml->GetRoot()), "\x80?");
  std::string value;
  EXPECT_EQ(xml->GetAttribute(xml->GetRoot(), "n", value), 1);
  EXPECT_EQ(value, "?");
}

TEST(XMLMgr, CopiesShareTheDocumentAndOutliveEachOther) {
  auto original = Loaded("<r k='v'><c>text</c></r>");
  original->GetNodeName(original->GetRoot());
  auto copy = std::make_unique<CXMLMgr>(*original);
  EXPECT_STREQ(copy->GetNodeText(copy->GetRoot()), "text");
  original.reset();
  CXMLNode* child = copy->GetFirstChild(copy->GetRoot());
  EXPECT_STREQ(copy->GetNodeName(child), "c");
  CXMLMgr::ReleaseNode(child);

  CXMLMgr assigned;
  assigned = *copy;
  copy.reset();
  std::string value;
  EXPECT_EQ(assigned.GetAttribute(assigned.GetRoot(), "k", value), 1);
  EXPECT_EQ(value, "v");
  assigned = assigned;  // self-assignment keeps everything
  EXPECT_STREQ(assigned.GetNodeName(assigned.GetRoot()), "r");
  assigned = CXMLMgr();
  EXPECT_EQ(assigned.GetRoot(), nullptr);
}

TEST(XMLMgr, ACopyKeepsTheTextBuffer) {
  auto xml = Loaded("<r>t</r>");
  xml->GetNodeText(xml->GetRoot());
  CXMLMgr copy(*xml);
  // The copy's buffer is its own: reading through the original does not change it.
  xml->GetNodeName(xml->GetRoot());
  CXMLMgr again(copy);
  EXPECT_STREQ(again.GetNodeName(again.GetRoot()), "r");
}

TEST(XMLMgr, ReloadingKeepsTheRootPointerAndAFailureKeepsTheTree) {
  auto xml = Loaded("<first/>");
  CXMLNode* root = xml->GetRoot();
  ASSERT_TRUE(xml->LoadXml("<second/>"));
  EXPECT_EQ(xml->GetRoot(), root);
  EXPECT_STREQ(xml->GetNodeName(root), "second");
  EXPECT_FALSE(xml->LoadXml("<third>"));
  EXPECT_STREQ(xml->GetNodeName(xml->GetRoot()), "second");
}

TEST(XMLMgr, LoadFileHonoursTheFilesOwnEncodingAndLineEnds) {
  testsupport::TempDir dir;
  const std::string latin1 = dir.Write("latin1.xml",
      "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<r>\r\n<t>a\xE9\r\nb</t></r>");
  const std::string utf8 = dir.Write("utf8 name \xE9.xml", "\xEF\xBB\xBF<r><t>\xC3\xA9</t></r>");
  CXMLMgr xml;
  ASSERT_EQ(xml.CreateDocument(), 0);
  ASSERT_TRUE(xml.LoadFile(latin1.c_str()));
  EXPECT_STREQ(xml.GetNodeText(xml.GetRoot()), "a\xE9\nb");
  ASSERT_TRUE(xml.LoadFile(utf8.c_str()));  // the path's bytes reach the file system unchanged
  EXPECT_STREQ(xml.GetNodeText(xml.GetRoot()), "\xE9");
  EXPECT_FALSE(xml.LoadFile((dir.path() / "missing.xml").string().c_str()));
  EXPECT_FALSE(xml.LoadFile(dir.path().string().c_str()));  // a folder
  EXPECT_FALSE(xml.LoadFile(dir.Write("broken.xml", "<r><t></r>").c_str()));
  EXPECT_STREQ(xml.GetNodeText(xml.GetRoot()), "\xE9");
}

}  // namespace
