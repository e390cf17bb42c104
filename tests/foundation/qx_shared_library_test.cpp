// Another module's view of libqx.so: it builds and uses the exported classes through the
// shared library alone (a member missing from the export list fails this program's link).
#include <gtest/gtest.h>

#include "foundation/QxString.h"
#include "settings/YlRegistry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

TEST(QxSharedLibrary, StringsAndTheSettingsStoreWorkThroughTheExportedApi) {
  QxString text("family");
  QxString copy = text + " module";
  copy.MakeUpper();
  EXPECT_STREQ(copy, "FAMILY MODULE");
  EXPECT_EQ(copy.Find("MOD"), 7);

  testsupport::TempDir dir;
  testsupport::ScopedEnv env;
  env.Set("ORVANE_PREFIX", (dir.path() / "machine").c_str());
  YlRegistry store("Acme", "Viewer", "2.1", "AV", (dir.path() / "family.ini").c_str());
  EXPECT_EQ(store.SetIntValue("S", "k", 42), 0);
  int value = 0;
  EXPECT_EQ(store.GetIntValue("S", "k", value), 0);
  EXPECT_EQ(value, 42);
  QxString message;
  store.GetErrorText(-10, message);
  EXPECT_STREQ(message, "YlRegistry - Fehler: noch nicht initialisiert");
}

}  // namespace
