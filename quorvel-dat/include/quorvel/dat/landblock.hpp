// A landblock's two records: the terrain grid and the info record with objects, buildings and restrictions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/common/math.hpp"
#include "quorvel/dat/error.hpp"

namespace quorvel {

/// A placement: origin, then orientation (28 bytes).
struct Frame {
    static constexpr std::size_t size = Vector3::size + Quaternion::size;

    Vector3 origin;
    Quaternion orientation;

    bool operator==(const Frame&) const = default;
};

/// The terrain record (id low half 0xFFFF): one terrain word and one height per vertex of the 9 x 9
/// grid, column-major (the entry for column c, row r is at c * 9 + r).
struct CellLandblock {
    static constexpr std::size_t grid_side = 9;
    static constexpr std::size_t vertex_count = grid_side * grid_side;
    static constexpr std::size_t size = 4 + 4 + 2 * vertex_count + vertex_count;

    std::uint32_t id = 0;
    std::uint32_t has_objects = 0;  // raw flag; non-zero means true
    std::vector<std::uint16_t> terrain;
    std::vector<std::uint8_t> height;

    /// Decodes the entry's bytes; bytes after the 251st are ignored. Fails with a BinRead error (end
    /// of data, framed by the field) when the data is shorter than 251 bytes.
    static DatResult<CellLandblock> unpack(std::span<const std::uint8_t> data);

    bool operator==(const CellLandblock&) const = default;
};

/// One static object placed on the landblock (32 bytes).
struct Stab {
    static constexpr std::size_t size = 4 + Frame::size;

    std::uint32_t id = 0;
    Frame frame;

    bool operator==(const Stab&) const = default;
};

/// One portal of a building; on disk padded to a multiple of 4 bytes after an odd-length stab list.
struct PortalInternal {
    std::uint16_t flags = 0;
    std::uint16_t other_cell_id = 0;
    std::uint16_t other_portal_id = 0;
    std::vector<std::uint16_t> stab_list;

    bool operator==(const PortalInternal&) const = default;
};

/// One building with its placement and portals.
struct BuildInfo {
    std::uint32_t model_id = 0;
    Frame frame;
    std::uint32_t num_leaves = 0;
    std::vector<PortalInternal> portals;

    bool operator==(const BuildInfo&) const = default;
};

/// Key/value pairs; a later duplicate key replaces the earlier value.
struct RestrictionTable {
    std::map<std::uint32_t, std::uint32_t> tables;

    bool operator==(const RestrictionTable&) const = default;
};

/// The info record (id low half 0xFFFE).
struct LandblockInfo {
    std::uint32_t id = 0;
    std::uint32_t num_cells = 0;
    std::vector<Stab> objects;
    std::uint16_t pack_mask = 0;  // bit 0: a restriction table follows the buildings
    std::vector<BuildInfo> buildings;
    std::optional<RestrictionTable> restriction_tables;

    /// Decodes the entry's bytes; bytes after the last field are ignored. Fails with a BinRead error
    /// (end of data, framed by every enclosing field, innermost first) when the data ends early.
    static DatResult<LandblockInfo> unpack(std::span<const std::uint8_t> data);

    bool operator==(const LandblockInfo&) const = default;
};

/// Reads origin, then orientation. Fails with end of data when fewer than 28 bytes remain.
RecordResult<Frame> read_frame(ByteCursor& cursor);

/// Reads id, then frame. Fails with end of data when fewer than 32 bytes remain.
RecordResult<Stab> read_stab(ByteCursor& cursor);

/// Reads the four 16-bit fields and the stab list, then moves past the padding after an odd list
/// (the padding need not be present). Fails with end of data when a field is cut short.
RecordResult<PortalInternal> read_portal_internal(ByteCursor& cursor);

/// Reads model_id, frame, num_leaves, num_portals and the portals. Fails with end of data when a
/// field is cut short.
RecordResult<BuildInfo> read_build_info(ByteCursor& cursor);

/// Reads count, the bucket size (discarded) and count key/value pairs. Fails with end of data when a field is cut short.
RecordResult<RestrictionTable> read_restriction_table(ByteCursor& cursor);

}  // namespace quorvel
