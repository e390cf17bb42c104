// The XML document object model on POSIX, over libxml2.
//
// libxml2 is used with a private SAX handler per parse: parser messages are swallowed
// instead of printed, and declarations of external entities are dropped, so that neither an
// external entity nor an external DTD is ever read, whatever the document says. Internal
// entities are expanded (XML_PARSE_NOENT) within libxml2's amplification limits, which stay
// on (no XML_PARSE_HUGE).
#include "platform/xml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/SAX2.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>
#include <mutex>
#include <new>

#include "platform/posix/atomic_file.h"
#include "platform/unicode.h"

namespace platform::xml {

struct Document::Impl {
  std::shared_ptr<xmlDoc> tree;  // the last successfully parsed tree
};

namespace {

// Larger XML files fail to load: the translation tables and documents of the family are a
// few hundred kilobytes, and a parsed tree takes several times its file's size.
constexpr std::uint64_t kMaxXmlFileBytes = std::uint64_t{256} << 20;

// E_OUTOFMEMORY, the code the platform reports when the document object cannot be made.
constexpr int kOutOfMemory = static_cast<int>(0x8007000EU);

void IgnoreStructuredError(void*, xmlErrorPtr) {}
void IgnoreMessage(void*, const char*, ...) {}

void EntityDeclWithoutExternals(void* ctx, const xmlChar* name, int type, const xmlChar* public_id,
                                const xmlChar* system_id, xmlChar* content) {
  if (type == XML_EXTERNAL_GENERAL_PARSED_ENTITY || type == XML_EXTERNAL_GENERAL_UNPARSED_ENTITY ||
      type == XML_EXTERNAL_PARAMETER_ENTITY)
    return;
  xmlSAX2EntityDecl(ctx, name, type, public_id, system_id, content);
}

xmlParserInputPtr NoExternalInput(void*, const xmlChar*, const xmlChar*) { return nullptr; }
void NoExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

struct ContextDeleter {
  void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
};

// Parses bytes into a tree, or gives null. `encoding` non-null forces that encoding and
// makes the document's own declaration play no part.
bool IsWhiteSpace(const xmlChar* text) {
  for (; *text != 0; ++text)
    if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') return false;
  return true;
}

// The platform's parser, told not to preserve white space, drops every text node of white
// space alone, also an element's sole content, which libxml2's NOBLANKS keeps; an element
// under xml:space="preserve" keeps its white space with both.
void DropWhiteSpaceText(xmlNodePtr parent) {
  for (xmlNodePtr node = parent->children; node != nullptr;) {
    const xmlNodePtr next = node->next;
    if (node->type == XML_TEXT_NODE && node->content != nullptr && IsWhiteSpace(node->content) &&
        xmlNodeGetSpacePreserve(parent) != 1) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
    } else if (node->type == XML_ELEMENT_NODE) {
      DropWhiteSpaceText(node);
    }
    node = next;
  }
}

std::shared_ptr<xmlDoc> Parse(const char* data, std::size_t size, const char* url, const char* encoding) {
  static std::once_flag init;
  std::call_once(init, [] { xmlInitParser(); });
  if (size > static_cast<std::size_t>(INT_MAX)) return nullptr;

  std::unique_ptr<xmlParserCtxt, ContextDeleter> ctxt(xmlNewParserCtxt());
  if (!ctxt || ctxt->sax == nullptr) return nullptr;
  xmlSAXHandler* sax = ctxt->sax;
  sax->serror = IgnoreStructuredError;
  sax->error = IgnoreMessage;
  sax->warning = IgnoreMessage;
  sax->fatalError = IgnoreMessage;
  sax->entityDecl = EntityDeclWithoutExternals;
  sax->resolveEntity = NoExternalInput;
  sax->externalSubset = NoExternalSubset;
  ctxt->vctxt.error = IgnoreMessage;
  ctxt->vctxt.warning = IgnoreMessage;

  int options = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOXINCNODE;
  if (encoding != nullptr) options |= XML_PARSE_IGNORE_ENC;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), data, static_cast<int>(size), url, encoding, options);
  if (doc == nullptr) return nullptr;
  if (!ctxt->wellFormed || xmlDocGetRootElement(doc) == nullptr) {
    xmlFreeDoc(doc);
    return nullptr;
  }
  DropWhiteSpaceText(xmlDocGetRootElement(doc));
  return std::shared_ptr<xmlDoc>(doc, xmlFreeDoc);
}

xmlNodePtr Raw(const std::shared_ptr<void>& ref) { return static_cast<xmlNodePtr>(ref.get()); }

std::u16string FromXml(const xmlChar* text) {
  std::u16string out;
  if (text != nullptr) Utf8ToUtf16(reinterpret_cast<const char*>(text), out);
  return out;
}

std::u16string QualifiedName(const xmlNs* ns, const xmlChar* name) {
  std::u16string out;
  if (ns != nullptr && ns->prefix != nullptr) {
    out = FromXml(ns->prefix);
    out.push_back(u':');
  }
  out.append(FromXml(name));
  return out;
}

struct XmlFree {
  void operator()(xmlChar* p) const { xmlFree(p); }
};
using XmlString = std::unique_ptr<xmlChar, XmlFree>;

}  // namespace

int Document::Create(Document& out) {
  try {
    out.impl_ = std::make_shared<Impl>();
    return 0;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

bool Document::LoadFile(const std::string& path) {
  if (!impl_) return false;
  std::string bytes;
  if (detail::ReadWholeFile(path, bytes, nullptr, kMaxXmlFileBytes) != detail::ReadStatus::kRead) return false;
  try {
    auto tree = Parse(bytes.data(), bytes.size(), path.c_str(), nullptr);
    if (!tree) return false;
    impl_->tree = std::move(tree);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool Document::LoadXml(std::u16string_view text) {
  if (!impl_) return false;
  std::string utf8;
  Utf16ToUtf8(text, utf8);
  auto tree = Parse(utf8.data(), utf8.size(), nullptr, "UTF-8");
  if (!tree) return false;
  impl_->tree = std::move(tree);
  return true;
}

Node Document::Root() const {
  if (!impl_ || !impl_->tree) return {};
  return Node(std::shared_ptr<void>(impl_->tree, xmlDocGetRootElement(impl_->tree.get())));
}

Node Node::FirstChild() const {
  if (!ref_ || Raw(ref_)->children == nullptr) return {};
  return Node(std::shared_ptr<void>(ref_, Raw(ref_)->children));
}

Node Node::NextSibling() const {
  if (!ref_ || Raw(ref_)->next == nullptr) return {};
  return Node(std::shared_ptr<void>(ref_, Raw(ref_)->next));
}

std::u16string Node::Name() const {
  if (!ref_) return {};
  const xmlNode* n = Raw(ref_);
  switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return QualifiedName(n->ns, n->name);
    case XML_TEXT_NODE:
      return u"#text";
    case XML_CDATA_SECTION_NODE:
      return u"#cdata-section";
    case XML_COMMENT_NODE:
      return u"#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return u"#document";
    case XML_DOCUMENT_FRAG_NODE:
      return u"#document-fragment";
    default:  // processing instruction target, entity name, document type name
      return FromXml(n->name);
  }
}

std::u16string Node::Text() const {
  if (!ref_) return {};
  const XmlString content(xmlNodeGetContent(Raw(ref_)));
  return FromXml(content.get());
}

Node::Attribute Node::GetAttribute(std::u16string_view name, std::u16string& value) const {
  if (!ref_ || Raw(ref_)->type != XML_ELEMENT_NODE) return Attribute::kNotElement;
  const xmlNode* n = Raw(ref_);
  for (const xmlAttr* a = n->properties; a != nullptr; a = a->next) {
    if (QualifiedName(a->ns, a->name) != name) continue;
    const XmlString text(xmlNodeListGetString(n->doc, a->children, 1));
    value = FromXml(text.get());
    return Attribute::kFound;
  }
  for (const xmlNs* ns = n->nsDef; ns != nullptr; ns = ns->next) {
    std::u16string declared = u"xmlns";
    if (ns->prefix != nullptr) declared.append(u":").append(FromXml(ns->prefix));
    if (declared != name) continue;
    value = FromXml(ns->href);
    return Attribute::kFound;
  }
  return Attribute::kAbsent;
}

}  // namespace platform::xml
