// The "export" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_export(const ExportCommand&, Output&) { return std::unexpected(Error("the export subcommand is not available yet")); }

}  // namespace quorvel
