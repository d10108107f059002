// Writing landblock records back to bytes, the inverse of the landblock decoders.
#include "quorvel/test_support/landblock_builder.hpp"

namespace quorvel::test {

ByteBuilder& write_vector3(ByteBuilder& b, const Vector3& v) { return b.f32(v.x).f32(v.y).f32(v.z); }

ByteBuilder& write_quaternion(ByteBuilder& b, const Quaternion& q) { return b.f32(q.w).f32(q.x).f32(q.y).f32(q.z); }

ByteBuilder& write_frame(ByteBuilder& b, const Frame& f) {
    write_vector3(b, f.origin);
    return write_quaternion(b, f.orientation);
}

ByteBuilder& write_cell_landblock(ByteBuilder& b, const CellLandblock& c) {
    b.u32(c.id).u32(c.has_objects);
    for (const auto word : c.terrain) b.u16(word);
    return b.bytes(c.height);
}

std::vector<std::uint8_t> cell_landblock_bytes(const CellLandblock& c) {
    ByteBuilder b;
    return write_cell_landblock(b, c).take();
}

ByteBuilder& write_stab(ByteBuilder& b, const Stab& s) {
    b.u32(s.id);
    return write_frame(b, s.frame);
}

ByteBuilder& write_portal_internal(ByteBuilder& b, const PortalInternal& p) {
    b.u16(p.flags).u16(p.other_cell_id).u16(p.other_portal_id).u16(static_cast<std::uint16_t>(p.stab_list.size()));
    for (const auto stab : p.stab_list) b.u16(stab);
    if (p.stab_list.size() % 2 != 0) b.u16(0);
    return b;
}

ByteBuilder& write_build_info(ByteBuilder& b, const BuildInfo& bi) {
    b.u32(bi.model_id);
    write_frame(b, bi.frame);
    b.u32(bi.num_leaves).u32(static_cast<std::uint32_t>(bi.portals.size()));
    for (const auto& portal : bi.portals) write_portal_internal(b, portal);
    return b;
}

ByteBuilder& write_restriction_table(ByteBuilder& b, std::span<const std::pair<std::uint32_t, std::uint32_t>> pairs,
                                     std::uint16_t bucket_size) {
    b.u16(static_cast<std::uint16_t>(pairs.size())).u16(bucket_size);
    for (const auto& [key, value] : pairs) b.u32(key).u32(value);
    return b;
}

ByteBuilder& write_restriction_table(ByteBuilder& b, const RestrictionTable& t) {
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs(t.tables.begin(), t.tables.end());
    return write_restriction_table(b, pairs);
}

ByteBuilder& write_landblock_info(ByteBuilder& b, const LandblockInfo& info) {
    b.u32(info.id).u32(info.num_cells).u32(static_cast<std::uint32_t>(info.objects.size()));
    for (const auto& object : info.objects) write_stab(b, object);
    b.u16(static_cast<std::uint16_t>(info.buildings.size())).u16(info.pack_mask);
    for (const auto& building : info.buildings) write_build_info(b, building);
    if (info.restriction_tables) write_restriction_table(b, *info.restriction_tables);
    return b;
}

std::vector<std::uint8_t> landblock_info_bytes(const LandblockInfo& info) {
    ByteBuilder b;
    return write_landblock_info(b, info).take();
}

CellLandblock sample_cell_landblock(std::uint32_t id, std::uint32_t has_objects) {
    CellLandblock c{.id = id, .has_objects = has_objects, .terrain = {}, .height = {}};
    for (std::size_t i = 0; i < CellLandblock::vertex_count; ++i) {
        c.terrain.push_back(static_cast<std::uint16_t>(0x0100 + i));
        c.height.push_back(static_cast<std::uint8_t>(3 * i));
    }
    return c;
}

LandblockInfo sample_landblock_info(std::uint32_t id) {
    const Quaternion identity{1.0f, 0.0f, 0.0f, 0.0f};
    LandblockInfo info;
    info.id = id;
    info.num_cells = 3;
    info.objects = {
        Stab{0x01000ABC, Frame{{12.5f, 40.0f, 1.25f}, identity}},
        Stab{0x02000DEF, Frame{{180.0f, 7.75f, -3.0f}, {0.70710677f, 0.0f, 0.0f, 0.70710677f}}},
    };
    info.pack_mask = 1;
    info.buildings = {
        BuildInfo{.model_id = 0x01001234,
                  .frame = Frame{{96.0f, 48.5f, 0.0f}, identity},
                  .num_leaves = 2,
                  .portals = {PortalInternal{0x0003, 0x0100, 0x0001, {0x0101, 0x0102, 0x0103}},
                              PortalInternal{0x0001, 0x0101, 0x0000, {0x0100, 0x0102}}}},
        BuildInfo{.model_id = 0x01005678,
                  .frame = Frame{{24.0f, 120.25f, 5.5f}, {0.0f, 0.0f, 0.0f, 1.0f}},
                  .num_leaves = 0,
                  .portals = {PortalInternal{0x0000, 0x0104, 0x0002, {}}}},
    };
    info.restriction_tables = RestrictionTable{{{0x0100, 7}, {0x0101, 9}}};
    return info;
}

}  // namespace quorvel::test
