// The XML document object model on Windows, over MSXML 3.0 through the component runtime.
//
// Every load parses into a new document object made with the fixed settings, and replaces
// the current one only when the parse succeeds: MSXML empties a document whose load fails,
// and the previous tree has to stay. A Node holds a COM reference to its node, and MSXML's
// nodes hold their document, so a Node keeps its tree alive on its own.
//
// Files are read here, not by MSXML: its load takes a URL, would follow one to the network,
// and waits on whatever the path names. The bytes are handed over as an array, so MSXML
// still honours the byte-order mark and the encoding declaration.
#define TIDEWELL_WIN32_COM
#include "platform/xml.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"

namespace platform::xml {
namespace {

// Larger XML files fail to load: the translation tables and documents of the family are a
// few hundred kilobytes, and a parsed tree takes several times its file's size.
constexpr std::uint64_t kMaxXmlFileBytes = std::uint64_t{256} << 20;

// IXMLDOMDocument2: msxml2.h declares it, MinGW's uuid library does not define it.
constexpr IID kIXMLDOMDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// The component runtime, started once on each thread that uses a document. A thread that
// its creator already initialised (in any apartment) is used as it is; only a successful
// start of ours is balanced, when the thread ends.
class ComOnThisThread {
 public:
  ComOnThisThread() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    started_ = SUCCEEDED(hr);
    usable_ = started_ || hr == RPC_E_CHANGED_MODE;
    failure_ = usable_ ? S_OK : hr;
  }
  ~ComOnThisThread() {
    if (started_) CoUninitialize();
  }
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;

  HRESULT failure() const { return failure_; }

 private:
  bool started_ = false;
  bool usable_ = false;
  HRESULT failure_ = S_OK;
};

HRESULT EnsureCom() {
  thread_local ComOnThisThread com;
  return com.failure();
}

// An owned COM reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  void Reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** Out() {
    Reset();
    return &p_;
  }
  T* Release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// An owned BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text)
      : s_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }
  BSTR* Out() {
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  std::u16string Text() const {
    return s_ == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(s_), SysStringLen(s_));
  }

 private:
  BSTR s_ = nullptr;
};

void ReleaseNode(void* node) {
  if (node != nullptr) static_cast<IXMLDOMNode*>(node)->Release();
}

IXMLDOMNode* Raw(const std::shared_ptr<void>& ref) { return static_cast<IXMLDOMNode*>(ref.get()); }

HRESULT SetBoolProperty(IXMLDOMDocument2* doc, const wchar_t* name, bool on) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BOOL;
  value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
  const Bstr property(reinterpret_cast<const char16_t*>(name));
  return property.get() == nullptr ? E_OUTOFMEMORY : doc->setProperty(property.get(), value);
}

// Makes a document object and applies the fixed settings, one step after the other. Returns
// the first failing step's result, or S_OK with `out` set.
HRESULT NewDocument(ComPtr<IXMLDOMDocument2>& out) {
  HRESULT hr = EnsureCom();
  if (FAILED(hr)) return hr;
  CLSID clsid;
  // MinGW's uuid library lacks the class id of the 3.0 document: the registry names it.
  hr = CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid);
  if (FAILED(hr)) return hr;
  ComPtr<IXMLDOMDocument2> doc;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIXMLDOMDocument2,
                        reinterpret_cast<void**>(doc.Out()));
  if (FAILED(hr)) return hr;
  if (FAILED(hr = doc->put_async(VARIANT_FALSE))) return hr;
  if (FAILED(hr = doc->put_validateOnParse(VARIANT_FALSE))) return hr;
  if (FAILED(hr = doc->put_resolveExternals(VARIANT_FALSE))) return hr;
  if (FAILED(hr = doc->put_preserveWhiteSpace(VARIANT_FALSE))) return hr;
  // An internal subset stays allowed (its entities are expanded); the rest is for
  // transformations this program never does, and stays off. ServerHTTPRequest is left at its
  // default (off): not every MSXML 3.0 implementation accepts it, and no URL reaches the
  // parser anyway.
  if (FAILED(hr = SetBoolProperty(doc.get(), L"ProhibitDTD", false))) return hr;
  if (FAILED(hr = SetBoolProperty(doc.get(), L"AllowDocumentFunction", false))) return hr;
  if (FAILED(hr = SetBoolProperty(doc.get(), L"AllowXsltScript", false))) return hr;
  out = std::move(doc);
  return S_OK;
}

// The document element of a parsed document, as a node reference; null when there is none.
ComPtr<IXMLDOMNode> DocumentElement(IXMLDOMDocument2* doc) {
  ComPtr<IXMLDOMElement> element;
  ComPtr<IXMLDOMNode> node;
  if (FAILED(doc->get_documentElement(element.Out())) || !element) return node;
  if (FAILED(element->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(node.Out())))) node.Reset();
  return node;
}

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes) {
  const int wide_length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  if (path.empty() || wide_length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), wide_length);
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  // Only a file on disk: a pipe, console or device would be waited on.
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
      static_cast<std::uint64_t>(size.QuadPart) <= kMaxXmlFileBytes) {
    try {
      bytes.resize(static_cast<std::size_t>(size.QuadPart));
      std::size_t done = 0;
      ok = true;
      while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file, bytes.data() + done, want, &got, nullptr) || got == 0) {
          ok = false;
          break;
        }
        done += got;
      }
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

struct Document::Impl {
  ComPtr<IXMLDOMDocument2> document;  // made by Create; replaced by each successful load
  std::shared_ptr<void> root;         // the document element of the last successful load

  // Parses with a fresh document object; on success it becomes the current one.
  template <typename Load>
  bool Replace(Load load) {
    ComPtr<IXMLDOMDocument2> fresh;
    if (FAILED(NewDocument(fresh))) return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(load(fresh.get(), &loaded)) || loaded != VARIANT_TRUE) return false;
    ComPtr<IXMLDOMNode> element = DocumentElement(fresh.get());
    if (!element) return false;
    try {
      root = std::shared_ptr<void>(element.get(), ReleaseNode);
    } catch (const std::bad_alloc&) {
      return false;
    }
    element.Release();
    document = std::move(fresh);
    return true;
  }
};

int Document::Create(Document& out) {
  ComPtr<IXMLDOMDocument2> doc;
  const HRESULT hr = NewDocument(doc);
  if (FAILED(hr)) return static_cast<int>(hr);
  try {
    auto impl = std::make_shared<Impl>();
    impl->document = std::move(doc);
    out.impl_ = std::move(impl);
    return 0;
  } catch (const std::bad_alloc&) {
    return static_cast<int>(E_OUTOFMEMORY);
  }
}

bool Document::LoadFile(const std::string& path) {
  if (!impl_) return false;
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes) || bytes.size() > std::numeric_limits<ULONG>::max()) return false;
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (array == nullptr) return false;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), static_cast<unsigned char*>(data));
  SafeArrayUnaccessData(array);
  bytes = {};
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_ARRAY | VT_UI1;
  source.parray = array;
  const bool loaded = impl_->Replace(
      [&](IXMLDOMDocument2* doc, VARIANT_BOOL* ok) { return doc->load(source, ok); });
  VariantClear(&source);
  return loaded;
}

bool Document::LoadXml(std::u16string_view text) {
  if (!impl_) return false;
  const Bstr xml(text);
  if (xml.get() == nullptr) return false;
  return impl_->Replace([&](IXMLDOMDocument2* doc, VARIANT_BOOL* ok) { return doc->loadXML(xml.get(), ok); });
}

Node Document::Root() const {
  if (!impl_ || !impl_->root) return {};
  return Node(impl_->root);
}

namespace {

// Wraps a reference the caller owns into a Node (null stays null).
template <typename Make>
Node Adopt(ComPtr<IXMLDOMNode>& node, Make make) {
  if (!node) return make(nullptr);
  try {
    std::shared_ptr<void> ref(node.get(), ReleaseNode);
    node.Release();
    return make(std::move(ref));
  } catch (const std::bad_alloc&) {
    return make(nullptr);
  }
}

DOMNodeType TypeOf(IXMLDOMNode* node) {
  DOMNodeType type = NODE_INVALID;
  if (FAILED(node->get_nodeType(&type))) return NODE_INVALID;
  return type;
}

// The concatenated text of a node's text, CDATA and expanded entity descendants. Read node by
// node: MSXML's own text property trims and joins white space when white space is not kept.
bool AppendText(IXMLDOMNode* node, std::u16string& out) {
  switch (TypeOf(node)) {
    case NODE_TEXT:
    case NODE_CDATA_SECTION: {
      VARIANT value;
      VariantInit(&value);
      if (FAILED(node->get_nodeValue(&value))) return false;
      if (value.vt == VT_BSTR && value.bstrVal != nullptr)
        out.append(reinterpret_cast<const char16_t*>(value.bstrVal), SysStringLen(value.bstrVal));
      VariantClear(&value);
      return true;
    }
    case NODE_ELEMENT:
    case NODE_ENTITY_REFERENCE:
    case NODE_DOCUMENT:
    case NODE_DOCUMENT_FRAGMENT: {
      ComPtr<IXMLDOMNode> child;
      if (FAILED(node->get_firstChild(child.Out()))) return false;
      if (!child && TypeOf(node) == NODE_ENTITY_REFERENCE) {
        // Some implementations show no expansion below the reference; its text still has it.
        Bstr expansion;
        if (FAILED(node->get_text(expansion.Out()))) return false;
        out.append(expansion.Text());
        return true;
      }
      while (child) {
        if (!AppendText(child.get(), out)) return false;
        ComPtr<IXMLDOMNode> next;
        if (FAILED(child->get_nextSibling(next.Out()))) return false;
        child = std::move(next);
      }
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

Node Node::FirstChild() const {
  if (!ref_) return {};
  ComPtr<IXMLDOMNode> child;
  if (Raw(ref_)->get_firstChild(child.Out()) != S_OK) return {};
  return Adopt(child, [](std::shared_ptr<void> ref) { return Node(std::move(ref)); });
}

Node Node::NextSibling() const {
  if (!ref_) return {};
  ComPtr<IXMLDOMNode> next;
  if (Raw(ref_)->get_nextSibling(next.Out()) != S_OK) return {};
  return Adopt(next, [](std::shared_ptr<void> ref) { return Node(std::move(ref)); });
}

std::u16string Node::Name() const {
  if (!ref_) return {};
  Bstr name;
  if (FAILED(Raw(ref_)->get_nodeName(name.Out()))) return {};
  return name.Text();
}

std::u16string Node::Text() const {
  if (!ref_) return {};
  IXMLDOMNode* node = Raw(ref_);
  std::u16string text;
  switch (TypeOf(node)) {
    case NODE_ELEMENT:
    case NODE_ENTITY_REFERENCE:
    case NODE_DOCUMENT:
    case NODE_DOCUMENT_FRAGMENT:
      if (!AppendText(node, text)) return {};
      return text;
    default: {
      Bstr own;
      if (FAILED(node->get_text(own.Out()))) return {};
      return own.Text();
    }
  }
}

Node::Attribute Node::GetAttribute(std::u16string_view name, std::u16string& value) const {
  if (!ref_ || TypeOf(Raw(ref_)) != NODE_ELEMENT) return Attribute::kNotElement;
  ComPtr<IXMLDOMElement> element;
  if (FAILED(Raw(ref_)->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.Out()))) || !element)
    return Attribute::kNotElement;
  const Bstr wanted(name);
  if (wanted.get() == nullptr) return Attribute::kAbsent;
  // The element's own lookup, not its attribute collection: it also answers for the
  // namespace declarations, which not every MSXML 3.0 implementation lists as attributes.
  VARIANT text;
  VariantInit(&text);
  if (element->getAttribute(wanted.get(), &text) != S_OK || text.vt != VT_BSTR) {
    VariantClear(&text);
    return Attribute::kAbsent;
  }
  value.assign(reinterpret_cast<const char16_t*>(text.bstrVal), SysStringLen(text.bstrVal));
  VariantClear(&text);
  return Attribute::kFound;
}

}  // namespace platform::xml
