// ClassicNumberScope on Windows. Where the runtime has per-thread locales (the UCRT), the
// thread takes a locale of its own (_configthreadlocale) and sets its numbers to "C", so that
// a scope on one thread never changes another thread's. MinGW's runtime, msvcrt.dll, has
// none: its _configthreadlocale refuses, and the numbers' locale is then switched for the
// whole process, under a lock that the scopes of every thread take in turn (a scope restores
// what the previous one left, never a locale another thread's scope set meanwhile).
#include "platform/number_locale.h"

#include <clocale>
#include <locale.h>

#include <mutex>
#include <new>
#include <string>

namespace platform {
namespace {

// What the scope restores: whether the thread had its own locale (or, when the process
// shares one, that the lock is held), and its numbers' locale.
struct Previous {
  int per_thread;
  bool process_wide;
  std::string numeric;
};

// Made on first use: a scope may run during static initialisation.
std::recursive_mutex& ProcessLocaleLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace

ClassicNumberScope::ClassicNumberScope() : previous_(nullptr) {
  const int per_thread = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  const bool process_wide = per_thread == -1;
  if (process_wide) ProcessLocaleLock().lock();
  const auto undo = [&] {
    if (process_wide)
      ProcessLocaleLock().unlock();
    else
      _configthreadlocale(per_thread);
  };
  const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
  auto* previous = numeric != nullptr ? new (std::nothrow) Previous{per_thread, process_wide, numeric} : nullptr;
  if (previous == nullptr || std::setlocale(LC_NUMERIC, "C") == nullptr) {
    delete previous;
    undo();
    return;
  }
  previous_ = previous;
}

ClassicNumberScope::~ClassicNumberScope() {
  auto* previous = static_cast<Previous*>(previous_);
  if (previous == nullptr) return;
  std::setlocale(LC_NUMERIC, previous->numeric.c_str());
  if (previous->process_wide)
    ProcessLocaleLock().unlock();
  else
    _configthreadlocale(previous->per_thread);
  delete previous;
}

}  // namespace platform
