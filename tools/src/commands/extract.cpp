// The "extract" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_extract(const ExtractCommand&, Output&) { return std::unexpected(Error("the extract subcommand is not available yet")); }

}  // namespace quorvel
