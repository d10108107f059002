// The spell export: selecting fields from a table of retail size and writing the JSON document.
#include <benchmark/benchmark.h>

#include "quorvel/test_support/spell_builder.hpp"
#include "quorvel/tools/spell_export.hpp"

namespace {

using namespace quorvel;

const SpellTable& table() {
    static const SpellTable t = [] {
        SpellTable table;
        table.id = SpellTable::file_id;
        for (std::uint32_t k = 1; k <= 6'000; ++k) table.spells.emplace(k, test::sample_spell(k, k % 3 == 0 ? 1 : 2));
        return table;
    }();
    return t;
}

void BM_spell_json(benchmark::State& state) {
    SpellExportRequest request;
    request.fields.assign({SpellExportField::Name, SpellExportField::Description, SpellExportField::School,
                           SpellExportField::Category, SpellExportField::Bitfield, SpellExportField::BaseMana,
                           SpellExportField::BaseRangeConstant, SpellExportField::BaseRangeMod, SpellExportField::Power,
                           SpellExportField::RawComponents, SpellExportField::ManaMod,
                           SpellExportField::FormulaVersion});
    const auto file = export_spell_table(table(), request);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto json = file.to_json();
        if (!json) state.SkipWithError("json failed");
        else bytes += json->size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * file.spells.size()));
}
BENCHMARK(BM_spell_json)->Unit(benchmark::kMillisecond);

void BM_spell_select(benchmark::State& state) {
    SpellExportRequest request;
    request.schools = {SpellSchool::War, SpellSchool::Life};
    for (auto _ : state) {
        auto file = export_spell_table(table(), request);
        benchmark::DoNotOptimize(file.spells.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * table().spells.size()));
}
BENCHMARK(BM_spell_select)->Unit(benchmark::kMillisecond);

}  // namespace
