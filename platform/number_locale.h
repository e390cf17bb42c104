// The runtime library's number conversions in the "C" locale, whatever locale the process
// runs in. A Qt program takes LC_NUMERIC from the environment, where printf's "%f" and
// strtod/atof would use a decimal comma; texts meant for other programs and for storage
// must not depend on that.
//
//   {
//     platform::ClassicNumberScope classic;
//     std::snprintf(text, sizeof text, "%f", 0.5);   // "0.500000", also in German
//     double d = std::atof("0.5");                    // 0.5
//   }
#pragma once

namespace platform {

// While it lives, the calling thread's printf and strto*/ato* families use the "C" locale;
// the destructor restores the thread's previous locale. Other threads are not affected where
// the runtime has per-thread locales (glibc, Windows' UCRT). On a runtime without them
// (MinGW's msvcrt.dll) the process's numbers are "C" while a scope lives, and the scopes of
// all threads take turns. Scopes nest. When the "C" locale cannot be made (out of memory),
// nothing changes.
class ClassicNumberScope {
 public:
  ClassicNumberScope();
  ~ClassicNumberScope();
  ClassicNumberScope(const ClassicNumberScope&) = delete;
  ClassicNumberScope& operator=(const ClassicNumberScope&) = delete;

 private:
  void* previous_;  // the thread's locale before the scope; null when nothing was changed
};

}  // namespace platform
