// The platform's XML document object model: parse XML 1.0 text or files into a tree and
// walk it. Texts cross this interface as UTF-16, as they do with the platform's DOM.
//
// Every document is parsed with the same settings: synchronous, no validation, no external
// entity, external DTD or network resource ever loaded (references to them stay
// unexpanded), internal entities expanded within the parser's amplification limits, every
// white-space-only text node dropped (also an element's only content, except under
// xml:space="preserve"), CR LF read as one line feed.
//
// POSIX backend: libxml2. Windows backend: MSXML 3.0.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform::xml {

class Document;

// A counted reference to one node. It keeps the tree it belongs to alive, even when the
// document loads another text or is destroyed. A default-constructed Node is null; every
// operation on a null node gives a null node, an empty text or kFailed.
class Node {
 public:
  Node() = default;
  explicit operator bool() const { return ref_ != nullptr; }
  friend bool operator==(const Node& a, const Node& b) { return a.ref_.get() == b.ref_.get(); }

  [[nodiscard]] Node FirstChild() const;
  [[nodiscard]] Node NextSibling() const;

  // The DOM's name: an element's or attribute's qualified name, a processing instruction's
  // target, an entity reference's entity name, and the fixed names "#text", "#comment",
  // "#cdata-section", "#document" and "#document-fragment" for the other kinds.
  [[nodiscard]] std::u16string Name() const;

  // The text content: for an element, the concatenated text of all its descendants (text,
  // CDATA and expanded entities, not comments); for other nodes their own content.
  [[nodiscard]] std::u16string Text() const;

  enum class Attribute { kFound, kAbsent, kNotElement };
  // Looks up an attribute of an element by its qualified name (exact, case-sensitive;
  // namespace declarations count as attributes "xmlns" and "xmlns:p"). `value` is written
  // only when found.
  [[nodiscard]] Attribute GetAttribute(std::u16string_view name, std::u16string& value) const;

 private:
  friend class Document;
  explicit Node(std::shared_ptr<void> ref) : ref_(std::move(ref)) {}
  std::shared_ptr<void> ref_;
};

// A document object: shared by copies, empty until a load succeeds.
class Document {
 public:
  Document() = default;  // a null document; Create makes a usable one

  // Creates a document object and applies the settings above, one step after the other.
  // Returns 0, or the negative code of the first step that failed (then `out` stays null).
  [[nodiscard]] static int Create(Document& out);

  explicit operator bool() const { return impl_ != nullptr; }

  // Parses the file at `path` (8-bit; passed to the file system unchanged on POSIX),
  // honouring its byte-order mark and encoding declaration. False when the file is
  // missing, unreadable, not a regular file (a FIFO or device is never waited on), larger
  // than 256 MiB, not well-formed, or when memory runs out; the previous tree stays then.
  [[nodiscard]] bool LoadFile(const std::string& path);

  // Parses text; any encoding its declaration names plays no part. False when it is not
  // well-formed; the previous tree stays then.
  [[nodiscard]] bool LoadXml(std::u16string_view text);

  // The document element of the last successful load, or null.
  [[nodiscard]] Node Root() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace platform::xml
