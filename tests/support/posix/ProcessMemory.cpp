// The peak memory of tests/support/ProcessMemory.h on POSIX: getrusage's maximum resident set
// (Linux counts it in KiB).
#include <sys/resource.h>

#include "tests/support/ProcessMemory.h"

namespace testsupport {

long PeakResidentKiB() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  return usage.ru_maxrss;
}

}  // namespace testsupport
