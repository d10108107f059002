#include "quorvel/common/record_reader.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

struct Pair {
    std::uint32_t a = 0;
    std::uint16_t b = 0;
    bool operator==(const Pair&) const = default;
};

RecordResult<Pair> read_pair(ByteCursor& cur) {
    RecordReader r(cur, "Pair");
    Pair p;
    p.a = r.u32("a");
    p.b = r.u16("b");
    return r.finish(p);
}

struct Outer {
    Pair inner;
    std::vector<std::uint8_t> list;
};

RecordResult<Outer> read_outer(ByteCursor& cur) {
    RecordReader r(cur, "Outer");
    Outer o;
    o.inner = r.read("inner", read_pair);
    const auto count = r.u8("count");
    o.list = r.repeat("list", count, &ByteCursor::u8);
    return r.finish(std::move(o));
}

TEST(ByteCursor, ReadsLittleEndianAndRefusesShortReads) {
    const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    ByteCursor cur(bytes);
    EXPECT_EQ(cur.u32().value(), 0x04030201u);
    auto fail = cur.u16();
    ASSERT_FALSE(fail);
    EXPECT_EQ(fail.error().kind(), RecordError::Kind::EndOfData);
    EXPECT_EQ(fail.error().text(), "failed to fill whole buffer");
    EXPECT_EQ(cur.position(), 4u);
    EXPECT_EQ(cur.u8().value(), 0x05);
}

TEST(ByteCursor, SkipAndAlignMayPassTheEndButNotOverflow) {
    const std::uint8_t bytes[] = {1, 2, 3};
    ByteCursor cur(bytes);
    cur.seek(1);
    ASSERT_TRUE(cur.align(4));
    EXPECT_EQ(cur.position(), 4u);
    EXPECT_EQ(cur.remaining(), 0u);
    cur.seek(SIZE_MAX - 1);
    auto fail = cur.align(4);
    ASSERT_FALSE(fail);
    EXPECT_EQ(fail.error().kind(), RecordError::Kind::InvalidPosition);
}

TEST(RecordReader, NestedFailureCarriesFramesInnermostFirstAndRestoresCursor) {
    const std::uint8_t bytes[] = {9, 9, 1, 0, 0, 0, 7};  // starts at 2: a = 1, b cut short
    ByteCursor cur(bytes);
    cur.seek(2);
    auto result = read_outer(cur);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().text(),
              "failed to fill whole buffer\n"
              "While parsing field 'b' in Pair\n"
              "While parsing field 'inner' in Outer");
    EXPECT_EQ(cur.position(), 2u);
}

TEST(RecordReader, RepeatStopsAtEndOfDataWithoutReserving) {
    const std::uint8_t bytes[] = {1, 0, 0, 0, 2, 0, 0xFF, 1, 2};
    ByteCursor cur(bytes);
    auto result = read_outer(cur);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().text(), "failed to fill whole buffer\nWhile parsing field 'list' in Outer");

    const std::uint8_t ok_bytes[] = {1, 0, 0, 0, 2, 0, 2, 7, 8};
    ByteCursor ok_cur(ok_bytes);
    auto ok = read_outer(ok_cur);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->inner, (Pair{1, 2}));
    EXPECT_EQ(ok->list, (std::vector<std::uint8_t>{7, 8}));
    EXPECT_EQ(ok_cur.position(), 9u);
}

TEST(RecordReader, CheckFailsAsAssertionAtCurrentPosition) {
    const std::uint8_t bytes[] = {5};
    ByteCursor cur(bytes);
    RecordReader r(cur, "Rec");
    const auto v = r.u8("v");
    r.check(v < 3, "v", "v too large");
    auto result = r.finish(v);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind(), RecordError::Kind::Assertion);
    EXPECT_EQ(result.error().position(), 1u);
    EXPECT_EQ(result.error().text(), "v too large\nWhile parsing field 'v' in Rec");
}

}  // namespace
}  // namespace quorvel
