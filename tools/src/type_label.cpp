// Type labels for QVA listings.
#include "quorvel/tools/type_label.hpp"

#include <fmt/format.h>

#include "quorvel/dat/file_type.hpp"

namespace quorvel {

std::string format_type_label(std::uint32_t code) {
    const auto type = dat_file_type_from_code(code);
    return fmt::format("{} (0x{:08X})", type ? label(*type) : std::string_view("Unknown"), code);
}

}  // namespace quorvel
