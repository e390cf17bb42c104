// The test program's own peak memory, for tests that bound what an operation may take.
//
// Each backend asks its system (tests/support/<backend>/ProcessMemory.cpp): getrusage's
// maximum resident set on POSIX, the peak working set (GetProcessMemoryInfo) on Windows.
#pragma once

namespace testsupport {

// The most memory this process has held in RAM at once so far, in KiB; -1 when the system
// does not tell.
[[nodiscard]] long PeakResidentKiB();

}  // namespace testsupport
