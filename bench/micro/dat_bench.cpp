// The DAT directory walk at open, and the whole "list" subcommand on the same file.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench_files.hpp"
#include "quorvel/dat/dat_database.hpp"
#include "quorvel/tools/commands.hpp"

namespace {

using namespace quorvel;

void BM_dat_directory_walk(benchmark::State& state) {
    const auto& path = bench::micro_cell_dat();
    std::size_t entries = 0;
    for (auto _ : state) {
        auto db = DatDatabase::open(path);
        if (!db) state.SkipWithError("open failed");
        else entries += db->entries().size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(entries));
}
BENCHMARK(BM_dat_directory_walk)->Unit(benchmark::kMillisecond);

void list_to_null(benchmark::State& state, const std::filesystem::path& path, std::size_t entries) {
    const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    for (auto _ : state) {
        Output out(fd);
        if (!run_list(ListCommand{path}, out) || !out.flush()) state.SkipWithError("list failed");
    }
    ::close(fd);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

void BM_list_dat(benchmark::State& state) { list_to_null(state, bench::micro_cell_dat(), 100'000); }
BENCHMARK(BM_list_dat)->Unit(benchmark::kMillisecond);

void BM_list_qva(benchmark::State& state) { list_to_null(state, bench::micro_qva(), 100'000); }
BENCHMARK(BM_list_qva)->Unit(benchmark::kMillisecond);

}  // namespace
