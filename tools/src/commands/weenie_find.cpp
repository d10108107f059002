// The "weenie-find" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_weenie_find(const WeenieFindCommand&, Output&) { return std::unexpected(Error("the weenie-find subcommand is not available yet")); }

}  // namespace quorvel
