// Encoder for the LZ format of compressed DAT entries, the inverse of decompress_lrs.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorvel::test {

/// The u32 size, then flag bytes and tokens; greedy matching (distance 1..4095, length 2..17)
/// through a hash table of 3-byte prefixes. decompress_lrs of the result gives `data` back.
std::vector<std::uint8_t> compress_lrs(std::span<const std::uint8_t> data);

}  // namespace quorvel::test
