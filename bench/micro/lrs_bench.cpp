// decompress_lrs on the compressed entries of the portal-like dataset, and on the two extremes.
#include <benchmark/benchmark.h>

#include "payload.hpp"
#include "quorvel/dat/utils/lrs.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"

namespace {

using namespace quorvel;

void decode_all(benchmark::State& state, const std::vector<std::vector<std::uint8_t>>& streams) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto& s : streams) {
            auto out = decompress_lrs(s);
            bytes += out.size();
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_decompress_lrs_portal(benchmark::State& state) {
    static const auto streams = [] {
        std::vector<std::vector<std::uint8_t>> v;
        for (const auto& e : bench::portal_entries(3'000))
            if (e.compressed) v.push_back(test::compress_lrs(bench::payload_of(e)));
        return v;
    }();
    decode_all(state, streams);
}
BENCHMARK(BM_decompress_lrs_portal);

void BM_decompress_lrs_literals(benchmark::State& state) {
    static const auto streams = [] {
        bench::BenchEntry e{.size = 1 << 20, .compressible = false, .seed = 7};
        return std::vector<std::vector<std::uint8_t>>{test::compress_lrs(bench::payload_of(e))};
    }();
    decode_all(state, streams);
}
BENCHMARK(BM_decompress_lrs_literals);

void BM_decompress_lrs_runs(benchmark::State& state) {
    static const std::vector<std::vector<std::uint8_t>> streams{test::compress_lrs(std::vector<std::uint8_t>(1 << 20, 0x5A))};
    decode_all(state, streams);
}
BENCHMARK(BM_decompress_lrs_runs);

}  // namespace
