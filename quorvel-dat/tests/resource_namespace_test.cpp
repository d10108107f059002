// Tests of namespace label validation, stored form, ordering, hashing and rendering.
#include "quorvel/dat/resource_namespace.hpp"

#include <array>
#include <string>
#include <unordered_set>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

ResourceNamespace ns(std::string_view label) { return ResourceNamespace::create(label).value(); }

ResourceNamespace::Bytes stored(std::string_view text) {
    ResourceNamespace::Bytes b{};
    for (std::size_t i = 0; i < text.size(); ++i) b[i] = static_cast<std::uint8_t>(text[i]);
    return b;
}

TEST(ResourceNamespace, StoresLabelFollowedByZeros) {
    const auto a = ns("a");
    ResourceNamespace::Bytes expected{};
    expected[0] = 0x61;
    EXPECT_EQ(a.bytes(), expected);
    EXPECT_EQ(a.as_str(), "a");
}

TEST(ResourceNamespace, ThirtyTwoByteLabelFillsTheValue) {
    const std::string label(32, 'x');
    const auto full = ns(label);
    EXPECT_EQ(full.bytes(), stored(label));
    EXPECT_EQ(full.as_str(), label);
}

TEST(ResourceNamespace, AcceptsAnyUtf8TextUnchanged) {
    for (std::string_view label : {" Eor/Portal ", "x\xC3\xA9", "\xE2\x82\xAC\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        const auto value = ns(label);
        EXPECT_EQ(value.as_str(), label);
        EXPECT_EQ(ResourceNamespace::from_bytes(value.bytes()).value(), value);
    }
}

struct CreateCase {
    std::string label;
    std::string message;
};

TEST(ResourceNamespace, CreateRefusals) {
    const std::string x33(33, 'x');
    std::string euro11;
    for (int i = 0; i < 11; ++i) euro11 += "\xE2\x82\xAC";
    const std::string long_with_nul = std::string(20, 'y') + '\0' + std::string(12, 'y');
    const std::vector<CreateCase> cases = {
        {"", "Invalid namespace: namespace label cannot be empty"},
        {x33, "Invalid namespace: namespace label '" + x33 + "' exceeds 32 bytes"},
        {euro11, "Invalid namespace: namespace label '" + euro11 + "' exceeds 32 bytes"},
        {long_with_nul, "Invalid namespace: namespace label '" + long_with_nul + "' exceeds 32 bytes"},
        {std::string("ab\0c", 4), std::string("Invalid namespace: namespace label 'ab\0c' contains a NUL byte", 61)},
        {"eor\xFF", "Invalid namespace: namespace label is not valid UTF-8: invalid utf-8 sequence of 1 bytes from index 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto result = ResourceNamespace::create(c.label);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), DatErrorKind::InvalidNamespace);
        EXPECT_EQ(result.error().message(), c.message);
    }
}

struct FromBytesCase {
    std::string bytes;  // the leading bytes; the rest is zero
    std::string reason;
};

TEST(ResourceNamespace, FromBytesRefusals) {
    const std::string not_utf8 = "namespace bytes are not valid UTF-8: ";
    const std::vector<FromBytesCase> cases = {
        {"", "namespace label cannot be empty"},
        {std::string("ab\0c", 4), "namespace bytes must be zero-padded without embedded trailing data"},
        {std::string("\0\0\0z", 4), "namespace bytes must be zero-padded without embedded trailing data"},
        {"\xFF", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 0"},
        {"ab\x80", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 2"},
        {"\xC0\x80", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 0"},         // overlong lead
        {"\xE0\x80\x80", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 0"},     // overlong
        {"\xED\xA0\x80", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 0"},     // surrogate
        {"\xF4\x90\x80\x80", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 0"}, // above U+10FFFF
        {"\xC3x", not_utf8 + "invalid utf-8 sequence of 1 bytes from index 0"},
        {"a\xE2\x82x", not_utf8 + "invalid utf-8 sequence of 2 bytes from index 1"},
        {"\xF0\x9F\x98x", not_utf8 + "invalid utf-8 sequence of 3 bytes from index 0"},
        {"a\xC3", not_utf8 + "incomplete utf-8 byte sequence from index 1"},
        {"ok\xF0\x9F\x98", not_utf8 + "incomplete utf-8 byte sequence from index 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const auto result = ResourceNamespace::from_bytes(stored(c.bytes));
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), DatErrorKind::InvalidNamespace);
        EXPECT_EQ(result.error().message(), "Invalid namespace: " + c.reason);
    }
}

TEST(ResourceNamespace, FromBytesKeepsAValidStoredForm) {
    const auto value = ResourceNamespace::from_bytes(stored("eor/cell")).value();
    EXPECT_EQ(value, ns("eor/cell"));
    EXPECT_EQ(value.as_str(), "eor/cell");
}

TEST(ResourceNamespace, OrdersByUnsignedBytes) {
    EXPECT_LT(ns("eor/cell"), ns("eor/portal"));
    EXPECT_LT(ns("abc"), ns("abcd"));
    EXPECT_LT(ns("abcd"), ns("abd"));
    EXPECT_LT(ns("z"), ns("\xC3\xA9"));  // bytes above 0x7F sort after ASCII
    EXPECT_NE(ns("Eor/portal"), ns("eor/portal"));
    EXPECT_EQ(ns("eor/portal"), ns("eor/portal"));
}

TEST(ResourceNamespace, HashesEqualValuesAlike) {
    std::unordered_set<ResourceNamespace> set{ns("eor/portal"), ns("Eor/portal"), ns("eor/portal")};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(std::hash<ResourceNamespace>{}(ns("eor/cell")), std::hash<ResourceNamespace>{}(ns("eor/cell")));
}

TEST(ResourceNamespace, FormatsAsItsLabel) {
    EXPECT_EQ(fmt::format("[{}]", ns("eor/cell")), "[eor/cell]");
    EXPECT_EQ(fmt::format("{:<10}|", ns("eor/cell")), "eor/cell  |");
    EXPECT_EQ(fmt::format("{:<2}|", ns("eor/cell")), "eor/cell|");
}

}  // namespace
}  // namespace quorvel
