// Tests of id parsing: trimming, prefix, decimal-then-hexadecimal, and the three error texts.
#include "quorvel/tools/parse_id.hpp"

#include <gtest/gtest.h>

#include "quorvel/tools/quote_path.hpp"

namespace quorvel {
namespace {

constexpr const char* empty = "cannot parse integer from empty string";
constexpr const char* invalid = "invalid digit found in string";
constexpr const char* too_large = "number too large to fit in target type";

struct IdCase {
    std::string text;
    std::uint32_t value;   // expected when `error` is null
    const char* error;

    friend void PrintTo(const IdCase& c, std::ostream* os) { *os << quote_text(c.text); }
};

class ParseIdAutoTest : public testing::TestWithParam<IdCase> {};

TEST_P(ParseIdAutoTest, GivesValueOrError) {
    const IdCase& c = GetParam();
    const auto result = parse_id_auto(c.text);
    if (c.error == nullptr) {
        ASSERT_TRUE(result.has_value()) << result.error().messages().front();
        EXPECT_EQ(*result, c.value);
    } else {
        ASSERT_FALSE(result.has_value()) << *result;
        EXPECT_EQ(result.error().messages(), std::vector<std::string>{c.error});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIdAutoTest,
    testing::Values(
        // Prefix, case, and the hexadecimal fallback for letters.
        IdCase{"0x1a", 26, nullptr}, IdCase{"0X1A", 26, nullptr}, IdCase{"1a", 26, nullptr}, IdCase{"1A", 26, nullptr},
        IdCase{"7F", 127, nullptr}, IdCase{"0b101", 0xB101, nullptr}, IdCase{"0x06000123", 0x06000123, nullptr},
        // White space around the id, ASCII and other Unicode white space (no-break space, U+3000, U+2028).
        IdCase{"  0x1a\t", 26, nullptr}, IdCase{"\t1a \n", 26, nullptr}, IdCase{"\u00A01A\u3000", 26, nullptr},
        IdCase{"\u2028" "26\u0085", 26, nullptr},
        // Digits only are decimal, even with leading zeros.
        IdCase{"10", 10, nullptr}, IdCase{"0x10", 16, nullptr}, IdCase{"010", 10, nullptr},
        IdCase{"00000100", 100, nullptr}, IdCase{"0", 0, nullptr}, IdCase{"0x0", 0, nullptr},
        IdCase{"0x00000000000000001", 1, nullptr},
        // The limits.
        IdCase{"4294967295", 4294967295u, nullptr}, IdCase{"FFFFFFFF", 4294967295u, nullptr},
        IdCase{"0xFFFFFFFF", 4294967295u, nullptr}, IdCase{"ffffffff", 4294967295u, nullptr},
        IdCase{"4294967296", 0, too_large}, IdCase{"0x100000000", 0, too_large}, IdCase{"FFFFFFFFF", 0, too_large},
        // Decimal overflows before its bad digit, and the hexadecimal error is the one reported.
        IdCase{"99999999999z", 0, too_large}, IdCase{"1g", 0, invalid},
        // Signs.
        IdCase{"+10", 10, nullptr}, IdCase{"0x+10", 16, nullptr}, IdCase{"+1f", 31, nullptr},
        IdCase{"-1", 0, invalid}, IdCase{"0x-1", 0, invalid}, IdCase{"0x+", 0, invalid}, IdCase{"+", 0, invalid},
        IdCase{"-", 0, invalid}, IdCase{"++1", 0, invalid},
        // Nothing to parse.
        IdCase{"", 0, empty}, IdCase{" \t ", 0, empty}, IdCase{"0x", 0, empty}, IdCase{" 0X ", 0, empty},
        // Inner separators, other prefixes, characters that are not white space.
        IdCase{"12 34", 0, invalid}, IdCase{"0x 1", 0, invalid}, IdCase{"1_000", 0, invalid},
        IdCase{"xyz", 0, invalid}, IdCase{"0o17", 0, invalid}, IdCase{"\u200B" "1", 0, invalid},
        IdCase{"\xff", 0, invalid}, IdCase{std::string("1\0", 2), 0, invalid}));

TEST(ParseU32Test, TakesOnlyDigitsOfTheRadix) {
    EXPECT_EQ(parse_u32("4294967295", 10), 4294967295u);
    EXPECT_EQ(parse_u32("4294967296", 10), std::unexpected(IntErrorKind::PosOverflow));
    EXPECT_EQ(parse_u32("12a", 10), std::unexpected(IntErrorKind::InvalidDigit));
    EXPECT_EQ(parse_u32(" 1", 10), std::unexpected(IntErrorKind::InvalidDigit));
    EXPECT_EQ(parse_u32("", 10), std::unexpected(IntErrorKind::Empty));
    EXPECT_EQ(parse_u32("+7", 10), 7u);
    EXPECT_EQ(parse_u32("aBcDeF", 16), 0xABCDEFu);
    EXPECT_EQ(parse_u32("g", 16), std::unexpected(IntErrorKind::InvalidDigit));
}

TEST(ParseHexU32Test, ReadsFileNameIdsWithoutPrefix) {
    EXPECT_EQ(parse_hex_u32("06000123").value(), 0x06000123u);
    EXPECT_EQ(parse_hex_u32("+1f").value(), 0x1Fu);
    EXPECT_EQ(parse_hex_u32("0x10").error().messages(), std::vector<std::string>{invalid});
    EXPECT_EQ(parse_hex_u32("").error().messages(), std::vector<std::string>{empty});
    EXPECT_EQ(parse_hex_u32("100000000").error().messages(), std::vector<std::string>{too_large});
    EXPECT_EQ(parse_hex_u32(" 1").error().messages(), std::vector<std::string>{invalid});
}

}  // namespace
}  // namespace quorvel
