#include "quorvel/common/math.hpp"

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

std::vector<std::uint8_t> f32_bytes(std::initializer_list<float> values) {
    std::vector<std::uint8_t> out;
    for (const float v : values) {
        std::uint8_t b[4];
        store_le(b, std::bit_cast<std::uint32_t>(v));
        out.insert(out.end(), b, b + 4);
    }
    return out;
}

float below(float v) { return std::nextafter(v, 0.0f); }

struct FloatCase {
    float value;
    const char* text;
};

TEST(FloatToString, RendersShortestDigitsPositionallyOrWithExponent) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const FloatCase cases[] = {
        {0.0f, "0.0"},
        {-0.0f, "-0.0"},
        {1.0f, "1.0"},
        {-2.0f, "-2.0"},
        {-2.5f, "-2.5"},
        {0.1f, "0.1"},
        {0.3f, "0.3"},
        {1.0f / 3.0f, "0.33333334"},
        {123.456f, "123.456"},
        {100.0f, "100.0"},
        {96.0f, "96.0"},
        {48.5f, "48.5"},
        {9999999.0f, "9999999.0"},
        {16777217.0f, "16777216.0"},
        {1e15f, "1000000000000000.0"},
        // Lower threshold: 1e-4 is inside, the next float down is not.
        {1e-4f, "0.0001"},
        {-1e-4f, "-0.0001"},
        {0.00012345f, "0.00012345"},
        {below(1e-4f), "9.999999e-5"},
        {1e-5f, "1e-5"},
        {-1.25e-7f, "-1.25e-7"},
        // Upper threshold: 1e16 is outside, the next float down is inside.
        {below(1e16f), "9999999000000000.0"},
        {1e16f, "1e16"},
        {-1e16f, "-1e16"},
        {1.5e16f, "1.5e16"},
        {1e20f, "1e20"},
        {std::numeric_limits<float>::max(), "3.4028235e38"},
        {std::numeric_limits<float>::lowest(), "-3.4028235e38"},
        {std::numeric_limits<float>::min(), "1.1754944e-38"},
        {std::bit_cast<float>(0x007FFFFFu), "1.1754942e-38"},  // largest denormal
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
        {-std::numeric_limits<float>::denorm_min(), "-1e-45"},
        {std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {inf, "inf"},
        {-inf, "-inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(float_to_string(c.value), c.text) << "bits " << std::bit_cast<std::uint32_t>(c.value);
}

TEST(Vector3, ReadsTwelveBytesAndLeavesTheRest) {
    // x = 1, y = -2, z = 0, then one byte for the next field.
    const std::uint8_t bytes[] = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0xAB};
    ByteCursor cur(bytes);
    auto v = read_vector3(cur);
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, (Vector3{1.0f, -2.0f, 0.0f}));
    EXPECT_EQ(cur.position(), Vector3::size);
    EXPECT_EQ(to_string(*v), "Vector3 { x: 1.0, y: -2.0, z: 0.0 }");
    EXPECT_EQ(fmt::format("at {}", *v), "at Vector3 { x: 1.0, y: -2.0, z: 0.0 }");
}

TEST(Vector3, TextFormRendersEachComponentByTheFloatRule) {
    const Vector3 v{std::numeric_limits<float>::quiet_NaN(), 1e-5f, -std::numeric_limits<float>::infinity()};
    EXPECT_EQ(to_string(v), "Vector3 { x: NaN, y: 1e-5, z: -inf }");
}

TEST(Quaternion, ScalarPartComesFirst) {
    const auto bytes = f32_bytes({1.0f, 0.0f, 0.0f, 0.0f, 9.0f});
    ByteCursor cur(bytes);
    auto q = read_quaternion(cur);
    ASSERT_TRUE(q);
    EXPECT_EQ(*q, (Quaternion{1.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(cur.position(), Quaternion::size);
}

TEST(Quaternion, KeepsNonFiniteValuesAsRead) {
    const auto bytes = f32_bytes({std::numeric_limits<float>::infinity(), 2.0f, -0.0f, 3.0f});
    ByteCursor cur(bytes);
    auto q = read_quaternion(cur);
    ASSERT_TRUE(q);
    EXPECT_TRUE(std::isinf(q->w));
    EXPECT_TRUE(std::signbit(q->y));
    EXPECT_EQ(q->z, 3.0f);
}

struct TruncCase {
    std::size_t length;
    const char* field;
};

TEST(Vector3, ShortDataFailsOnTheMissingFieldAndRestoresTheCursor) {
    const auto full = f32_bytes({1.0f, 2.0f, 3.0f});
    const TruncCase cases[] = {{0, "x"}, {3, "x"}, {4, "y"}, {7, "y"}, {8, "z"}, {11, "z"}};
    for (const auto& c : cases) {
        ByteCursor cur{std::span(full).first(c.length)};
        auto v = read_vector3(cur);
        ASSERT_FALSE(v) << c.length;
        EXPECT_EQ(v.error().kind(), RecordError::Kind::EndOfData);
        EXPECT_EQ(v.error().text(),
                  fmt::format("failed to fill whole buffer\nWhile parsing field '{}' in Vector3", c.field));
        EXPECT_EQ(cur.position(), 0u);
    }
}

TEST(Quaternion, ShortDataFailsOnTheMissingFieldAndRestoresTheCursor) {
    const auto full = f32_bytes({1.0f, 2.0f, 3.0f, 4.0f});
    const TruncCase cases[] = {{0, "w"}, {3, "w"}, {4, "x"}, {8, "y"}, {12, "z"}, {15, "z"}};
    for (const auto& c : cases) {
        ByteCursor cur{std::span(full).first(c.length)};
        auto q = read_quaternion(cur);
        ASSERT_FALSE(q) << c.length;
        EXPECT_EQ(q.error().text(),
                  fmt::format("failed to fill whole buffer\nWhile parsing field '{}' in Quaternion", c.field));
        EXPECT_EQ(cur.position(), 0u);
    }
}

}  // namespace
}  // namespace quorvel
