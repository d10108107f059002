// The command line of quorvel-tools, declared once.
#pragma once

#include <variant>

#include "quorvel/tools/commands.hpp"

namespace quorvel {

/// Parses the process arguments into one subcommand. Help, version and usage errors are printed
/// here; the result is then the exit status (0 for help and version, 2 for usage errors).
std::variant<Commands, int> parse_command_line(int argc, const char* const* argv);

}  // namespace quorvel
