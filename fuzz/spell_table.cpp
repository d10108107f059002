// Fuzz target: the spell table, and the JSON export of whatever it decodes to.
#include "harness.hpp"
#include "quorvel/dat/file_type/spell_table.hpp"
#include "quorvel/tools/spell_export.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    ByteCursor cursor(data);
    auto table = read_spell_table(cursor);
    if (!table) {
        render(table.error());
        require(cursor.position() == 0, "a failed spell table read moved the cursor");
        return;
    }

    // Every field, every spell: decoded text is UTF-8, so the document must always be written.
    SpellExportRequest request;
    for (const auto& info : spell_export_fields) request.fields.push_back(info.field);
    const auto json = export_spell_table(*table, request).to_json();
    require(json.has_value(), "the export of a decoded spell table cannot be written as JSON");
}

}  // namespace quorvel::fuzz
