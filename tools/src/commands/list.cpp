// The "list" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_list(const ListCommand&, Output&) { return std::unexpected(Error("the list subcommand is not available yet")); }

}  // namespace quorvel
