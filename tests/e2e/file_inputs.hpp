// Inputs made by the file-command tests: patterned payloads and QVA archives, written or laid out by hand.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive_inputs.hpp"
#include "quorvel/test_support/qva_records.hpp"

namespace quorvel::test {

/// `n` bytes that neither zstd nor the DAT compressor can shorten much, distinct per seed.
std::vector<std::uint8_t> pattern_bytes(std::size_t n, std::uint8_t seed);

/// `n` bytes of long runs, which every compressor shortens.
std::vector<std::uint8_t> compressible_bytes(std::size_t n);

/// An archive laid out as the writer would: header, `payload`, then one namespace record per run of
/// equal labels in `entries`, then the index records exactly as given (offsets are not checked, so
/// they may point anywhere, even past the end of the file).
std::vector<std::uint8_t> hand_archive(std::span<const std::uint8_t> payload, std::span<const EntryFields> entries);

}  // namespace quorvel::test
