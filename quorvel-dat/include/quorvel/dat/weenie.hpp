// Weenie records (object templates) and the table files that hold them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/common/properties/storage.hpp"
#include "quorvel/dat/error.hpp"

namespace quorvel {

struct Weenie {
    std::uint32_t class_id = 0;
    std::uint32_t weenie_type = 0;
    WorldObjectProperties properties;

    /// Decodes one record from the start of `bytes`; trailing bytes are ignored. Fails with BinRead
    /// ("failed to fill whole buffer") when a field runs past the end.
    static DatResult<Weenie> unpack(std::span<const std::uint8_t> bytes);

    /// Decodes one record at the cursor and leaves the cursor after it. String alignment is measured
    /// from the start of the cursor's data. Fails with end of data, the cursor put back where it was.
    static RecordResult<Weenie> unpack_from_reader(ByteCursor& cursor);

    /// The text of string property 1, if any; a view into `properties`.
    std::optional<std::string_view> name() const;
    /// The value of data-id property 8, if any.
    std::optional<std::uint32_t> icon_id() const;

    bool operator==(const Weenie&) const = default;
};

struct WeenieTable {
    std::uint32_t table_id = 0;
    /// Records by their table key; a later record with the same key replaced the earlier one.
    std::unordered_map<std::uint32_t, Weenie> weenies;

    /// Decodes a whole table file. Fails with BinRead when the file is shorter than its 8-byte head
    /// or any record is cut off; no partial table is returned.
    static DatResult<WeenieTable> unpack(std::span<const std::uint8_t> bytes);

    bool operator==(const WeenieTable&) const = default;
};

}  // namespace quorvel
