// The "meta" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_meta(const MetaCommand&, Output&) { return std::unexpected(Error("the meta subcommand is not available yet")); }

}  // namespace quorvel
