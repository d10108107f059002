// The "spell-export" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_spell_export(const SpellExportCommand&, Output&) { return std::unexpected(Error("the spell-export subcommand is not available yet")); }

}  // namespace quorvel
