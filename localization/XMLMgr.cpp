// CXMLMgr over the platform's XML document object model.
#include "localization/XMLMgr.h"


#include "platform/codepage.h"
#include "platform/xml.h"

struct CXMLNode {
  platform::xml::Node node;
};

struct CXMLDocument {
  platform::xml::Document document;
};

namespace {

std::u16string Widen(const char* text) {
  std::u16string wide;
  if (text != nullptr) (void)platform::ToUtf16(text, platform::kCodePageAnsi, wide);
  return wide;
}

std::string Narrow(std::u16string_view text) {
  std::string narrow;
  (void)platform::FromUtf16(text, platform::kCodePageAnsi, narrow);  // ANSI is always known
  return narrow;
}

CXMLNode* Hand(platform::xml::Node node) {
  return node ? new CXMLNode{std::move(node)} : nullptr;
}

}  // namespace

CXMLMgr::CXMLMgr() = default;

CXMLMgr::CXMLMgr(const CXMLMgr& other) { CopyFrom(other); }

CXMLMgr& CXMLMgr::operator=(const CXMLMgr& other) {
  if (this != &other) {
    // Build the new references first: `other` may be reached through what we release.
    CXMLMgr copy(other);
    Release();
    std::swap(m_pDocument, copy.m_pDocument);
    std::swap(m_pRoot, copy.m_pRoot);
    m_strText = std::move(copy.m_strText);
  }
  return *this;
}

CXMLMgr::~CXMLMgr() { Release(); }

void CXMLMgr::CopyFrom(const CXMLMgr& other) {
  if (other.m_pDocument != nullptr) m_pDocument = new CXMLDocument(*other.m_pDocument);
  if (other.m_pRoot != nullptr) m_pRoot = new CXMLNode(*other.m_pRoot);
  m_strText = other.m_strText;
}

void CXMLMgr::Release() {
  delete m_pRoot;
  m_pRoot = nullptr;
  delete m_pDocument;
  m_pDocument = nullptr;
}

int CXMLMgr::CreateDocument() {
  platform::xml::Document document;
  const int code = platform::xml::Document::Create(document);
  if (code != 0) return code;
  if (m_pDocument == nullptr)
    m_pDocument = new CXMLDocument{std::move(document)};
  else
    m_pDocument->document = std::move(document);
  return 0;
}

bool CXMLMgr::LoadFile(const char* path) {
  if (m_pDocument == nullptr || path == nullptr) return false;
  if (!m_pDocument->document.LoadFile(path)) return false;
  return StoreRoot();
}

bool CXMLMgr::LoadXml(const char* text, unsigned codePage) {
  if (m_pDocument == nullptr || text == nullptr || *text == '\0') return false;
  std::u16string wide;
  if (!platform::ToUtf16(text, codePage, wide)) return false;
  if (!m_pDocument->document.LoadXml(wide)) return false;
  return StoreRoot();
}

bool CXMLMgr::StoreRoot() {
  platform::xml::Node root = m_pDocument->document.Root();
  if (!root) return false;
  // The root object stays the same, so a pointer from an earlier GetRoot stays valid.
  if (m_pRoot == nullptr)
    m_pRoot = new CXMLNode{std::move(root)};
  else
    m_pRoot->node = std::move(root);
  return true;
}

CXMLNode* CXMLMgr::GetRoot() const { return m_pRoot; }

CXMLNode* CXMLMgr::GetFirstChild(CXMLNode* node) {
  return node == nullptr ? nullptr : Hand(node->node.FirstChild());
}

CXMLNode* CXMLMgr::GetNextSibling(CXMLNode* node) {
  if (node == nullptr) return nullptr;
  CXMLNode* next = Hand(node->node.NextSibling());
  if (node != m_pRoot) ReleaseNode(node);
  return next;
}

void CXMLMgr::ReleaseNode(CXMLNode* node) { delete node; }

const char* CXMLMgr::GetNodeName(CXMLNode* node) {
  m_strText = node == nullptr ? std::string() : Narrow(node->node.Name());
  return m_strText.c_str();
}

const char* CXMLMgr::GetNodeText(CXMLNode* node) {
  m_strText = node == nullptr ? std::string() : Narrow(node->node.Text());
  return m_strText.c_str();
}

int CXMLMgr::GetAttribute(CXMLNode* node, const char* name, std::string& value) const {
  if (node == nullptr) return 1;
  std::u16string text;
  switch (node->node.GetAttribute(Widen(name), text)) {
    case platform::xml::Node::Attribute::kNotElement:
      return 0;
    case platform::xml::Node::Attribute::kAbsent:
      value.clear();
      return 1;
    case platform::xml::Node::Attribute::kFound:
      value = Narrow(text);
      return 1;
  }
  return 0;
}
