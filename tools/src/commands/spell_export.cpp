// The "spell-export" subcommand: the spell table as a JSON document.
#include "quorvel/dat/file_type/spell_table.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/provider.hpp"

namespace quorvel {

Result<> run_spell_export(const SpellExportCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto bytes = provider->get_file_in_namespace(command.namespace_label, SpellTable::file_id);
    if (!bytes) return std::unexpected(Error(bytes.error()));
    ByteCursor cursor(*bytes);
    auto table = read_spell_table(cursor);
    if (!table) return std::unexpected(Error(table.error()));
    return write_spell_export(export_spell_table(*table, command.request), command.output, out);
}

}  // namespace quorvel
