// The text that shows a stored type id together with its number.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

/// "{label} (0x{code:08X})" for a known type code, else "Unknown (0x{code:08X})".
std::string format_type_label(std::uint32_t code);

}  // namespace quorvel
