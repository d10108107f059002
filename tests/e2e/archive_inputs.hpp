// Small DAT files and QVA archives for end-to-end tests, written into a test's directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "quorvel/test_support/dat_writer.hpp"

namespace quorvel::test {

using Bytes = std::vector<std::uint8_t>;

/// One entry of a QVA archive: namespace label, file id, type id and payload.
struct QvaItem {
    std::string label;
    std::uint32_t file_id = 0;
    std::uint32_t type_id = 0;
    Bytes payload;
};

/// Writes a DAT file holding `entries` (id, bytes) with the given header; throws when it cannot.
void write_dat(const std::filesystem::path& path, const std::vector<std::pair<std::uint32_t, Bytes>>& entries,
               const DatHeader& header = portal_header());

/// Writes a QVA archive through QvaWriter; throws when it cannot.
void write_qva(const std::filesystem::path& path, std::vector<QvaItem> items, bool compress = false);

/// Overwrites the 32 namespace bytes of index record `position` of the archive at `path`.
void patch_index_namespace(const std::filesystem::path& path, std::uint32_t position, std::span<const std::uint8_t, 32> bytes);

}  // namespace quorvel::test
