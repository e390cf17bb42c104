// The executable's embedded resources, after FindResourceEx / LoadResource / SizeofResource.
//
// A resource is found by type and name; names and types compare without case, and "#102"
// names the numeric identifier 102 as on Windows. The Windows backend reads the executable's
// own resources (compiled from resources/ by the resource compiler); the POSIX backend a
// table compiled into the executable from resources/ (see cmake/TidewellResources.cmake and
// platform/emulation/resource_table.h).
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "platform/language.h"

namespace platform {

// The bytes of the resource of this type and name: the one tagged with `language` when there
// is one, else the first registered, whatever its language. Empty when there is none. The
// bytes live as long as the program.
[[nodiscard]] std::optional<std::span<const unsigned char>> FindResourceData(
    std::string_view type, std::string_view name, LangId language = 0);

}  // namespace platform
