// The fixed header of a DAT file, 80 bytes at offset 0x140.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "quorvel/common/byte_cursor.hpp"

namespace quorvel {

struct DatHeader {
    static constexpr std::uint64_t offset = 0x140;
    static constexpr std::size_t size = 80;

    std::uint32_t magic = 0;
    std::uint32_t block_size = 0;
    std::uint32_t file_size = 0;
    std::uint32_t dataset = 0;
    std::uint32_t subset = 0;
    std::uint32_t free_head = 0;
    std::uint32_t free_tail = 0;
    std::uint32_t free_count = 0;
    std::uint32_t root_offset = 0;
    std::uint32_t new_lru = 0;
    std::uint32_t old_lru = 0;
    std::uint32_t use_lru = 0;
    std::uint32_t master_map_id = 0;
    std::uint32_t engine_version = 0;
    std::uint32_t game_version = 0;
    std::array<std::uint8_t, 16> version_string{};
    std::uint32_t version_minor = 0;

    /// Decodes the header from a cursor standing at its first byte. Fails with end of data, framed
    /// "While parsing field '<field>' in DatHeader", when the bytes end inside a field. Values are
    /// not validated.
    static RecordResult<DatHeader> read(ByteCursor& cursor);

    bool operator==(const DatHeader&) const = default;
};

}  // namespace quorvel
