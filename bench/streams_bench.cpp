// QxZlib against zlib's one-call compress2/uncompress on the same 1 MB of text, in one run;
// and what QXMemWrite's exact-size growth costs as the sink for the same data.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "streams/QxStream.h"
#include "streams/QxZlib.h"

namespace {

constexpr std::size_t kSize = 1 << 20;

// Lines of words from a small vocabulary, mixed with numbers: compresses about as prose does.
const std::string& Text() {
  static const std::string text = [] {
    static const char* const words[] = {"the", "host", "version", "plug-in", "settings", "lens",
                                        "tide", "folder", "user", "value", "registry", "is",
                                        "of", "and", "a", "file", "dialog", "update"};
    std::mt19937 random(42);
    std::string t;
    while (t.size() < kSize) {
      t += words[random() % 18];
      t += random() % 9 == 0 ? "\r\n" : " ";
      if (random() % 23 == 0) t += std::to_string(random() % 100000) + " ";
    }
    t.resize(kSize);
    return t;
  }();
  return text;
}

const std::string& Compressed() {
  static const std::string compressed = [] {
    uLongf size = compressBound(kSize);
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(Text().data()), kSize,
              Z_DEFAULT_COMPRESSION);
    out.resize(size);
    return out;
  }();
  return compressed;
}

// The sink a caller writes for large data: a growing vector, amortised.
class VectorSink final : public IQxWrite {
 public:
  unsigned long stWrite(void* source, unsigned long count) override {
    const auto* bytes = static_cast<const unsigned char*>(source);
    data.insert(data.end(), bytes, bytes + count);
    return 0;
  }
  std::vector<unsigned char> data;
};

void BM_Compress_QxZlib(benchmark::State& state) {
  QxZlib zlib;
  for (auto _ : state) {
    QXMemRead source(Text().data(), kSize);
    VectorSink sink;
    sink.data.reserve(Compressed().size());
    benchmark::DoNotOptimize(zlib.Compress(sink, source, 0));
  }
}
BENCHMARK(BM_Compress_QxZlib)->Unit(benchmark::kMillisecond);

void BM_Compress_Compress2(benchmark::State& state) {
  std::vector<unsigned char> out(compressBound(kSize));
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(Text().data()), kSize,
                                       Z_DEFAULT_COMPRESSION));
  }
}
BENCHMARK(BM_Compress_Compress2)->Unit(benchmark::kMillisecond);

void BM_Expand_QxZlib(benchmark::State& state) {
  QxZlib zlib;
  for (auto _ : state) {
    QXMemRead source(Compressed().data(), Compressed().size());
    VectorSink sink;
    sink.data.reserve(kSize);
    benchmark::DoNotOptimize(zlib.Expand(sink, source, 0));
  }
}
BENCHMARK(BM_Expand_QxZlib)->Unit(benchmark::kMillisecond);

void BM_Expand_Uncompress(benchmark::State& state) {
  std::vector<unsigned char> out(kSize);
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(Compressed().data()),
                                        Compressed().size()));
  }
}
BENCHMARK(BM_Expand_Uncompress)->Unit(benchmark::kMillisecond);

// QXMemWrite copies its whole block on every write: quadratic in the pieces' count.
template <bool kCompress>
void BM_QXMemWriteSink(benchmark::State& state) {
  QxZlib zlib;
  const std::string& input = kCompress ? Text() : Compressed();
  for (auto _ : state) {
    QXMemRead source(input.data(), input.size());
    void* block = nullptr;
    unsigned int size = 0;
    QXMemWrite sink(&block, &size);
    benchmark::DoNotOptimize(kCompress ? zlib.Compress(sink, source, 0) : zlib.Expand(sink, source, 0));
    delete[] static_cast<unsigned char*>(block);
  }
}
void BM_Compress_QxZlibIntoQXMemWrite(benchmark::State& state) { BM_QXMemWriteSink<true>(state); }
void BM_Expand_QxZlibIntoQXMemWrite(benchmark::State& state) { BM_QXMemWriteSink<false>(state); }
BENCHMARK(BM_Compress_QxZlibIntoQXMemWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Expand_QxZlibIntoQXMemWrite)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
