// QxString against std::string / snprintf and Qt's QByteArray, in one run: copying (10 bytes
// and 1 MB), appending after a reserve, Find, Replace and Format("%d %s").
#include <benchmark/benchmark.h>

#include <QByteArray>

#include <cstdio>
#include <string>

#include "foundation/QxString.h"

namespace {

constexpr int kLarge = 1 << 20;

std::string Text(int length) {
  std::string text;
  for (int i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + (i * 7) % 26));
  return text;
}

// --- Copy ---------------------------------------------------------------------------------

void BM_Copy_QxString(benchmark::State& state) {
  const std::string text = Text(static_cast<int>(state.range(0)));
  const QxString source(text.data(), static_cast<int>(text.size()));
  for (auto _ : state) {
    QxString copy(source);
    benchmark::DoNotOptimize(static_cast<const char*>(copy));
  }
}
BENCHMARK(BM_Copy_QxString)->Arg(10)->Arg(kLarge);

void BM_Copy_StdString(benchmark::State& state) {
  const std::string source = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_Copy_StdString)->Arg(10)->Arg(kLarge);

void BM_Copy_QByteArray(benchmark::State& state) {
  const std::string text = Text(static_cast<int>(state.range(0)));
  const QByteArray source(text.data(), static_cast<qsizetype>(text.size()));
  for (auto _ : state) {
    QByteArray copy(source);
    benchmark::DoNotOptimize(copy.constData());
  }
}
BENCHMARK(BM_Copy_QByteArray)->Arg(10)->Arg(kLarge);

// --- Append after reserving ---------------------------------------------------------------

constexpr int kPieces = 512;
constexpr char kPiece[] = "piece-8b";

void BM_Append_QxString(benchmark::State& state) {
  for (auto _ : state) {
    QxString s;
    s.GetBuffer(kPieces * 8);
    s.ReleaseBuffer(-1);
    for (int i = 0; i < kPieces; ++i) s += kPiece;
    benchmark::DoNotOptimize(static_cast<const char*>(s));
  }
}
BENCHMARK(BM_Append_QxString);

void BM_Append_StdString(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    s.reserve(kPieces * 8);
    for (int i = 0; i < kPieces; ++i) s += kPiece;
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Append_StdString);

void BM_Append_QByteArray(benchmark::State& state) {
  for (auto _ : state) {
    QByteArray s;
    s.reserve(kPieces * 8);
    for (int i = 0; i < kPieces; ++i) s += kPiece;
    benchmark::DoNotOptimize(s.constData());
  }
}
BENCHMARK(BM_Append_QByteArray);

// --- Find ---------------------------------------------------------------------------------

const std::string& Haystack() {
  static const std::string text = Text(64 * 1024) + "needle-at-the-end";
  return text;
}

void BM_Find_QxString(benchmark::State& state) {
  const QxString s(Haystack().c_str());
  for (auto _ : state) benchmark::DoNotOptimize(s.Find("needle-at"));
}
BENCHMARK(BM_Find_QxString);

void BM_Find_StdString(benchmark::State& state) {
  const std::string s = Haystack();
  for (auto _ : state) benchmark::DoNotOptimize(s.find("needle-at"));
}
BENCHMARK(BM_Find_StdString);

void BM_Find_QByteArray(benchmark::State& state) {
  const QByteArray s(Haystack().c_str());
  for (auto _ : state) benchmark::DoNotOptimize(s.indexOf("needle-at"));
}
BENCHMARK(BM_Find_QByteArray);

// --- Replace (every occurrence, starting from a shared copy of the same text) -------------

std::string ReplaceSource() {
  std::string text;
  for (int i = 0; i < 512; ++i) text += "ab-cd ";
  return text;
}

void BM_Replace_QxString(benchmark::State& state) {
  const QxString master(ReplaceSource().c_str());
  for (auto _ : state) {
    QxString s(master);
    benchmark::DoNotOptimize(s.Replace("cd", "xyz"));
  }
}
BENCHMARK(BM_Replace_QxString);

void BM_Replace_StdString(benchmark::State& state) {
  const std::string master = ReplaceSource();
  for (auto _ : state) {
    // The usual replace-all: one pass into a result reserved at the source's size.
    std::string out;
    out.reserve(master.size() + master.size() / 2);
    std::size_t read = 0, at = 0;
    int count = 0;
    while ((at = master.find("cd", read)) != std::string::npos) {
      out.append(master, read, at - read).append("xyz");
      read = at + 2;
      ++count;
    }
    out.append(master, read, std::string::npos);
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_Replace_StdString);

void BM_Replace_QByteArray(benchmark::State& state) {
  const QByteArray master(ReplaceSource().c_str());
  for (auto _ : state) {
    QByteArray s(master);
    s.replace("cd", "xyz");
    benchmark::DoNotOptimize(s.constData());
  }
}
BENCHMARK(BM_Replace_QByteArray);

// --- Format("%d %s") ----------------------------------------------------------------------

void BM_Format_QxString(benchmark::State& state) {
  QxString s;
  int i = 0;
  for (auto _ : state) {
    s.Format("%d %s", ++i, "items in the list");
    benchmark::DoNotOptimize(static_cast<const char*>(s));
  }
}
BENCHMARK(BM_Format_QxString);

void BM_Format_Snprintf(benchmark::State& state) {
  std::string s;
  int i = 0;
  for (auto _ : state) {
    ++i;
    const int n = std::snprintf(nullptr, 0, "%d %s", i, "items in the list");
    s.resize(static_cast<std::size_t>(n));
    std::snprintf(s.data(), s.size() + 1, "%d %s", i, "items in the list");
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Format_Snprintf);

void BM_Format_QByteArray(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    // QByteArray has no printf; this is its idiom for the same text.
    QByteArray s = QByteArray::number(++i);
    s.append(' ').append("items in the list");
    benchmark::DoNotOptimize(s.constData());
  }
}
BENCHMARK(BM_Format_QByteArray);

}  // namespace

BENCHMARK_MAIN();
