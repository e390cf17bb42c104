// The executable's embedded resources, after FindResource / LoadResource.
//
// A resource is found by type and name; names and types compare without case, and "#102"
// names the numeric identifier 102 as on Windows. On POSIX the table is compiled into the
// executable from resources/ (see cmake/TidewellResources.cmake), whose generated source
// registers its entries through ResourceRegistration when the program starts.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "platform/language.h"

namespace platform {

struct ResourceEntry {
  const char* type;
  const char* name;
  LangId language;
  const unsigned char* data;  // static storage; one NUL byte follows the `size` bytes
  std::size_t size;
};

// Registers a table of static entries for the life of the program. Entries registered
// later are searched after earlier ones.
class ResourceRegistration {
 public:
  template <std::size_t N>
  explicit ResourceRegistration(const ResourceEntry (&entries)[N]) : ResourceRegistration(entries, N) {}
  ResourceRegistration(const ResourceEntry* entries, std::size_t count);
  ~ResourceRegistration();
  ResourceRegistration(const ResourceRegistration&) = delete;
  ResourceRegistration& operator=(const ResourceRegistration&) = delete;

 private:
  const ResourceEntry* entries_;
};

// The bytes of the resource of this type and name: the one tagged with `language` when there
// is one, else the first registered, whatever its language. Empty when there is none. The
// bytes live as long as the program.
[[nodiscard]] std::optional<std::span<const unsigned char>> FindResource(
    std::string_view type, std::string_view name, LangId language = 0);

}  // namespace platform
