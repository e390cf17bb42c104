// Another module's view of libqx.so: it builds and uses the exported classes through the
// shared library alone (a member missing from the export list fails this program's link).
#include <gtest/gtest.h>

#include "foundation/Parameter.h"
#include "foundation/QxString.h"
#include "settings/YlRegistry.h"
#include "streams/QxStream.h"
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
  env.Set("ORVANE_PREFIX", (dir.path() / "machine").string().c_str());
  YlRegistry store("Acme", "Viewer", "2.1", "AV", (dir.path() / "family.ini").string().c_str());
  EXPECT_EQ(store.SetIntValue("S", "k", 42), 0);
  int value = 0;
  EXPECT_EQ(store.GetIntValue("S", "k", value), 0);
  EXPECT_EQ(value, 42);
  QxString message;
  store.GetErrorText(-10, message);
  EXPECT_STREQ(message, "YlRegistry - Fehler: noch nicht initialisiert");
}

TEST(QxSharedLibrary, MemoryStreamsWorkThroughTheExportedApi) {
  void* block = nullptr;
  unsigned int size = 0;
  QXMemWrite writer(&block, &size);
  IQxWrite& out = writer;
  char bytes[] = "stream";
  out.stWrite(bytes, 6);
  QXMemRead reader(block, size);
  IQxRead& in = reader;
  char back[8] = {};
  EXPECT_EQ(in.stRead(back, 8), 6u);
  EXPECT_STREQ(back, "stream");
  delete[] static_cast<unsigned char*>(block);
}

TEST(QxSharedLibrary, ParameterWorksThroughTheExportedApi) {
  Parameter values;
  values.Set("Count", 3);
  values.Set("Name", "a;b");
  EXPECT_EQ(values.GetInt("Count", -1), 3);
  EXPECT_STREQ(values.GetString("Name"), "a;b");
  const Parameter copy = values;  // the copy reaches the exported table of virtual operations
  EXPECT_TRUE(Parameter(static_cast<QxString>(copy)) == values);
}

}  // namespace
