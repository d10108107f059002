// Tests of the text decoders: BOM sniffing, malformed-input replacement, pstrings and obfuscated strings.
#include "quorvel/dat/utils/text.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct DecodeCase {
    const char* name;
    Bytes input;
    std::string expected;  // UTF-8
};

const DecodeCase decode_cases[] = {
    {"Empty", {}, ""},
    {"Ascii", {'A', 'B', 'C'}, "ABC"},
    {"AsciiLongerThanAWord", Bytes(20, 'x'), std::string(20, 'x')},
    {"Cp1252Latin1", {0xE9, 0x74}, "\xC3\xA9t"},
    {"Cp1252Euro", {0x80}, "\xE2\x82\xAC"},
    {"Cp1252Unassigned81", {0x81}, "\xC2\x81"},
    {"Cp1252Unassigned8D8F909D", {0x8D, 0x8F, 0x90, 0x9D}, "\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
    {"Cp1252HighPunctuation", {0x93, 0x99, 0x9F}, "\xE2\x80\x9C\xE2\x84\xA2\xC5\xB8"},
    {"Cp1252NoBreakSpaceAndFF", {0xA0, 0xFF}, "\xC2\xA0\xC3\xBF"},
    {"Cp1252NotUtf8WithoutMark", {0xE2, 0x82, 0xAC}, "\xC3\xA2\xE2\x80\x9A\xC2\xAC"},
    {"Cp1252AfterAsciiRun", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0xE9}, "abcdefghi\xC3\xA9"},
    {"TruncatedUtf8MarkIsCp1252", {0xEF, 0xBB}, "\xC3\xAF\xC2\xBB"},
    {"SingleFFIsCp1252", {0xFF}, "\xC3\xBF"},
    {"Utf8MarkDropped", {0xEF, 0xBB, 0xBF, 0x41}, "A"},
    {"Utf8MarkOnly", {0xEF, 0xBB, 0xBF}, ""},
    {"Utf8Valid", {0xEF, 0xBB, 0xBF, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80},
     "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
    {"Utf8TruncatedThenAscii", {0xEF, 0xBB, 0xBF, 0xE2, 0x82, 0x41}, "\xEF\xBF\xBD" "A"},
    {"Utf8OverlongF0", {0xEF, 0xBB, 0xBF, 0xF0, 0x80}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8Surrogate", {0xEF, 0xBB, 0xBF, 0xED, 0xA0, 0x80}, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8OverlongC0", {0xEF, 0xBB, 0xBF, 0xC0, 0xAF}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8OverlongE0", {0xEF, 0xBB, 0xBF, 0xE0, 0x80, 0x80}, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8AboveMax", {0xEF, 0xBB, 0xBF, 0xF4, 0x90, 0x80, 0x80},
     "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8F5", {0xEF, 0xBB, 0xBF, 0xF5, 0x41}, "\xEF\xBF\xBD" "A"},
    {"Utf8LoneContinuation", {0xEF, 0xBB, 0xBF, 0x80, 0xBF}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8TruncatedAtEnd", {0xEF, 0xBB, 0xBF, 0x41, 0xF0, 0x9F, 0x98}, "A\xEF\xBF\xBD"},
    {"Utf8BrokenByNewLead", {0xEF, 0xBB, 0xBF, 0xE2, 0xC3, 0xA9}, "\xEF\xBF\xBD\xC3\xA9"},
    {"Utf8LargestCodePoint", {0xEF, 0xBB, 0xBF, 0xF4, 0x8F, 0xBF, 0xBF}, "\xF4\x8F\xBF\xBF"},
    {"Utf8SecondMarkKept", {0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF}, "\xEF\xBB\xBF"},
    {"Utf16LeMarkDropped", {0xFF, 0xFE, 0x41, 0x00}, "A"},
    {"Utf16BeMarkDropped", {0xFE, 0xFF, 0x00, 0x41}, "A"},
    {"Utf16LeMarkOnly", {0xFF, 0xFE}, ""},
    {"Utf16LeOddByte", {0xFF, 0xFE, 0x41}, "\xEF\xBF\xBD"},
    {"Utf16LeUnitThenOddByte", {0xFF, 0xFE, 0x41, 0x00, 0x42}, "A\xEF\xBF\xBD"},
    {"Utf16LeBmp", {0xFF, 0xFE, 0xAC, 0x20, 0xE9, 0x00}, "\xE2\x82\xAC\xC3\xA9"},
    {"Utf16LePair", {0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
    {"Utf16BePair", {0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00}, "\xF0\x9F\x98\x80"},
    {"Utf16LoneTrail", {0xFF, 0xFE, 0x00, 0xDC, 0x41, 0x00}, "\xEF\xBF\xBD" "A"},
    {"Utf16LeadThenBmp", {0xFF, 0xFE, 0x3D, 0xD8, 0x41, 0x00}, "\xEF\xBF\xBD" "A"},
    {"Utf16LeadThenLeadThenTrail", {0xFF, 0xFE, 0x3D, 0xD8, 0x3D, 0xD8, 0x00, 0xDE},
     "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    {"Utf16LeadAtEnd", {0xFF, 0xFE, 0x41, 0x00, 0x3D, 0xD8}, "A\xEF\xBF\xBD"},
    {"Utf16LeadAndOddByteAtEnd", {0xFF, 0xFE, 0x3D, 0xD8, 0x41}, "\xEF\xBF\xBD"},
    {"Utf16NulKept", {0xFF, 0xFE, 0x00, 0x00}, std::string(1, '\0')},
};

class DecodeText : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeText, Decodes) { EXPECT_EQ(decode_text(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Cases, DecodeText, testing::ValuesIn(decode_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeText, EveryCp1252ByteMapsToOneCharacter) {
    // Bytes 0x80-0xFF (no mark can start with 0x80): each gives one code point, none U+FFFD.
    Bytes all;
    for (int b = 0x80; b <= 0xFF; ++b) all.push_back(static_cast<std::uint8_t>(b));
    const std::string text = decode_text(all);
    std::size_t characters = 0;
    for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
    EXPECT_EQ(characters, 128u);
    EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos);
}

// --- read_pstring ---

struct PStringCase {
    const char* name;
    int width;
    Bytes input;
    std::string expected;
    std::size_t end_position;
};

const PStringCase pstring_cases[] = {
    {"Width2Ascii", 2, {0x03, 0x00, 'A', 'B', 'C'}, "ABC", 5},
    {"Width2Empty", 2, {0x00, 0x00}, "", 2},
    {"Width1Cp1252", 1, {0x02, 0xE9, 0x74}, "\xC3\xA9t", 3},
    {"Width4", 4, {0x01, 0x00, 0x00, 0x00, 'Z'}, "Z", 5},
    {"Utf8Mark", 2, {0x05, 0x00, 0xEF, 0xBB, 0xBF, 0x41, 0x42}, "AB", 7},
    {"Utf16LeMark", 2, {0x04, 0x00, 0xFF, 0xFE, 0x41, 0x00}, "A", 6},
    {"Utf16BeMark", 2, {0x04, 0x00, 0xFE, 0xFF, 0x00, 0x41}, "A", 6},
    {"ShortMarkIsCp1252", 2, {0x02, 0x00, 0xEF, 0xBB}, "\xC3\xAF\xC2\xBB", 4},
    {"NextFieldFollowsDirectly", 2, {0x01, 0x00, 'Q', 0xAA, 0xBB}, "Q", 3},
    {"Width1EmptyWithTrailingData", 1, {0x00, 0x41}, "", 1},
};

class ReadPString : public testing::TestWithParam<PStringCase> {};

TEST_P(ReadPString, Reads) {
    const auto& c = GetParam();
    ByteCursor cur(c.input);
    auto text = read_pstring(cur, c.width);
    ASSERT_TRUE(text) << text.error().text();
    EXPECT_EQ(*text, c.expected);
    EXPECT_EQ(cur.position(), c.end_position);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadPString, testing::ValuesIn(pstring_cases),
                         [](const auto& info) { return std::string(info.param.name); });

struct PStringFailure {
    const char* name;
    int width;
    Bytes input;
    std::size_t start;
    RecordError::Kind kind;
    std::string text;
    std::size_t end_position;
};

const PStringFailure pstring_failures[] = {
    {"Width3", 3, {0x01, 0x00, 0x00, 'A'}, 0, RecordError::Kind::Assertion, "Unsupported PString length size", 0},
    {"Width0", 0, {0x01, 'A'}, 1, RecordError::Kind::Assertion, "Unsupported PString length size", 1},
    {"Width8", 8, {0x01, 'A'}, 0, RecordError::Kind::Assertion, "Unsupported PString length size", 0},
    {"ShortCountWidth2", 2, {0x03}, 0, RecordError::Kind::EndOfData, "failed to fill whole buffer", 0},
    {"ShortCountWidth4", 4, {'x', 0x01, 0x00, 0x00}, 1, RecordError::Kind::EndOfData,
     "failed to fill whole buffer", 1},
    {"NoCountWidth1", 1, {}, 0, RecordError::Kind::EndOfData, "failed to fill whole buffer", 0},
    {"ShortPayload", 2, {0x0A, 0x00, 'A', 'B', 'C', 'D'}, 0, RecordError::Kind::EndOfData,
     "failed to fill whole buffer", 6},
    {"HugeCountWidth4", 4, {0xFF, 0xFF, 0xFF, 0xFF, 'A'}, 0, RecordError::Kind::EndOfData,
     "failed to fill whole buffer", 5},
};

class ReadPStringFailure : public testing::TestWithParam<PStringFailure> {};

TEST_P(ReadPStringFailure, Fails) {
    const auto& c = GetParam();
    ByteCursor cur(c.input);
    cur.seek(c.start);
    auto text = read_pstring(cur, c.width);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().kind(), c.kind);
    EXPECT_EQ(text.error().text(), c.text);
    EXPECT_EQ(cur.position(), c.end_position);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadPStringFailure, testing::ValuesIn(pstring_failures),
                         [](const auto& info) { return std::string(info.param.name); });

// --- read_obfuscated_string ---

Bytes swap_halves(Bytes bytes) {
    for (auto& b : bytes) b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
    return bytes;
}

/// A 16-bit length and the payload with its halves exchanged, from the plain bytes.
Bytes obfuscated(const Bytes& plain) {
    Bytes out = {static_cast<std::uint8_t>(plain.size()), static_cast<std::uint8_t>(plain.size() >> 8)};
    const Bytes swapped = swap_halves(plain);
    out.insert(out.end(), swapped.begin(), swapped.end());
    return out;
}

TEST(ReadObfuscatedString, RestoresHalvesBeforeDecoding) {
    const Bytes input = {0x03, 0x00, 0x84, 0x56, 0xC6, 0x99};
    ByteCursor cur(input);
    auto text = read_obfuscated_string(cur);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Hel");
    EXPECT_EQ(cur.position(), 5u);

    // 0xA0 restores to 0x0A and 0x4D to 0xD4.
    const Bytes second = {0x02, 0x00, 0xA0, 0x4D};
    ByteCursor cur2(second);
    EXPECT_EQ(read_obfuscated_string(cur2).value(), "\n\xC3\x94");
}

struct ObfuscatedCase {
    const char* name;
    Bytes plain;
    std::string expected;
};

const ObfuscatedCase obfuscated_cases[] = {
    {"Empty", {}, ""},
    {"Cp1252NotUtf8", {0xE2, 0x82, 0xAC}, "\xC3\xA2\xE2\x80\x9A\xC2\xAC"},
    {"Utf8Mark", {0xEF, 0xBB, 0xBF, 0x41}, "A"},
    {"Utf16LeMark", {0xFF, 0xFE, 0x41, 0x00}, "A"},
    {"Utf16LeOddByte", {0xFF, 0xFE, 0x41}, "\xEF\xBF\xBD"},
    {"Euro", {0x80}, "\xE2\x82\xAC"},
    {"Control81", {0x81}, "\xC2\x81"},
};

class ReadObfuscated : public testing::TestWithParam<ObfuscatedCase> {};

TEST_P(ReadObfuscated, Reads) {
    const auto& c = GetParam();
    const Bytes input = obfuscated(c.plain);
    ByteCursor cur(input);
    auto text = read_obfuscated_string(cur);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, c.expected);
    EXPECT_EQ(cur.position(), input.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadObfuscated, testing::ValuesIn(obfuscated_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadObfuscatedString, ShortLengthConsumesNothing) {
    const Bytes input = {0x05};
    ByteCursor cur(input);
    auto text = read_obfuscated_string(cur);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().kind(), RecordError::Kind::EndOfData);
    EXPECT_EQ(text.error().text(), "failed to fill whole buffer");
    EXPECT_EQ(cur.position(), 0u);
}

TEST(ReadObfuscatedString, ShortPayloadLeavesCursorAtEnd) {
    const Bytes input = {0x05, 0x00, 0x84, 0x56, 0xC6};
    ByteCursor cur(input);
    auto text = read_obfuscated_string(cur);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().kind(), RecordError::Kind::EndOfData);
    EXPECT_EQ(text.error().text(), "failed to fill whole buffer");
    EXPECT_EQ(cur.position(), input.size());
}

TEST(ReadObfuscatedString, LargestLengthIsAccepted) {
    const Bytes input = obfuscated(Bytes(65535, 'a'));
    ByteCursor cur(input);
    auto text = read_obfuscated_string(cur);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, std::string(65535, 'a'));
    EXPECT_EQ(cur.position(), 65537u);
}

}  // namespace
}  // namespace quorvel
