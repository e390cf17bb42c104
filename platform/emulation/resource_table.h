// The table of embedded resources that a backend without the platform's own resource section
// keeps: generated sources (cmake/EmbedResources.cmake) register their entries when the
// program starts, and FindResourceData (platform/resources.h) searches them.
#pragma once

#include <cstddef>

#include "platform/resources.h"

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

}  // namespace platform
