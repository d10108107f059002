// The "info" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_info(const InfoCommand&, Output&) { return std::unexpected(Error("the info subcommand is not available yet")); }

}  // namespace quorvel
