// Whether the test program runs under Wine. Wine's own copies of a few Windows components
// behave differently from Windows in places; the contract tests check those cases on Windows
// and POSIX and name each difference where they leave it out under Wine.
#pragma once

namespace testsupport {

[[nodiscard]] bool UnderWine();

}  // namespace testsupport
