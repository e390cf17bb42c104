// Whether a test can choose the user's language through this process's locale variables.
#pragma once

#include "platform/language.h"
#include "tests/support/ScopedEnv.h"

namespace localizationtest {

// True where the user's language follows LC_ALL (the POSIX backend emulates it so); false on
// Windows, where it is the account's setting and no process of a test can change it.
inline bool UserLanguageFollowsLcAll() {
  testsupport::ScopedEnv env;
  env.Set("LC_ALL", "de_DE.UTF-8");
  const bool german = platform::PrimaryLangId(platform::UserDefaultLangId()) == 0x07;
  env.Set("LC_ALL", "it_IT.UTF-8");
  return german && platform::PrimaryLangId(platform::UserDefaultLangId()) == 0x10;
}

}  // namespace localizationtest
