// The kinds of installed host product: the value of `Product::kind`, which says what a record
// stands for and so which of the host version reader's version forms it carries (base, Max or
// Loom form). The numbers are those of the family's product table and never change.
#pragma once

#include <cstdint>

namespace productkind {

inline constexpr std::uint32_t kBasePhoto = 1;         // the base product with its photo module on; base form
inline constexpr std::uint32_t kWeb = 2;               // "Veltaro Loom", or the base product's web module; Loom form
inline constexpr std::uint32_t kPrismLite = 3;         // "Veltaro Prism Lite"; base form
inline constexpr std::uint32_t kPrismPlus = 4;         // "Veltaro Prism Plus"; base form
inline constexpr std::uint32_t kPrismMax = 5;          // "Veltaro Prism Max"; Max form
inline constexpr std::uint32_t kPrismPlusCompact = 6;  // "Veltaro Prism Plus Compact"; base form

}  // namespace productkind
