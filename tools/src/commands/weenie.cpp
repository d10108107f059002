// The "weenie" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_weenie(const WeenieCommand&, Output&) { return std::unexpected(Error("the weenie subcommand is not available yet")); }

}  // namespace quorvel
