// Tests of the quoted path form: escapes, invisible and combining characters, invalid UTF-8.
#include "quorvel/tools/quote_path.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

struct QuoteCase {
    std::string raw;
    std::string quoted;

    friend void PrintTo(const QuoteCase& c, std::ostream* os) { *os << c.quoted; }
};

class QuoteTextTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteTextTest, Escapes) { EXPECT_EQ(quote_text(GetParam().raw), GetParam().quoted); }

INSTANTIATE_TEST_SUITE_P(
    Cases, QuoteTextTest,
    testing::Values(
        QuoteCase{"", R"("")"}, QuoteCase{"portal.dat", R"("portal.dat")"},
        QuoteCase{"out dir/it's.jpg", R"("out dir/it's.jpg")"},
        // Backslash and quote.
        QuoteCase{R"(a\b"c)", R"("a\\b\"c")"},
        // The four short escapes.
        QuoteCase{std::string("a\0b", 3), R"("a\0b")"}, QuoteCase{"\t\r\n", R"("\t\r\n")"},
        // Other controls, format characters, separators other than the blank, private use, unassigned.
        QuoteCase{"\x01\x1b\x7f", R"("\u{1}\u{1b}\u{7f}")"}, QuoteCase{"\u0085", R"("\u{85}")"},
        QuoteCase{"a\u00A0b", R"("a\u{a0}b")"}, QuoteCase{"\u200B\u202E", R"("\u{200b}\u{202e}")"},
        QuoteCase{"\u2028\u2029", R"("\u{2028}\u{2029}")"}, QuoteCase{"\uE000", R"("\u{e000}")"},
        QuoteCase{"\U0010FFFF", R"("\u{10ffff}")"}, QuoteCase{"\u0378", R"("\u{378}")"},
        // Printable non-ASCII stays as it is.
        QuoteCase{"caf\u00E9 \u65E5\u672C \U0001F600", "\"caf\u00E9 \u65E5\u672C \U0001F600\""},
        // Combining characters, also at the very start.
        QuoteCase{"e\u0301", R"("e\u{301}")"}, QuoteCase{"\u0301x", R"("\u{301}x")"},
        QuoteCase{"\u2764\uFE0F", "\"\u2764\\u{fe0f}\""},
        // Bytes that are not UTF-8, each on its own, upper-case.
        QuoteCase{"\xff", R"("\xFF")"}, QuoteCase{"a\xc3", R"("a\xC3")"}, QuoteCase{"\xe2\x82" "A", R"("\xE2\x82A")"},
        QuoteCase{"\xc0\xaf", R"("\xC0\xAF")"}, QuoteCase{"\xed\xa0\x80", R"("\xED\xA0\x80")"},
        QuoteCase{"\x80x\xfe", R"("\x80x\xFE")"}));

TEST(QuotePathTest, UsesThePathBytesVerbatim) {
    EXPECT_EQ(quote_path(std::filesystem::path("dir/\xff\xfe.dat")), R"("dir/\xFF\xFE.dat")");
    EXPECT_EQ(quote_path(std::filesystem::path("06000123.jpg")), R"("06000123.jpg")");
}

}  // namespace
}  // namespace quorvel
