// The text decoders on names and descriptions of typical length, in each encoding they meet.
#include <benchmark/benchmark.h>

#include "quorvel/dat/utils/text.hpp"

namespace {

using namespace quorvel;

std::vector<std::uint8_t> sample(std::string_view prefix, std::string_view unit, std::size_t repeat) {
    std::vector<std::uint8_t> v(prefix.begin(), prefix.end());
    for (std::size_t i = 0; i < repeat; ++i) v.insert(v.end(), unit.begin(), unit.end());
    return v;
}

void decode(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    for (auto _ : state) {
        auto text = decode_text(bytes);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_decode_ascii(benchmark::State& state) {
    static const auto bytes = sample("", "Casts a ward of frost upon the target. ", 6);
    decode(state, bytes);
}
BENCHMARK(BM_decode_ascii);

void BM_decode_windows1252(benchmark::State& state) {
    static const auto bytes = sample("", "Caf\xE9 \x93quoted\x94 \x80 na\xEFve \x85 ", 12);
    decode(state, bytes);
}
BENCHMARK(BM_decode_windows1252);

void BM_decode_utf8_bom(benchmark::State& state) {
    static const auto bytes = sample("\xEF\xBB\xBF", "Caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D ", 12);
    decode(state, bytes);
}
BENCHMARK(BM_decode_utf8_bom);

void BM_decode_utf16le_bom(benchmark::State& state) {
    static const auto bytes = sample("\xFF\xFE", std::string_view("C\0a\0f\0\xE9\0 \0\x1C\x20q\0\x1D\x20 \0", 18), 16);
    decode(state, bytes);
}
BENCHMARK(BM_decode_utf16le_bom);

}  // namespace
