// Tests of the type text shown for QVA type ids.
#include "quorvel/tools/type_label.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(FormatTypeLabel, KnownCodesShowLabelAndNumberOthersUnknown) {
    const struct {
        std::uint32_t code;
        const char* text;
    } cases[] = {
        {0x06, "Texture (DDS/JPG) (0x00000006)"},
        {0x0A, "Audio (WAV) (0x0000000A)"},
        {0xFE01, "Iteration (Metadata) (0x0000FE01)"},
        {0xFFFFFF00, "Custom (0xFFFFFF00)"},
        {0xFFFFFF01, "MotionKinematics (0xFFFFFF01)"},
        {0xFF, "LandblockInfo (Static) (0x000000FF)"},
        {0x00, "Unknown (0x00000000)"},
        {0x07, "Unknown (0x00000007)"},  // a texture id prefix, but not a type code
        {0x100, "Unknown (0x00000100)"},
        {0xFFFFFFFF, "Unknown (0xFFFFFFFF)"},
    };
    for (const auto& c : cases) EXPECT_EQ(format_type_label(c.code), c.text) << c.code;
}

}  // namespace
}  // namespace quorvel
