// The command line of quorvel-tools, declared once.
#pragma once

#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

#include "quorvel/tools/commands.hpp"

namespace quorvel {

/// Parses the process arguments into one subcommand. Help and version go to standard output, usage
/// errors to standard error; the result is then the exit status (0 for help and version, 2 for usage
/// errors and for no arguments at all).
std::variant<Commands, int> parse_command_line(int argc, const char* const* argv);

/// The same for `args`, the arguments after the program name, printing to `out` what would go to
/// standard output and to `err` what would go to standard error. Never exits the process.
std::variant<Commands, int> parse_command_line(const std::vector<std::string>& args, std::ostream& out,
                                               std::ostream& err);

}  // namespace quorvel
