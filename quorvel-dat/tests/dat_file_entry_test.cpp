// Tests of DAT directory entry decoding.
#include "quorvel/dat/dat_file_entry.hpp"

#include <gtest/gtest.h>

#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel {
namespace {

TEST(DatFileEntry, DecodesSixFieldsAndFramesTheFieldThatIsCut) {
    const auto bytes = test::ByteBuilder()
                           .u32(0x00000001)  // bit_flags: compressed
                           .u32(0x06000123)  // id
                           .u32(0x00000400)  // offset
                           .u32(1500)        // size
                           .u32(0x5F000000)  // timestamp
                           .u32(7)           // version
                           .take();
    ByteCursor cur(bytes);
    const auto e = DatFileEntry::read(cur);
    ASSERT_TRUE(e);
    EXPECT_EQ(*e, (DatFileEntry{1, 0x06000123, 0x400, 1500, 0x5F000000, 7}));
    EXPECT_TRUE(e->is_compressed());

    static constexpr const char* fields[] = {"bit_flags", "id", "offset", "size", "timestamp", "version"};
    for (std::size_t n = 0; n < DatFileEntry::size_on_disk; ++n) {
        ByteCursor cut(std::span<const std::uint8_t>(bytes).first(n));
        const auto failed = DatFileEntry::read(cut);
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().text(),
                  std::string("failed to fill whole buffer\nWhile parsing field '") + fields[n / 4] + "' in DatFileEntry");
    }
}

}  // namespace
}  // namespace quorvel
