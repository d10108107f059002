// The "qva-pack" subcommand (not built yet).
#include "quorvel/tools/commands.hpp"

namespace quorvel {

Result<> run_qva_pack(const QvaPackCommand&, Output&) { return std::unexpected(Error("the qva-pack subcommand is not available yet")); }

}  // namespace quorvel
