// Loading the embedded translation table and looking up the program's five texts, against
// a bare libxml2 parse of the same bytes (the least any table load must cost).
#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <string>

#include "localization/XMLLocalizer.h"
#include "platform/resources.h"

namespace {

constexpr const char* kKeys[] = {"LUMORA_TITLE", "LUMORA_OK", "LUMORA_CANCEL", "LUMORA_VELTARO_NOT_INSTALLED",
                                 "LUMORA_VELTARO_UPDATE_VERSION"};

void TableLoadAndFiveLookups(benchmark::State& state) {
  for (auto _ : state) {
    XMLLocalizer texts;
    texts.SetResourceName("ZEBSTRINGS");
    benchmark::DoNotOptimize(texts.LoadFromResource("German", 0));
    for (const char* key : kKeys) benchmark::DoNotOptimize(texts.GetString(key, true));
  }
}
BENCHMARK(TableLoadAndFiveLookups);

void BareLibxml2Parse(benchmark::State& state) {
  const auto bytes = platform::FindResourceData("XML", "ZEBSTRINGS");
  const std::string text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  for (auto _ : state) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
}
BENCHMARK(BareLibxml2Parse);

}  // namespace

BENCHMARK_MAIN();
