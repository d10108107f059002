// Decoder for the LZ format of compressed DAT entries.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorvel {

/// Restores the bytes of a compressed entry: a u32 declared size, then flag bytes each announcing
/// eight literal or back-reference tokens. Never fails: input shorter than 4 bytes is returned as
/// is, and a damaged or short stream yields the bytes decoded up to the point where it stops. A
/// back-reference met before any output exists ends the decoding.
std::vector<std::uint8_t> decompress_lrs(std::span<const std::uint8_t> data);

}  // namespace quorvel
