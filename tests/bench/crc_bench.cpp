// CRC-32 throughput of Crc32Update beside zlib's crc32 on the same 64 MiB buffer.
// Run: build/native/bin/crc_bench  (the ratio line follows the table)
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "download/CRC_32.h"

namespace {
const std::vector<unsigned char>& Buffer() {
  static std::vector<unsigned char> buf = [] {
    std::vector<unsigned char> b(64u << 20);
    std::mt19937 rng(1);
    for (auto& c : b) c = static_cast<unsigned char>(rng());
    return b;
  }();
  return buf;
}

uint32_t Ours() {
  uint32_t c = 0xFFFFFFFFu;
  Crc32Update(Buffer().data(), Buffer().size(), c);
  return c ^ 0xFFFFFFFFu;
}
uint32_t Zlib() {
  return static_cast<uint32_t>(crc32(0L, Buffer().data(), static_cast<uInt>(Buffer().size())));
}

void BM_Crc32Update(benchmark::State& s) {
  for (auto _ : s) benchmark::DoNotOptimize(Ours());
  s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * Buffer().size());
}
void BM_ZlibCrc32(benchmark::State& s) {
  for (auto _ : s) benchmark::DoNotOptimize(Zlib());
  s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * Buffer().size());
}
BENCHMARK(BM_Crc32Update)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ZlibCrc32)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Best of several runs each, interleaved, for the ratio line.
double BestSeconds(uint32_t (*f)()) {
  double best = 1e9;
  for (int i = 0; i < 7; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(f());
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}
}  // namespace

int main(int argc, char** argv) {
  if (Ours() != Zlib()) {
    std::fprintf(stderr, "crc_bench: results differ\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  double ours = BestSeconds(Ours), zlib = BestSeconds(Zlib);
  double mib = Buffer().size() / 1048576.0;
  std::printf("crc32 64 MiB: Crc32Update %.0f MiB/s, zlib %.0f MiB/s, ratio zlib/ours time %.2f (>= 1.00 means at least as fast)\n",
              mib / ours, mib / zlib, zlib / ours);
  return 0;
}
