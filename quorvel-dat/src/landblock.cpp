// Decoders of a landblock's terrain and info records.
#include "quorvel/dat/landblock.hpp"

#include <utility>

#include "quorvel/common/record_reader.hpp"

namespace quorvel {

RecordResult<Frame> read_frame(ByteCursor& cursor) {
    RecordReader r(cursor, "Frame");
    Frame f;
    f.origin = r.read("origin", read_vector3);
    f.orientation = r.read("orientation", read_quaternion);
    return r.finish(f);
}

DatResult<CellLandblock> CellLandblock::unpack(std::span<const std::uint8_t> data) {
    ByteCursor cursor(data);
    RecordReader r(cursor, "CellLandblock");
    CellLandblock c;
    c.id = r.u32("id");
    c.has_objects = r.u32("has_objects");
    // Both grids are taken whole, so a short grid fails instead of yielding fewer vertices.
    const auto terrain = r.bytes("terrain", 2 * vertex_count);
    const auto height = r.bytes("height", vertex_count);
    if (r.ok()) {
        c.terrain.reserve(vertex_count);
        for (std::size_t i = 0; i < vertex_count; ++i) c.terrain.push_back(load_le<std::uint16_t>(&terrain[2 * i]));
        c.height.assign(height.begin(), height.end());
    }
    auto result = r.finish(std::move(c));
    if (!result) return std::unexpected(DatError(std::move(result.error())));
    return std::move(*result);
}

RecordResult<Stab> read_stab(ByteCursor& cursor) {
    RecordReader r(cursor, "Stab");
    Stab s;
    s.id = r.u32("id");
    s.frame = r.read("frame", read_frame);
    return r.finish(s);
}

RecordResult<PortalInternal> read_portal_internal(ByteCursor& cursor) {
    RecordReader r(cursor, "PortalInternal");
    PortalInternal p;
    p.flags = r.u16("flags");
    p.other_cell_id = r.u16("other_cell_id");
    p.other_portal_id = r.u16("other_portal_id");
    const auto num_stabs = r.u16("num_stabs");
    p.stab_list = r.repeat("stab_list", num_stabs, &ByteCursor::u16);
    // The padding keeps the next portal 4-aligned; it is passed over, not read, so a record may end
    // before it.
    if (num_stabs % 2 != 0) r.skip("stab_list", 2);
    return r.finish(std::move(p));
}

RecordResult<BuildInfo> read_build_info(ByteCursor& cursor) {
    RecordReader r(cursor, "BuildInfo");
    BuildInfo b;
    b.model_id = r.u32("model_id");
    b.frame = r.read("frame", read_frame);
    b.num_leaves = r.u32("num_leaves");
    const auto num_portals = r.u32("num_portals");
    b.portals = r.repeat("portals", num_portals, read_portal_internal);
    return r.finish(std::move(b));
}

namespace {

// One key/value pair; a cut pair is reported by the table's 'tables' field alone.
RecordResult<std::pair<std::uint32_t, std::uint32_t>> read_restriction_pair(ByteCursor& cursor) {
    RecordReader r(cursor, "RestrictionTable");
    const auto key = r.u32("");
    const auto value = r.u32("");
    return r.finish(std::pair{key, value});
}

}  // namespace

RecordResult<RestrictionTable> read_restriction_table(ByteCursor& cursor) {
    RecordReader r(cursor, "RestrictionTable");
    RestrictionTable t;
    const auto count = r.u16("count");
    r.bytes("_bucket_size", 2);
    const auto pairs = r.repeat("tables", count, read_restriction_pair);
    for (const auto& [key, value] : pairs) t.tables.insert_or_assign(key, value);
    return r.finish(std::move(t));
}

DatResult<LandblockInfo> LandblockInfo::unpack(std::span<const std::uint8_t> data) {
    ByteCursor cursor(data);
    RecordReader r(cursor, "LandblockInfo");
    LandblockInfo info;
    info.id = r.u32("id");
    info.num_cells = r.u32("num_cells");
    const auto num_objects = r.u32("num_objects");
    info.objects = r.repeat("objects", num_objects, read_stab);
    const auto num_buildings = r.u16("num_buildings");
    info.pack_mask = r.u16("pack_mask");
    info.buildings = r.repeat("buildings", num_buildings, read_build_info);
    if (r.ok() && (info.pack_mask & 1) != 0)
        info.restriction_tables = r.read("restriction_tables", read_restriction_table);
    auto result = r.finish(std::move(info));
    if (!result) return std::unexpected(DatError(std::move(result.error())));
    return std::move(*result);
}

}  // namespace quorvel
