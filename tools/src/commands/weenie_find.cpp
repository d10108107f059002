// The "weenie-find" subcommand: every table file searched for one class id.
#include <vector>

#include "quorvel/dat/file_type.hpp"
#include "quorvel/dat/weenie.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/qva_index_walk.hpp"

namespace quorvel {

namespace {

constexpr std::uint8_t table_prefix = 0x0E;

struct TableFile {
    std::uint32_t file_id;
    std::optional<std::string> namespace_label;
};

std::vector<TableFile> collect_dat_tables(const DatDatabase& database) {
    std::vector<TableFile> tables;
    for (const auto& [id, entry] : database.entries())
        if ((id >> 24) == table_prefix) tables.push_back({id, std::nullopt});
    return tables;
}

// Index records that cannot be read or named are passed over silently.
std::vector<TableFile> collect_qva_tables(const QvaReader& reader) {
    std::vector<TableFile> tables;
    NamespaceLabelCache labels;
    const auto collect = [&](const QvaEntry& entry) -> DatResult<void> {
        if (entry.type_id != static_cast<std::uint32_t>(DatFileType::Table)) return {};
        if (auto label = labels.label_of(entry)) tables.push_back({entry.file_id, std::string(*label)});
        return {};
    };
    (void)for_each_index_entry(reader, collect, UnreadableRecord::Skip);  // cannot fail: nothing stops it
    return tables;
}

}  // namespace

Result<> run_weenie_find(const WeenieFindCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto wcid = parse_id_auto(command.wcid);
    if (!wcid) return std::unexpected(std::move(wcid.error()));

    const auto tables = provider->dat() ? collect_dat_tables(*provider->dat()) : collect_qva_tables(*provider->qva());
    out.print("Scanning {} table files (0x0E prefix) for WCID {}...\n", tables.size(), *wcid);

    std::uint64_t hits = 0;
    for (const auto& table_file : tables) {
        // Each table is decoded and dropped before the next is fetched.
        auto bytes = provider->get_file_in_namespace(table_file.namespace_label, table_file.file_id);
        if (!bytes) continue;
        auto table = WeenieTable::unpack(*bytes);
        if (!table) continue;
        const auto found = table->weenies.find(*wcid);
        if (found == table->weenies.end()) continue;

        if (table_file.namespace_label)
            out.print("Hit in table {}:{:08X}\n", *table_file.namespace_label, table_file.file_id);
        else
            out.print("Hit in table {:08X}\n", table_file.file_id);
        const Weenie& weenie = found->second;
        out.print("  Entry WCID: {:08X}\n", weenie.class_id);
        out.print("  WeenieType: {}\n", weenie.weenie_type);
        if (const auto name = weenie.name()) out.print("  Name: {}\n", *name);
        ++hits;
    }
    if (hits == 0) out.print("No WCID {} entries found in scan-able table files (0x0E range).\n", *wcid);
    return {};
}

}  // namespace quorvel
