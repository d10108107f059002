// The command line (not built yet).
#include "quorvel/tools/cli.hpp"

#include <cstdio>

namespace quorvel {

std::variant<Commands, int> parse_command_line(int, const char* const*) {
    std::fputs("error: the command line is not available yet\n", stderr);
    return 2;
}

}  // namespace quorvel
