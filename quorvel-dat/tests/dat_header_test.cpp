// Tests of DAT header decoding.
#include "quorvel/dat/dat_header.hpp"

#include <gtest/gtest.h>

#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel {
namespace {

std::vector<std::uint8_t> header_bytes() {
    test::ByteBuilder b;
    for (std::uint32_t v = 1; v <= 15; ++v) b.u32(v * 0x01010101u);  // magic .. game_version
    b.text("v1.2.3-abcdefghi");                                         // version_string, 16 raw bytes
    b.u32(0xDEADBEEF);                                                  // version_minor
    return b.take();
}

TEST(DatHeader, DecodesAllFieldsInOrder) {
    const auto bytes = header_bytes();
    ASSERT_EQ(bytes.size(), DatHeader::size);
    ByteCursor cur(bytes);
    const auto h = DatHeader::read(cur);
    ASSERT_TRUE(h) << h.error().text();
    DatHeader expected{0x01010101, 0x02020202, 0x03030303, 0x04040404, 0x05050505, 0x06060606,
                       0x07070707, 0x08080808, 0x09090909, 0x0A0A0A0A, 0x0B0B0B0B, 0x0C0C0C0C,
                       0x0D0D0D0D, 0x0E0E0E0E, 0x0F0F0F0F, {},         0xDEADBEEF};
    const std::string_view version = "v1.2.3-abcdefghi";
    std::copy(version.begin(), version.end(), expected.version_string.begin());
    EXPECT_EQ(*h, expected);
    EXPECT_EQ(cur.position(), DatHeader::size);
}

TEST(DatHeader, EveryTruncationFailsOnTheFieldWhereTheBytesEnd) {
    static constexpr const char* words[] = {
        "magic",      "block_size", "file_size", "dataset",       "subset",         "free_head",    "free_tail",
        "free_count", "root_offset", "new_lru",  "old_lru",       "use_lru",        "master_map_id", "engine_version",
        "game_version"};
    const auto bytes = header_bytes();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::string field = n < 60 ? words[n / 4] : n < 76 ? "version_string" : "version_minor";
        ByteCursor cur(std::span<const std::uint8_t>(bytes).first(n));
        const auto h = DatHeader::read(cur);
        ASSERT_FALSE(h) << n;
        EXPECT_EQ(h.error().kind(), RecordError::Kind::EndOfData);
        EXPECT_EQ(h.error().text(), "failed to fill whole buffer\nWhile parsing field '" + field + "' in DatHeader")
            << n;
        EXPECT_EQ(cur.position(), 0u);
    }
}

}  // namespace
}  // namespace quorvel
