// The "info" subcommand: the index data of one entry.
#include "quorvel/dat/file_type.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/type_label.hpp"

namespace quorvel {

namespace {

void print_dat_info(const DatDatabase& database, std::uint32_t id, Output& out) {
    const auto found = database.entries().find(id);
    if (found == database.entries().end()) {
        // A missing DAT id is reported, not failed.
        out.print("File ID {:08X} not found.\n", id);
        return;
    }
    const auto& entry = found->second;
    out.print("File ID: {:08X}\n", entry.id);
    out.print("Type:    {}\n", label(entry.file_type_in_dat(dat_kind(database.header()))));
    out.print("Size:    {}\n", entry.size);
    out.print("Offset:  {:08X}\n", entry.offset);
    out.print("Flags:   {:08X}\n", entry.bit_flags);
}

Result<> print_qva_info(const Provider& provider, const InfoCommand& command, std::uint32_t id, Output& out) {
    auto found = provider.get_qva_entry(command.namespace_label, id);
    if (!found) return std::unexpected(Error(found.error()));
    if (!*found) return std::unexpected(Error("QVA provider should return an entry or an error"));
    const QvaEntry& entry = **found;
    auto ns = entry.namespace_id();
    if (!ns) return std::unexpected(Error(ns.error()));
    out.print("Namespace: {}\n", ns->as_str());
    out.print("File ID:   {:08X}\n", entry.file_id);
    out.print("Type:      {}\n", format_type_label(entry.type_id));
    out.print("Size:      {}\n", entry.size);
    out.print("Offset:    {:08X}\n", entry.offset);
    out.print("Flags:     {:02X}\n", entry.flags);
    out.print("Pruned:    {}\n", entry.pruned());
    out.print("Compressed:{}\n", entry.compressed());
    return {};
}

}  // namespace

Result<> run_info(const InfoCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto id = parse_id_auto(command.id);
    if (!id) return std::unexpected(std::move(id.error()));
    if (const auto* database = provider->dat()) {
        print_dat_info(*database, *id, out);
        return {};
    }
    return print_qva_info(*provider, command, *id, out);
}

}  // namespace quorvel
