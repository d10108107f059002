#include "quorvel/dat/landblock.hpp"

#include <functional>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "quorvel/test_support/landblock_builder.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;

constexpr std::string_view eod = "failed to fill whole buffer";

std::string frame_line(std::string_view field, std::string_view record) {
    return fmt::format("While parsing field '{}' in {}", field, record);
}

// The end-of-data text followed by the given context lines, innermost first.
std::string eod_text(std::initializer_list<std::pair<std::string_view, std::string_view>> frames) {
    std::string out(eod);
    for (const auto& [field, record] : frames) out += "\n" + frame_line(field, record);
    return out;
}

template <class T>
std::string error_text(const DatResult<T>& result) {
    if (result) return "<decoded>";
    if (result.error().kind() != DatErrorKind::BinRead || !result.error().record_error()) return result.error().debug();
    return result.error().record_error()->text();
}

// ---- Frame ----

TEST(Frame, ReadsOriginThenOrientationWithScalarFirst) {
    ByteBuilder b;
    b.f32(1.0f).f32(2.0f).f32(3.0f);              // origin
    b.f32(0.5f).f32(-0.5f).f32(0.25f).f32(4.0f);  // orientation: w, x, y, z
    b.u8(0xAB);                                   // next field's byte
    ByteCursor cur(b.data());
    auto f = read_frame(cur);
    ASSERT_TRUE(f);
    EXPECT_EQ(*f, (Frame{{1.0f, 2.0f, 3.0f}, {0.5f, -0.5f, 0.25f, 4.0f}}));
    EXPECT_EQ(cur.position(), Frame::size);
}

TEST(Frame, ShortDataKeepsTheInnerAndOuterContext) {
    ByteBuilder b;
    test::write_frame(b, Frame{{1.0f, 2.0f, 3.0f}, {1.0f, 0.0f, 0.0f, 0.0f}});
    const struct {
        std::size_t length;
        std::string text;
    } cases[] = {
        {0, eod_text({{"x", "Vector3"}, {"origin", "Frame"}})},
        {11, eod_text({{"z", "Vector3"}, {"origin", "Frame"}})},
        {12, eod_text({{"w", "Quaternion"}, {"orientation", "Frame"}})},
        {20, eod_text({{"y", "Quaternion"}, {"orientation", "Frame"}})},  // cut after x
        {27, eod_text({{"z", "Quaternion"}, {"orientation", "Frame"}})},
    };
    for (const auto& c : cases) {
        ByteCursor cur{std::span(b.data()).first(c.length)};
        auto f = read_frame(cur);
        ASSERT_FALSE(f) << c.length;
        EXPECT_EQ(f.error().text(), c.text) << c.length;
        EXPECT_EQ(cur.position(), 0u);
    }
}

// ---- CellLandblock ----

TEST(CellLandblock, DecodesExactly251BytesAndIgnoresTheRest) {
    const auto sample = test::sample_cell_landblock(0x1234FFFF);
    auto bytes = test::cell_landblock_bytes(sample);
    ASSERT_EQ(bytes.size(), CellLandblock::size);
    EXPECT_EQ(CellLandblock::size, 251u);
    EXPECT_EQ(CellLandblock::unpack(bytes), sample);
    bytes.resize(300, 0xEE);
    EXPECT_EQ(CellLandblock::unpack(bytes), sample);
}

TEST(CellLandblock, KeepsStoredFieldsAsStoredAndTheGridColumnMajor) {
    ByteBuilder b;
    b.u32(0xDEADBEEF);  // id: any value, not checked against the entry id
    b.u32(2);           // has_objects: raw, non-zero
    for (std::uint16_t i = 0; i < 81; ++i) b.u16(static_cast<std::uint16_t>(0xA000 + i));  // terrain
    b.fill(81, 0);                                                                          // height
    auto bytes = b.take();
    bytes[202] = 0xC8;  // height of column 3, row 5: 170 + 3 * 9 + 5

    auto c = CellLandblock::unpack(bytes);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->id, 0xDEADBEEFu);
    EXPECT_EQ(c->has_objects, 2u);
    ASSERT_EQ(c->terrain.size(), 81u);
    ASSERT_EQ(c->height.size(), 81u);
    EXPECT_EQ(c->terrain.front(), 0xA000);
    EXPECT_EQ(c->terrain.back(), 0xA000 + 80);
    for (std::size_t i = 0; i < 81; ++i) EXPECT_EQ(c->height[i], i == 3 * 9 + 5 ? 0xC8 : 0) << i;
}

TEST(CellLandblock, EveryShortPrefixFailsOnItsField) {
    const auto bytes = test::cell_landblock_bytes(test::sample_cell_landblock(0x1234FFFF));
    const auto field_at = [](std::size_t length) -> std::string {
        if (length < 4) return "id";
        if (length < 8) return "has_objects";
        if (length < 170) return "terrain";
        return "height";
    };
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        auto c = CellLandblock::unpack(std::span(bytes).first(length));
        ASSERT_FALSE(c) << length;
        EXPECT_EQ(c.error().kind(), DatErrorKind::BinRead);
        EXPECT_EQ(error_text(c), eod_text({{field_at(length), "CellLandblock"}})) << length;
    }
    EXPECT_EQ(field_at(250), "height");
    EXPECT_EQ(field_at(169), "terrain");
    EXPECT_EQ(field_at(7), "has_objects");
    EXPECT_EQ(field_at(3), "id");
    EXPECT_EQ(CellLandblock::unpack(std::span(bytes).first(250)).error().message(),
              "Binary read error: failed to fill whole buffer\nWhile parsing field 'height' in CellLandblock");
}

// ---- PortalInternal ----

TEST(PortalInternal, OccupiesAMultipleOfFourBytesAndNeverReadsThePadding) {
    const struct {
        std::vector<std::uint16_t> stabs;
        std::size_t size;
    } cases[] = {{{}, 8}, {{7}, 12}, {{7, 8}, 12}, {{7, 8, 9}, 16}, {{1, 2, 3, 4}, 16}};
    for (const auto& c : cases) {
        const PortalInternal portal{0x0102, 0x0304, 0x0506, c.stabs};
        ByteBuilder b;
        test::write_portal_internal(b, portal);
        ASSERT_EQ(b.size(), c.size);
        auto bytes = b.take();
        if (c.stabs.size() % 2 != 0) bytes[c.size - 2] = bytes[c.size - 1] = 0xEE;  // padding content is irrelevant
        bytes.push_back(0x99);                                                      // the next field
        ByteCursor cur(bytes);
        auto p = read_portal_internal(cur);
        ASSERT_TRUE(p) << c.size;
        EXPECT_EQ(*p, portal);
        EXPECT_EQ(cur.position(), c.size);
    }
}

// ---- LandblockInfo ----

// The minimal record: id, num_cells, num_objects = 0, num_buildings = 0, pack_mask.
std::vector<std::uint8_t> minimal_info(std::uint16_t pack_mask) {
    ByteBuilder b;
    b.u32(0x1234FFFE).u32(5).u32(0);  // id, num_cells, num_objects
    b.u16(0).u16(pack_mask);          // num_buildings, pack_mask
    return b.take();
}

TEST(LandblockInfo, SmallestRecordIsSixteenBytes) {
    const auto bytes = minimal_info(0);
    ASSERT_EQ(bytes.size(), 16u);
    auto info = LandblockInfo::unpack(bytes);
    ASSERT_TRUE(info);
    EXPECT_EQ(*info, (LandblockInfo{.id = 0x1234FFFE, .num_cells = 5, .objects = {}, .pack_mask = 0, .buildings = {},
                                    .restriction_tables = std::nullopt}));
}

TEST(LandblockInfo, PackMaskBitZeroAloneDecidesTheRestrictionTable) {
    const auto with_tail = [](std::uint16_t pack_mask, std::initializer_list<std::uint8_t> tail) {
        auto bytes = minimal_info(pack_mask);
        bytes.insert(bytes.end(), tail);
        return bytes;
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::optional<RestrictionTable> table;  // when it decodes
        std::string error;                      // when it does not
    } cases[] = {
        {"bit 0 set, nothing follows", with_tail(1, {}), {},
         eod_text({{"count", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}})},
        {"bit 0 set, count only", with_tail(1, {0, 0}), {},
         eod_text({{"_bucket_size", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}})},
        {"bit 0 set, empty table", with_tail(1, {0, 0, 0, 0}), RestrictionTable{}, ""},
        {"bit 0 clear, bytes follow", with_tail(0xFFFE, {3, 0, 0, 0}), std::nullopt, ""},
        {"bit 0 clear, nothing follows", with_tail(0xFFFE, {}), std::nullopt, ""},
    };
    for (const auto& c : cases) {
        auto info = LandblockInfo::unpack(c.bytes);
        if (!c.error.empty()) {
            EXPECT_EQ(error_text(info), c.error) << c.name;
            continue;
        }
        ASSERT_TRUE(info) << c.name << ": " << error_text(info);
        EXPECT_EQ(info->restriction_tables, c.table) << c.name;
        EXPECT_EQ(info->pack_mask, load_le<std::uint16_t>(&c.bytes[14])) << c.name;
    }
}

TEST(LandblockInfo, LaterDuplicateRestrictionKeyWins) {
    ByteBuilder b;
    b.bytes(minimal_info(1));
    const std::pair<std::uint32_t, std::uint32_t> pairs[] = {{5, 1}, {9, 3}, {5, 2}};
    test::write_restriction_table(b, pairs, 0x1234);
    auto info = LandblockInfo::unpack(b.data());
    ASSERT_TRUE(info) << error_text(info);
    ASSERT_TRUE(info->restriction_tables);
    EXPECT_EQ(info->restriction_tables->tables, (std::map<std::uint32_t, std::uint32_t>{{5, 2}, {9, 3}}));
}

TEST(LandblockInfo, SampleRoundTripsAndTrailingBytesAreIgnored) {
    const auto sample = test::sample_landblock_info(0x1234FFFE);
    auto bytes = test::landblock_info_bytes(sample);
    ASSERT_EQ(bytes.size(), 216u);
    EXPECT_EQ(LandblockInfo::unpack(bytes), sample);
    bytes.insert(bytes.end(), {1, 2, 3});
    EXPECT_EQ(LandblockInfo::unpack(bytes), sample);
}

TEST(LandblockInfo, FinalPortalPaddingMayLieBeyondTheEnd) {
    LandblockInfo info;
    info.id = 0x0101FFFE;
    info.buildings = {BuildInfo{
        .model_id = 0x01000001, .frame = {}, .num_leaves = 0, .portals = {PortalInternal{1, 2, 3, {4, 5, 6}}}}};
    auto bytes = test::landblock_info_bytes(info);
    bytes.resize(bytes.size() - 2);  // drop the padding
    EXPECT_EQ(LandblockInfo::unpack(bytes), info);

    // With a restriction table announced, the moved position leaves nothing to read.
    info.pack_mask = 1;
    bytes = test::landblock_info_bytes(info);
    bytes.resize(bytes.size() - 2);
    EXPECT_EQ(error_text(LandblockInfo::unpack(bytes)),
              eod_text({{"count", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}}));
}

// Cuts inside the sample image (layout: header 0-12, objects 12-76, num_buildings 76, pack_mask 78,
// building 1 at 80 with portals at 120 (3 stabs, padding at 134) and 136, building 2 at 148 with its
// portal at 188, restriction table at 196, pairs at 200).
TEST(LandblockInfo, CutsReportEveryEnclosingFieldInnermostFirst) {
    const auto bytes = test::landblock_info_bytes(test::sample_landblock_info(0x1234FFFE));
    const std::string_view in_building = "buildings";
    const struct {
        std::size_t length;
        std::string text;
    } cases[] = {
        {0, eod_text({{"id", "LandblockInfo"}})},
        {6, eod_text({{"num_cells", "LandblockInfo"}})},
        {11, eod_text({{"num_objects", "LandblockInfo"}})},
        {13, eod_text({{"id", "Stab"}, {"objects", "LandblockInfo"}})},
        {60, eod_text({{"w", "Quaternion"}, {"orientation", "Frame"}, {"frame", "Stab"}, {"objects", "LandblockInfo"}})},
        {77, eod_text({{"num_buildings", "LandblockInfo"}})},
        {79, eod_text({{"pack_mask", "LandblockInfo"}})},
        {82, eod_text({{"model_id", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {90, eod_text({{"y", "Vector3"}, {"origin", "Frame"}, {"frame", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {113, eod_text({{"num_leaves", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {119, eod_text({{"num_portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {121, eod_text({{"flags", "PortalInternal"}, {"portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {124,
         eod_text({{"other_portal_id", "PortalInternal"}, {"portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {127, eod_text({{"num_stabs", "PortalInternal"}, {"portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {130, eod_text({{"stab_list", "PortalInternal"}, {"portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        // Inside the padding: it is passed over, and the next portal finds nothing.
        {135, eod_text({{"flags", "PortalInternal"}, {"portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {186, eod_text({{"num_portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        // The second building's portal list.
        {190,
         eod_text({{"other_cell_id", "PortalInternal"}, {"portals", "BuildInfo"}, {in_building, "LandblockInfo"}})},
        {197, eod_text({{"count", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}})},
        {199, eod_text({{"_bucket_size", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}})},
        {212, eod_text({{"tables", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(error_text(LandblockInfo::unpack(std::span(bytes).first(c.length))), c.text) << c.length;
}

TEST(LandblockInfo, EveryShortPrefixFailsCleanlyOnItsOutermostField) {
    const auto bytes = test::landblock_info_bytes(test::sample_landblock_info(0x1234FFFE));
    // End offset of each top-level field of the sample: a prefix shorter than it cuts that field.
    const std::pair<std::size_t, const char*> field_ends[] = {
        {4, "id"},           {8, "num_cells"}, {12, "num_objects"},  {76, "objects"},
        {78, "num_buildings"}, {80, "pack_mask"}, {196, "buildings"}, {216, "restriction_tables"},
    };
    ASSERT_EQ(bytes.size(), 216u);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        auto info = LandblockInfo::unpack(std::span(bytes).first(length));
        ASSERT_FALSE(info) << length;
        ASSERT_EQ(info.error().kind(), DatErrorKind::BinRead) << length;
        const auto& error = *info.error().record_error();
        EXPECT_EQ(error.kind(), RecordError::Kind::EndOfData) << length;
        EXPECT_EQ(error.cause(), eod) << length;
        const char* expected = nullptr;
        for (const auto& [end, field] : field_ends)
            if (!expected && length < end) expected = field;
        ASSERT_FALSE(error.frames().empty()) << length;
        EXPECT_EQ(error.frames().back(), frame_line(expected, "LandblockInfo")) << length;
    }
}

// Counts far beyond the data fail on end of data as soon as the data runs out, with no allocation
// sized from the count.
TEST(LandblockInfo, HugeCountsFailOnEndOfData) {
    const auto header = [](ByteBuilder& b, std::uint32_t num_objects) {
        b.u32(0x1234FFFE).u32(0).u32(num_objects);  // id, num_cells, num_objects
    };
    const auto building_head = [](ByteBuilder& b, std::uint32_t num_portals) {
        b.u32(0x01000002);              // model_id
        test::write_frame(b, Frame{});  // frame
        b.u32(0).u32(num_portals);      // num_leaves, num_portals
    };
    const struct {
        const char* name;
        std::function<void(ByteBuilder&)> build;
        std::string text;
    } cases[] = {
        {"num_objects, one object present",
         [&](ByteBuilder& b) {
             header(b, 0xFFFFFFFF);
             test::write_stab(b, Stab{0x01000001, Frame{}});
         },
         eod_text({{"id", "Stab"}, {"objects", "LandblockInfo"}})},
        {"num_objects, nothing follows", [&](ByteBuilder& b) { header(b, 0xFFFFFFFF); },
         eod_text({{"id", "Stab"}, {"objects", "LandblockInfo"}})},
        {"num_buildings",
         [&](ByteBuilder& b) {
             header(b, 0);
             b.u16(0xFFFF).u16(0);  // num_buildings, pack_mask
             building_head(b, 0);
         },
         eod_text({{"model_id", "BuildInfo"}, {"buildings", "LandblockInfo"}})},
        {"num_portals",
         [&](ByteBuilder& b) {
             header(b, 0);
             b.u16(1).u16(0);
             building_head(b, 0xFFFFFFFF);
             test::write_portal_internal(b, PortalInternal{});
         },
         eod_text({{"flags", "PortalInternal"}, {"portals", "BuildInfo"}, {"buildings", "LandblockInfo"}})},
        {"num_stabs",
         [&](ByteBuilder& b) {
             header(b, 0);
             b.u16(1).u16(0);
             building_head(b, 1);
             b.u16(0).u16(0).u16(0).u16(0xFFFF);  // flags, other_cell_id, other_portal_id, num_stabs
             b.u16(1).u16(2);                     // two stabs of them
         },
         eod_text({{"stab_list", "PortalInternal"}, {"portals", "BuildInfo"}, {"buildings", "LandblockInfo"}})},
        {"restriction count",
         [&](ByteBuilder& b) {
             header(b, 0);
             b.u16(0).u16(1);
             b.u16(0xFFFF).u16(0).u32(5).u32(6);  // count, _bucket_size, one pair
         },
         eod_text({{"tables", "RestrictionTable"}, {"restriction_tables", "LandblockInfo"}})},
    };
    for (const auto& c : cases) {
        ByteBuilder b;
        c.build(b);
        EXPECT_EQ(error_text(LandblockInfo::unpack(b.data())), c.text) << c.name;
    }
}

}  // namespace
}  // namespace quorvel
