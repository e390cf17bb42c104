// Parameter against the usual alternative, a std::map parsed from the same text, in one run:
// GetInt of the last of 100 entries against parse-then-lookup, and Set of a middle entry
// against parse, change and write back.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>

#include "foundation/Parameter.h"

namespace {

constexpr int kEntries = 100;

std::string Tag(int i) { return "Entry" + std::to_string(i); }

// 100 entries as Set writes them: Entry0=1000; CR LF ... Entry99=1099; CR LF.
const std::string& Text() {
  static const std::string text = [] {
    Parameter p;
    for (int i = 0; i < kEntries; ++i) p.Set(Tag(i).c_str(), 1000 + i);
    return std::string(static_cast<const char*>(p));
  }();
  return text;
}

// The baseline's reader and writer of plain entries tag=value; with line breaks between.
using Entries = std::map<std::string, std::string>;

Entries Parse(const std::string& text) {
  Entries entries;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '\r' || text[at] == '\n') {
      ++at;
      continue;
    }
    const std::size_t equals = text.find('=', at);
    if (equals == std::string::npos) break;
    std::size_t semicolon = text.find(';', equals + 1);
    if (semicolon == std::string::npos) semicolon = text.size();
    entries.emplace(text.substr(at, equals - at), text.substr(equals + 1, semicolon - equals - 1));
    at = semicolon + 1;
  }
  return entries;
}

std::string Write(const Entries& entries, std::size_t sizeHint) {
  std::string text;
  text.reserve(sizeHint);
  for (const auto& [tag, value] : entries) text.append(tag).append(1, '=').append(value).append(";\r\n");
  return text;
}

void BM_GetInt_Parameter(benchmark::State& state) {
  const Parameter p(Text().c_str());
  const std::string last = Tag(kEntries - 1);
  for (auto _ : state) benchmark::DoNotOptimize(p.GetInt(last.c_str(), -1));
}
BENCHMARK(BM_GetInt_Parameter);

void BM_GetInt_StdMap(benchmark::State& state) {
  const std::string& text = Text();
  const std::string last = Tag(kEntries - 1);
  for (auto _ : state) {
    const Entries entries = Parse(text);
    const auto found = entries.find(last);
    benchmark::DoNotOptimize(found == entries.end() ? -1 : std::atoi(found->second.c_str()));
  }
}
BENCHMARK(BM_GetInt_StdMap);

void BM_Set_Parameter(benchmark::State& state) {
  Parameter p(Text().c_str());
  const std::string middle = Tag(kEntries / 2);
  int i = 0;
  for (auto _ : state) {
    p.Set(middle.c_str(), 1000 + (++i & 0xFFF));
    benchmark::DoNotOptimize(static_cast<const char*>(p));
  }
}
BENCHMARK(BM_Set_Parameter);

void BM_Set_StdMap(benchmark::State& state) {
  std::string text = Text();
  const std::string middle = Tag(kEntries / 2);
  int i = 0;
  for (auto _ : state) {
    Entries entries = Parse(text);
    entries[middle] = std::to_string(1000 + (++i & 0xFFF));
    text = Write(entries, text.size() + 8);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_Set_StdMap);

}  // namespace

BENCHMARK_MAIN();
