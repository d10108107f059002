// Tests of the list lines: byte for byte what the general formatter makes of the same values.
#include "quorvel/tools/list_line.hpp"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace quorvel {
namespace {

struct Case {
    std::string_view label;
    std::uint32_t id;
    std::uint32_t size;
    std::uint64_t offset;
    std::uint32_t flags;
};

const Case cases[] = {
    {"Texture (DDS/JPG)", 0x06000123, 1500, 0x400, 1},
    {"", 0, 0, 0, 0},
    {"Custom (0xFFFFFF00)", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
    {"A label that is longer than twenty-eight characters", 7, 123456789, 0x123456789AB, 0xFF},
    {"Caf\xC3\xA9 \xE4\xB8\xAD", 0x0A00002F, 42, 0x10, 0x05},  // wide and accented characters
    {"exactly twenty-five chars", 1, 9999999999u % 0xFFFFFFFFu, 1, 0},
};

TEST(ListLine, DatLineMatchesTheFormat) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::string line = "kept|";
        append_dat_list_line(line, c.id, c.label, c.size, static_cast<std::uint32_t>(c.offset), c.flags);
        EXPECT_EQ(line, fmt::format("kept|{:08X} - {:<25} - Size: {:<10} - Offset: {:08X} - Flags: {:08X}\n", c.id,
                                    c.label, c.size, static_cast<std::uint32_t>(c.offset), c.flags));
    }
}

TEST(ListLine, QvaLineMatchesTheFormat) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::string line;
        append_qva_list_line(line, "eor/portal", c.id, c.label, c.size, c.offset, c.flags & 0xFF);
        EXPECT_EQ(line, fmt::format("{}:{:08X} - {:<28} - Size: {:<10} - Offset: {:08X} - Flags: {:02X}\n", "eor/portal",
                                    c.id, c.label, c.size, c.offset, static_cast<std::uint8_t>(c.flags & 0xFF)));
    }
}

}  // namespace
}  // namespace quorvel
