// CXMLMgr: one parsed XML document with its root, a child/sibling walk, and node names,
// node texts and attribute values as 8-bit text in the ANSI code page.
//
//   CXMLMgr xml;
//   if (xml.CreateDocument() == 0 && xml.LoadXml("<a k=\"v\"><b>t</b></a>")) {
//     std::string v;
//     xml.GetAttribute(xml.GetRoot(), "k", v);            // v == "v"
//     for (CXMLNode* n = xml.GetFirstChild(xml.GetRoot()); n; n = xml.GetNextSibling(n))
//       puts(xml.GetNodeText(n));                         // "t"
//   }
//
// Exported from libqx: the copy constructor, the assignment, GetRoot, GetAttribute and the
// table of virtual operations.
#pragma once

#include <string>

#include "foundation/QxExport.h"

// A reference to one node of a document. Nodes from GetFirstChild and GetNextSibling belong
// to the caller and keep the parsed tree alive; GetNextSibling releases the node it is
// given, and a walk stopped early releases its node with CXMLMgr::ReleaseNode.
struct CXMLNode;
struct CXMLDocument;

// One parsed XML document with its root and the walk over its nodes.
class QX_EXPORT_PARTIAL CXMLMgr {
 public:
  QX_NO_EXPORT CXMLMgr();
  // The copy refers to the same document and root (with references of its own, so either
  // object may be destroyed first) and copies the text buffer.
  QX_EXPORT_MEMBER CXMLMgr(const CXMLMgr& other);
  QX_EXPORT_MEMBER CXMLMgr& operator=(const CXMLMgr& other);
  QX_NO_EXPORT virtual ~CXMLMgr();

  // Creates the parser document with the fixed settings (synchronous, no validation, no
  // external entities or DTDs). 0 on success, otherwise the failing step's negative code.
  QX_NO_EXPORT int CreateDocument();

  // Parses the file at `path`, honouring its own encoding declaration. True on success, when
  // the document element becomes the root; false leaves the root as it was.
  QX_NO_EXPORT bool LoadFile(const char* path);

  // Parses `text` after decoding it with `codePage` (0: the ANSI code page); the encoding
  // the text declares plays no part. A null or empty text, or an unknown code page, fails
  // without parsing. True on success, when the document element becomes the root.
  QX_NO_EXPORT bool LoadXml(const char* text, unsigned codePage = 0);

  // The root element, owned by this object; null before a successful load.
  QX_EXPORT_MEMBER CXMLNode* GetRoot() const;

  // The first child of `node` in document order, or null (also for a null node). The result
  // belongs to the caller.
  QX_NO_EXPORT CXMLNode* GetFirstChild(CXMLNode* node);

  // The next sibling of `node`, or null; releases the caller's `node` (never the root,
  // which this object owns). The result belongs to the caller.
  QX_NO_EXPORT CXMLNode* GetNextSibling(CXMLNode* node);

  // Releases a node handed out by GetFirstChild or GetNextSibling. Null is ignored.
  QX_NO_EXPORT static void ReleaseNode(CXMLNode* node);

  // The node's name ("#text", "#comment", ... for nodes that are not elements) or text
  // content (for an element the text of all its descendants). The pointer refers to this
  // object's text buffer and stays valid until the next such call or destruction.
  QX_NO_EXPORT const char* GetNodeName(CXMLNode* node);
  QX_NO_EXPORT const char* GetNodeText(CXMLNode* node);

  // Reads attribute `name` (exact, case-sensitive) of `node` into `value`:
  //   null node                      -> 1, value untouched
  //   node without attributes        -> 0, value untouched (not an element)
  //   attribute absent               -> 1, value emptied
  //   attribute present              -> 1, value set
  // A null name counts as absent.
  QX_EXPORT_MEMBER int GetAttribute(CXMLNode* node, const char* name, std::string& value) const;

 private:
  QX_NO_EXPORT void CopyFrom(const CXMLMgr& other);
  QX_NO_EXPORT bool StoreRoot();
  QX_NO_EXPORT void Release();

  CXMLDocument* m_pDocument = nullptr;  // own reference; null until CreateDocument
  CXMLNode* m_pRoot = nullptr;          // own reference; null until a load succeeds
  std::string m_strText;                // result of the last GetNodeName/GetNodeText
};
