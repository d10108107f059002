// Inputs made by the file-command tests: patterned payloads and QVA archives, written or laid out by hand.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive_inputs.hpp"

namespace quorvel::test {

/// `n` bytes that neither zstd nor the DAT compressor can shorten much, distinct per seed.
std::vector<std::uint8_t> pattern_bytes(std::size_t n, std::uint8_t seed);

/// `n` bytes of long runs, which every compressor shortens.
std::vector<std::uint8_t> compressible_bytes(std::size_t n);

/// The fields of one index record of a hand-laid archive.
struct HandEntry {
    std::string_view label;
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t comp_size = 0;
    std::uint8_t flags = 0;
};

/// An archive laid out as the writer would: header, `payload`, then one namespace record per run of
/// equal labels in `entries`, then the index records exactly as given (offsets are not checked, so
/// they may point anywhere, even past the end of the file).
std::vector<std::uint8_t> hand_archive(std::span<const std::uint8_t> payload, std::span<const HandEntry> entries);

}  // namespace quorvel::test
