// The executable's resources as tables registered by the generated resource sources.
#include "platform/emulation/resource_table.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct Table {
  const ResourceEntry* entries;
  std::size_t count;
};

// Constructed on first use: registrations run during static initialisation.
struct Registry {
  std::mutex mutex;
  std::vector<Table> tables;
};
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

ResourceRegistration::ResourceRegistration(const ResourceEntry* entries, std::size_t count) : entries_(entries) {
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  registry.tables.push_back({entries, count});
}

ResourceRegistration::~ResourceRegistration() {
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  std::erase_if(registry.tables, [this](const Table& t) { return t.entries == entries_; });
}

std::optional<std::span<const unsigned char>> FindResourceData(std::string_view type, std::string_view name,
                                                           LangId language) {
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  const ResourceEntry* first = nullptr;
  for (const Table& table : registry.tables) {
    for (std::size_t i = 0; i < table.count; ++i) {
      const ResourceEntry& e = table.entries[i];
      if (!EqualsNoCase(e.type, type) || !EqualsNoCase(e.name, name)) continue;
      if (language != 0 && e.language == language) return std::span(e.data, e.size);
      if (first == nullptr) first = &e;
    }
  }
  if (first == nullptr) return std::nullopt;
  return std::span(first->data, first->size);
}

}  // namespace platform
