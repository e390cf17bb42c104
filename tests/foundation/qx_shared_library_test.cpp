// Another module's view of libqx (libqx.so, qx.dll): it builds and uses the exported classes
// through the shared library alone (a member missing from the export list fails this
// program's link).
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "foundation/Parameter.h"
#include "foundation/QxString.h"
#include "settings/YlRegistry.h"
#include "streams/QxStream.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

// Another module's store: overrides one operation and inherits the rest from the library.
class FamilyStore : public YlRegistry {
 public:
  int FlushIniFile() override { return 7; }
};

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

TEST(QxSharedLibrary, ADerivedStoreReachesTheLibraryThroughItsTables) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv env;
  env.Set("ORVANE_PREFIX", (dir.path() / "machine").string().c_str());
  FamilyStore store;
  YlIRegistry& face = store;
  EXPECT_EQ(face.FlushIniFile(), 7);
  const std::string ini = (dir.path() / "family.ini").string();
  ASSERT_EQ(face.Initialize("Acme", "Viewer", "2.1", "AV", ini.c_str()), 0);
  EXPECT_EQ(face.SetIntValue("S", "k", 5), 0);
  int value = 0;
  EXPECT_EQ(face.GetIntValue("S", "k", value), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(dynamic_cast<YlRegistry*>(&face), &store);
  EXPECT_EQ(typeid(face), typeid(FamilyStore));
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
