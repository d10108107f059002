// QVA lookups by binary search over positional index reads, and the chunked index walk.
#include <benchmark/benchmark.h>

#include "bench_files.hpp"
#include "payload.hpp"
#include "quorvel/dat/archive/qva_reader.hpp"
#include "quorvel/tools/qva_index_walk.hpp"

namespace {

using namespace quorvel;

void BM_qva_find_entry(benchmark::State& state) {
    auto reader = QvaReader::open(bench::micro_qva());
    if (!reader) {
        state.SkipWithError("open failed");
        return;
    }
    const auto entries = bench::qva_entries(100'000);
    bench::Rng rng(1);
    for (auto _ : state) {
        auto found = reader->find_entry(entries[rng.below(static_cast<std::uint32_t>(entries.size()))].id);
        if (!found) state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_qva_find_entry);

void BM_qva_open(benchmark::State& state) {
    for (auto _ : state) {
        auto reader = QvaReader::open(bench::micro_qva());
        benchmark::DoNotOptimize(reader);
    }
}
BENCHMARK(BM_qva_open);

void BM_qva_index_walk(benchmark::State& state) {
    auto reader = QvaReader::open(bench::micro_qva());
    if (!reader) {
        state.SkipWithError("open failed");
        return;
    }
    std::uint64_t sum = 0;
    for (auto _ : state) {
        auto walked = for_each_index_entry(*reader, [&](const QvaEntry& e) -> DatResult<void> {
            sum += e.size;
            return {};
        });
        if (!walked) state.SkipWithError("walk failed");
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * reader->header().entry_count);
}
BENCHMARK(BM_qva_index_walk)->Unit(benchmark::kMillisecond);

}  // namespace
