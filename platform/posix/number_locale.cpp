// ClassicNumberScope on POSIX: a per-thread locale (uselocale), so that a scope on one thread
// never changes how another thread formats its numbers.
#include "platform/number_locale.h"

#include <locale.h>

namespace platform {

namespace {

locale_t ClassicLocale() {
  // Made once and kept for the life of the process; newlocale only fails without memory.
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

}  // namespace

ClassicNumberScope::ClassicNumberScope() : previous_(nullptr) {
  if (const locale_t classic = ClassicLocale(); classic != static_cast<locale_t>(nullptr))
    previous_ = uselocale(classic);
}

ClassicNumberScope::~ClassicNumberScope() {
  if (previous_ != nullptr) uselocale(static_cast<locale_t>(previous_));
}

}  // namespace platform
