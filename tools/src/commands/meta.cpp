// The "meta" subcommand: facts about the input file itself.
#include <map>

#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/qva_index_walk.hpp"

namespace quorvel {

namespace {

void print_dat_meta(const Provider& provider, const DatDatabase& database, Output& out) {
    const auto& header = database.header();
    out.print("Magic:       0x{:08X}\n", header.magic);
    out.print("Block Size:  {}\n", header.block_size);
    out.print("Dataset:     {}\n", header.dataset);
    out.print("Namespace:   {}\n", provider.dat_namespace_label().value_or("<unknown retail dataset>"));
}

Result<> print_qva_meta(const QvaReader& reader, Output& out) {
    const auto& header = reader.header();
    out.print("Version:     {}\n", header.version);
    out.print("Index Offs:  0x{:08X}\n", header.index_offset);
    out.print("Meta Size:   {}\n", header.metadata_size);

    // Counted from every index record, not from the namespace records.
    std::map<std::string, std::uint64_t, std::less<>> counts;
    NamespaceLabelCache labels;
    auto walked = for_each_index_entry(reader, [&](const QvaEntry& entry) -> DatResult<void> {
        auto label = labels.label_of(entry);
        if (!label) return std::unexpected(std::move(label.error()));
        auto it = counts.find(*label);
        if (it == counts.end()) it = counts.emplace(std::string(*label), 0).first;
        ++it->second;
        return {};
    });
    if (!walked) return std::unexpected(Error(walked.error()));

    out.print("Namespaces:  {}\n", counts.size());
    for (const auto& [label, count] : counts) out.print("  {} -> {} entries\n", label, count);
    return {};
}

}  // namespace

Result<> run_meta(const MetaCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));

    out.print("Loaded {} provider with {} files.\n", provider->kind_label(), provider->file_count());
    out.print("--- Meta Information ---\n");
    out.print("Provider:    {}\n", provider->kind_label());
    out.print("File Count:  {}\n", provider->file_count());
    if (const auto* database = provider->dat()) {
        print_dat_meta(*provider, *database, out);
        return {};
    }
    return print_qva_meta(*provider->qva(), out);
}

}  // namespace quorvel
