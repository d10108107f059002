// Fuzz target: the command line, its arguments split from the input at NUL bytes.
#include <sstream>
#include <string>
#include <vector>

#include "harness.hpp"
#include "quorvel/tools/cli.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/quote_path.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    std::vector<std::string> args;
    std::string current;
    for (const std::uint8_t byte : data) {
        if (byte == 0) {
            args.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(byte));
        }
    }
    if (!data.empty()) args.push_back(std::move(current));

    std::ostringstream out;
    std::ostringstream err;
    const auto parsed = parse_command_line(args, out, err);
    if (const auto* status = std::get_if<int>(&parsed)) {
        require(*status == 0 || *status == 2, "the parser returned an exit status other than 0 or 2");
        require(*status == 0 ? !out.str().empty() : !err.str().empty(), "the parser ended without saying why");
        return;
    }
    require(out.str().empty() && err.str().empty(), "a successful parse printed something");

    // What the handlers do first with the parsed values: ids become numbers, paths appear quoted.
    std::visit(
        [](const auto& command) {
            if constexpr (requires { command.id; }) (void)parse_id_auto(command.id);
            if constexpr (requires { command.wcid; }) (void)parse_id_auto(command.wcid);
            if constexpr (requires { command.path; }) require(is_utf8(quote_path(command.path)), "a quoted path is not UTF-8");
        },
        std::get<Commands>(parsed));
}

}  // namespace quorvel::fuzz
