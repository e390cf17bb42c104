// The settings store against baselines, in one run:
//  - GetKeyValue against a bare prepared SQLite lookup of the same registry row;
//  - GetIntValue on a family INI file of 2,000 sections of 10 keys against QSettings
//    (IniFormat) with sync() before each read (both then see another process's change at the
//    next read), and against QSettings' cached value() as the lower bound;
//  - the first, uncached read against QSettings' first read of the same file.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry.h"
#include "settings/YlRegistry.h"

namespace {

std::filesystem::path g_machine;
std::string g_ini;
const char* kEntryText = "benchmark-entry-value";
constexpr const char* kQtKey = "AV_#_Section1000/Key5";

void WriteFamilyIni() {
  std::ofstream out(g_ini, std::ios::binary);
  for (int s = 0; s < 2000; ++s) {
    out << "[AV_#_Section" << s << "]\r\n";
    for (int k = 0; k < 10; ++k) out << "Key" << k << "=" << (s * 10 + k) << "\r\n";
  }
}

void Touch(const std::string& file) {
  // A new modification time, as another process's write would leave.
  timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
  utimensat(AT_FDCWD, file.c_str(), times, 0);
}

YlRegistry& Store() {
  static YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  return store;
}

void GetKeyValue(benchmark::State& state) {
  char buffer[255];
  for (auto _ : state) benchmark::DoNotOptimize(Store().GetKeyValue(HKEY_LOCAL_MACHINE, "Bench\\Entry", buffer, 255));
}
BENCHMARK(GetKeyValue);

void BareSqliteLookup(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2((g_machine / "registry.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* find = nullptr;
  sqlite3_prepare_v2(db, "SELECT key, fold FROM vals WHERE data = ?", -1, &find, nullptr);
  sqlite3_bind_blob(find, 1, kEntryText, static_cast<int>(std::strlen(kEntryText)), SQLITE_STATIC);
  if (sqlite3_step(find) != SQLITE_ROW) state.SkipWithError("the entry's row is not there");
  const sqlite3_int64 key = sqlite3_column_int64(find, 0);
  const std::string fold(static_cast<const char*>(sqlite3_column_blob(find, 1)) ? static_cast<const char*>(sqlite3_column_blob(find, 1)) : "",
                         static_cast<std::size_t>(sqlite3_column_bytes(find, 1)));
  sqlite3_finalize(find);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, "SELECT data FROM vals WHERE key = ? AND fold = ?", -1, &query, nullptr);
  char buffer[255];
  for (auto _ : state) {
    sqlite3_bind_int64(query, 1, key);
    sqlite3_bind_blob(query, 2, fold.data(), static_cast<int>(fold.size()), SQLITE_STATIC);
    if (sqlite3_step(query) == SQLITE_ROW) {
      const int n = sqlite3_column_bytes(query, 0);
      std::memcpy(buffer, sqlite3_column_blob(query, 0), static_cast<std::size_t>(n));
      buffer[n] = '\0';
    }
    sqlite3_reset(query);
    benchmark::DoNotOptimize(buffer);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
}
BENCHMARK(BareSqliteLookup);

void GetIntValue(benchmark::State& state) {
  int value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Store().GetIntValue("Section1000", "Key5", value));
  if (value != 10005) state.SkipWithError("wrong value");
}
BENCHMARK(GetIntValue);

void QSettingsSyncThenValue(benchmark::State& state) {
  QSettings settings(QString::fromStdString(g_ini), QSettings::IniFormat);
  int value = 0;
  for (auto _ : state) {
    settings.sync();
    value = settings.value(kQtKey).toInt();
    benchmark::DoNotOptimize(value);
  }
  if (value != 10005) state.SkipWithError("QSettings read another value");
}
BENCHMARK(QSettingsSyncThenValue);

void QSettingsCachedValue(benchmark::State& state) {
  QSettings settings(QString::fromStdString(g_ini), QSettings::IniFormat);
  for (auto _ : state) benchmark::DoNotOptimize(settings.value(kQtKey).toInt());
}
BENCHMARK(QSettingsCachedValue);

void GetIntValueFirstRead(benchmark::State& state) {
  int value = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Touch(g_ini);
    state.ResumeTiming();
    benchmark::DoNotOptimize(Store().GetIntValue("Section1000", "Key5", value));
  }
}
BENCHMARK(GetIntValueFirstRead);

void QSettingsFirstRead(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Touch(g_ini);  // QSettings keeps parsed files process-wide: make it read again
    state.ResumeTiming();
    QSettings settings(QString::fromStdString(g_ini), QSettings::IniFormat);
    benchmark::DoNotOptimize(settings.value(kQtKey).toInt());
  }
}
BENCHMARK(QSettingsFirstRead);

}  // namespace

int main(int argc, char** argv) {
  const auto root = std::filesystem::temp_directory_path() / ("tidewell-bench-" + std::to_string(::getpid()));
  g_machine = root / "machine";
  std::filesystem::create_directories(root / "ini");
  setenv("ORVANE_PREFIX", g_machine.c_str(), 1);
  setenv("ORVANE_USER", "bench", 1);
  g_ini = (root / "ini" / "Quenta.ini").string();
  {
    YlRegistry setup;
    setup.Initialize("Acme", "Viewer", "2.1", "AV", nullptr);
    setup.SetIniFilePath((root / "ini").c_str());
    setup.SetKeyValue(HKEY_LOCAL_MACHINE, "Bench\\Entry", kEntryText, false);
  }
  WriteFamilyIni();

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(root);
  return 0;
}
