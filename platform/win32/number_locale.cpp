// ClassicNumberScope on Windows: the thread takes a locale of its own (_configthreadlocale)
// and sets its numbers to "C", so that a scope on one thread never changes another thread's.
#include "platform/number_locale.h"

#include <clocale>
#include <locale.h>

#include <new>
#include <string>

namespace platform {
namespace {

// What the scope restores: whether the thread had its own locale, and its numbers' locale.
struct Previous {
  int per_thread;
  std::string numeric;
};

}  // namespace

ClassicNumberScope::ClassicNumberScope() : previous_(nullptr) {
  const int per_thread = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  if (per_thread == -1) return;
  const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
  auto* previous = numeric != nullptr ? new (std::nothrow) Previous{per_thread, numeric} : nullptr;
  if (previous == nullptr || std::setlocale(LC_NUMERIC, "C") == nullptr) {
    delete previous;
    _configthreadlocale(per_thread);
    return;
  }
  previous_ = previous;
}

ClassicNumberScope::~ClassicNumberScope() {
  auto* previous = static_cast<Previous*>(previous_);
  if (previous == nullptr) return;
  std::setlocale(LC_NUMERIC, previous->numeric.c_str());
  _configthreadlocale(previous->per_thread);
  delete previous;
}

}  // namespace platform
