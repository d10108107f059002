// Tests of weenie records and table files: sections, string alignment, key filtering and failures.
#include "quorvel/dat/weenie.hpp"

#include <gtest/gtest.h>

#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/weenie_builder.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;
using test::WeenieBuilder;
using test::WeenieTableBuilder;
using Bytes = std::vector<std::uint8_t>;

void expect_end_of_data(const DatError& error) {
    EXPECT_EQ(error.kind(), DatErrorKind::BinRead);
    ASSERT_TRUE(error.record_error());
    EXPECT_EQ(error.record_error()->kind(), RecordError::Kind::EndOfData);
    EXPECT_TRUE(error.record_error()->frames().empty());
    EXPECT_EQ(error.message(), "Binary read error: failed to fill whole buffer");
}

/// A weenie whose properties are set through the raw-number operations.
Weenie expected_weenie(std::uint32_t class_id, std::uint32_t type, auto&& fill) {
    Weenie w{class_id, type, {}};
    fill(w.properties);
    return w;
}

TEST(Weenie, HeaderAndSevenEmptySectionsDecodeToNoProperties) {
    const Bytes bytes = ByteBuilder()
                            .u32(0x1234)  // class id
                            .u32(7)       // weenie type
                            .u32(0xFFFFFFFF)  // unused
                            .fill(14)     // seven zero counts
                            .take();
    ASSERT_EQ(bytes.size(), 26u);
    auto w = Weenie::unpack(bytes);
    ASSERT_TRUE(w) << w.error().message();
    EXPECT_EQ(*w, (Weenie{0x1234, 7, {}}));
    EXPECT_EQ(w->name(), std::nullopt);
    EXPECT_EQ(w->icon_id(), std::nullopt);
}

TEST(Weenie, StringIsFollowedByAlignmentToFour) {
    const Bytes bytes = ByteBuilder()
                            .u32(1).u32(2).u32(0)              // header
                            .u16(0).u16(0).u16(0).u16(0)       // int, int64, bool, float sections
                            .u16(1)                            // string count (at 20)
                            .u32(1).u16(3).text("Axe")         // number, count, text: ends at 31
                            .u8(0xEE)                          // padding to 32
                            .u16(1).u32(8).u32(0x06001234)     // data-id section
                            .u16(0)                            // instance-id section
                            .take();
    auto w = Weenie::unpack(bytes);
    ASSERT_TRUE(w) << w.error().message();
    EXPECT_EQ(w->name(), "Axe");
    EXPECT_EQ(w->icon_id(), 0x06001234u);
    EXPECT_EQ(WeenieBuilder(1, 2).string_property(1, "Axe").data_id_property(8, 0x06001234).bytes().size(),
              bytes.size());
}

TEST(Weenie, EveryFamilyIsReadAndFilteredInFileOrder) {
    const Bytes bytes = WeenieBuilder(0x10, 3)
                            .int_property(400, 9)  // unknown number: dropped
                            .int_property(5, 1)
                            .int_property(5, -2)  // repeat: later wins
                            .int64_property(8, -(std::int64_t{1} << 40))
                            .int64_property(9, 1)
                            .bool_property(0, 0x02)  // any non-zero byte is true
                            .bool_property(1, 0x00)
                            .float_property(8018, 0.25)
                            .float_property(8019, 1.0)
                            .string_property(1, "Sword")
                            .string_property(16, "gone")
                            .string_property(16, "")  // empty text removes
                            .string_property(9001, "\xE9p\xE9\x65")  // windows-1252
                            .data_id_property(8, 0x06000001)
                            .data_id_property(1, 5)
                            .data_id_property(1, 0)  // zero removes
                            .instance_id_property(8008, 77)
                            .instance_id_property(46, 1)
                            .bytes();
    auto w = Weenie::unpack(bytes);
    ASSERT_TRUE(w) << w.error().message();
    EXPECT_EQ(*w, expected_weenie(0x10, 3, [](WorldObjectProperties& p) {
                  p.apply_raw_int(5, -2);
                  p.apply_raw_int64(8, -(std::int64_t{1} << 40));
                  p.apply_raw_bool(0, true);
                  p.apply_raw_bool(1, false);
                  p.apply_raw_float(8018, 0.25);
                  p.apply_raw_string(1, "Sword");
                  p.apply_raw_string(9001, "\xC3\xA9p\xC3\xA9" "e");
                  p.apply_raw_did(8, 0x06000001);
                  p.apply_raw_iid(8008, 77);
              }));
    EXPECT_EQ(w->properties.ints().size(), 1u);
    EXPECT_EQ(w->name(), "Sword");
    EXPECT_EQ(w->icon_id(), 0x06000001u);
}

TEST(Weenie, UnpackFromReaderLeavesCursorAfterRecordAndIgnoresTrailingBytes) {
    Bytes bytes = WeenieBuilder(1, 1).string_property(1, "Hi").bytes();
    const std::size_t record_size = bytes.size();
    bytes.insert(bytes.end(), {0xAB, 0xCD});
    ByteCursor cursor(bytes);
    auto w = Weenie::unpack_from_reader(cursor);
    ASSERT_TRUE(w);
    EXPECT_EQ(cursor.position(), record_size);
    EXPECT_EQ(Weenie::unpack(bytes).value(), *w);
}

TEST(Weenie, FailureRestoresCursor) {
    Bytes bytes = {0xFF};
    const Bytes record = WeenieBuilder(1, 1).int_property(1, 1).bytes();
    bytes.insert(bytes.end(), record.begin(), record.end() - 1);
    ByteCursor cursor(bytes);
    cursor.seek(1);
    auto w = Weenie::unpack_from_reader(cursor);
    ASSERT_FALSE(w);
    EXPECT_EQ(w.error().kind(), RecordError::Kind::EndOfData);
    EXPECT_EQ(w.error().text(), "failed to fill whole buffer");
    EXPECT_EQ(cursor.position(), 1u);
}

TEST(Weenie, EveryTruncationFailsWithEndOfData) {
    const Bytes full = WeenieBuilder(9, 9)
                           .int_property(1, 1)
                           .int64_property(1, 2)
                           .bool_property(1, 1)
                           .float_property(1, 3.0)
                           .string_property(1, "Name")
                           .string_property(2, "x")
                           .data_id_property(1, 4)
                           .instance_id_property(1, 5)
                           .bytes();
    ASSERT_TRUE(Weenie::unpack(full));
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        auto w = Weenie::unpack(std::span(full).first(n));
        ASSERT_FALSE(w);
        expect_end_of_data(w.error());
    }
}

TEST(Weenie, StringLongerThanDataFails) {
    const Bytes bytes = ByteBuilder()
                            .u32(1).u32(1).u32(0).fill(8)  // header, four empty sections
                            .u16(1).u32(1).u16(0xFFFF).text("short")  // string claims 65535 bytes
                            .fill(4)
                            .take();
    auto w = Weenie::unpack(bytes);
    ASSERT_FALSE(w);
    expect_end_of_data(w.error());
}

TEST(Weenie, HugeCountsWithoutEntriesFail) {
    for (int section = 0; section < 7; ++section) {
        SCOPED_TRACE(section);
        ByteBuilder b;
        b.u32(1).u32(1).u32(0);
        for (int s = 0; s < 7; ++s) b.u16(s == section ? 0xFFFF : 0);
        auto w = Weenie::unpack(b.data());
        ASSERT_FALSE(w);
        expect_end_of_data(w.error());
    }
}

// --- tables ---

TEST(WeenieTable, EmptyTableKeepsItsId) {
    const Bytes bytes = ByteBuilder().u32(0x0E000003).u16(0).u16(0xBEEF).take();
    auto t = WeenieTable::unpack(bytes);
    ASSERT_TRUE(t) << t.error().message();
    EXPECT_EQ(*t, (WeenieTable{0x0E000003, {}}));
}

TEST(WeenieTable, AlignmentCountsFromTableStart) {
    // Record 1 is 31 bytes (one bool entry), so record 2 starts at offset 47, not on a multiple of 4.
    const Bytes bytes = ByteBuilder()
                            .u32(0x0E000001).u16(2).u16(0)  // table head
                            .u32(100)                       // key 1 (at 8)
                            .u32(100).u32(1).u32(0)         // record 1 header (at 12)
                            .u16(0).u16(0)                  // ints, int64s
                            .u16(1).u32(1).u8(1)            // one bool
                            .fill(8)                        // floats, strings, dids, iids: ends at 43
                            .u32(200)                       // key 2 (at 43)
                            .u32(200).u32(2).u32(0)         // record 2 header (at 47)
                            .fill(8)                        // ints, int64s, bools, floats
                            .u16(1).u32(1).u16(1).text("Q")  // string: number at 69, count at 73, text at 75
                                                            // at 76 already aligned (3 short of it from record 2)
                            .u16(1).u32(8).u32(0x1111)      // data ids (at 76)
                            .u16(0)                         // instance ids
                            .take();
    auto t = WeenieTable::unpack(bytes);
    ASSERT_TRUE(t) << t.error().message();
    ASSERT_EQ(t->weenies.size(), 2u);
    EXPECT_EQ(t->weenies.at(200).name(), "Q");
    EXPECT_EQ(t->weenies.at(200).icon_id(), 0x1111u);

    const Bytes built = WeenieTableBuilder(0x0E000001)
                            .add(100, WeenieBuilder(100, 1).bool_property(1, 1))
                            .add(200, WeenieBuilder(200, 2).string_property(1, "Q").data_id_property(8, 0x1111))
                            .bytes();
    EXPECT_EQ(WeenieTable::unpack(built).value(), *t);
    EXPECT_EQ(built.size(), bytes.size());
}

TEST(WeenieTable, LaterRecordUnderSameKeyReplacesEarlier) {
    const Bytes bytes = WeenieTableBuilder(0x0E000002)
                            .add(5, WeenieBuilder(1, 1).string_property(1, "first"))
                            .add(6, WeenieBuilder(6, 6))
                            .add(5, WeenieBuilder(2, 2).string_property(1, "second"))
                            .bytes();
    auto t = WeenieTable::unpack(bytes);
    ASSERT_TRUE(t) << t.error().message();
    EXPECT_EQ(t->table_id, 0x0E000002u);
    ASSERT_EQ(t->weenies.size(), 2u);
    EXPECT_EQ(t->weenies.at(5).class_id, 2u);
    EXPECT_EQ(t->weenies.at(5).name(), "second");
    EXPECT_EQ(t->weenies.at(6), (Weenie{6, 6, {}}));
}

TEST(WeenieTable, EveryTruncationFailsAsAWhole) {
    const Bytes full = WeenieTableBuilder(0x0E000001)
                           .add(1, WeenieBuilder(1, 1).bool_property(2, 1).string_property(1, "abc"))
                           .add(2, WeenieBuilder(2, 2).string_property(1, "de").instance_id_property(3, 4))
                           .bytes();
    ASSERT_TRUE(WeenieTable::unpack(full));
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        auto t = WeenieTable::unpack(std::span(full).first(n));
        ASSERT_FALSE(t);
        expect_end_of_data(t.error());
    }
}

TEST(WeenieTable, RecordCountBeyondDataFails) {
    Bytes bytes = WeenieTableBuilder(0x0E000001).add(1, WeenieBuilder(1, 1)).bytes();
    bytes[4] = 0xFF;  // count 0x00FF records, one present
    bytes[5] = 0x00;
    auto t = WeenieTable::unpack(bytes);
    ASSERT_FALSE(t);
    expect_end_of_data(t.error());
}

}  // namespace
}  // namespace quorvel
