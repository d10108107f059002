// The "landblock" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_landblock(const LandblockCommand&, Output&) { return std::unexpected(Error("the landblock subcommand is not available yet")); }

}  // namespace quorvel
