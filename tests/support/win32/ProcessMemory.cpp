// The peak memory of tests/support/ProcessMemory.h on Windows: the process's peak working set.
#include "platform/win32/win32_api.h"
// After windows.h, which psapi.h needs.
#include <psapi.h>

#include "tests/support/ProcessMemory.h"

namespace testsupport {

long PeakResidentKiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

}  // namespace testsupport
