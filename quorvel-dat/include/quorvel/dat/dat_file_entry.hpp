// One entry of a DAT file's directory: where an entry's bytes are stored and how.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/dat/file_type.hpp"

namespace quorvel {

struct DatFileEntry {
    static constexpr std::size_t size_on_disk = 24;
    /// Bit 0 of bit_flags: the stored bytes are compressed.
    static constexpr std::uint32_t compressed_flag = 0x1;

    std::uint32_t bit_flags = 0;
    std::uint32_t id = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t timestamp = 0;
    std::uint32_t version = 0;

    /// Decodes the 24 bytes at the cursor. Fails with end of data, framed
    /// "While parsing field '<field>' in DatFileEntry", when fewer bytes remain.
    static RecordResult<DatFileEntry> read(ByteCursor& cursor);

    bool is_compressed() const { return (bit_flags & compressed_flag) != 0; }

    /// The content type of this entry in a DAT file of the given kind. Never fails.
    DatFileType file_type_in_dat(DatKind kind) const;

    bool operator==(const DatFileEntry&) const = default;
};

}  // namespace quorvel
