// Tests of the property key families: membership over the whole low number range and the role keys.
#include "quorvel/common/properties/property_keys.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace quorvel {
namespace {

struct Expected {
    const char* family;
    std::function<bool(std::uint32_t)> accepts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> known;  // inclusive, written out independently
};

template <class Key>
std::function<bool(std::uint32_t)> accepts() {
    return [](std::uint32_t n) {
        const auto key = Key::from_repr(n);
        if (key) {
            EXPECT_EQ(key->repr(), n);
        }
        return key.has_value();
    };
}

TEST(PropertyKeys, FromReprAcceptsExactlyTheKnownNumbers) {
    const std::vector<Expected> families = {
        {"PropertyInt", accepts<PropertyInt>(), {{1, 390}, {8007, 8007}, {8030, 8030}, {8041, 8043}, {9008, 9015}}},
        {"PropertyInt64", accepts<PropertyInt64>(), {{1, 8}}},
        {"PropertyBool", accepts<PropertyBool>(), {{0, 130}, {9001, 9010}}},
        {"PropertyFloat", accepts<PropertyFloat>(), {{0, 171}, {8004, 8004}, {8010, 8018}}},
        {"PropertyString", accepts<PropertyString>(), {{1, 52}, {8006, 8006}, {8031, 8032}, {9001, 9007}}},
        {"PropertyDataId",
         accepts<PropertyDataId>(),
         {{1, 61}, {8001, 8003}, {8005, 8005}, {8009, 8009}, {8019, 8030}, {8044, 8044}}},
        {"PropertyInstanceId", accepts<PropertyInstanceId>(), {{1, 45}, {8000, 8000}, {8008, 8008}}},
    };
    for (const auto& family : families) {
        auto expected = [&](std::uint32_t n) {
            for (auto [first, last] : family.known)
                if (n >= first && n <= last) return true;
            return false;
        };
        for (std::uint32_t n = 0; n <= 10000; ++n)
            ASSERT_EQ(family.accepts(n), expected(n)) << family.family << " " << n;
        for (std::uint32_t n : {65536u, 0x7FFFFFFFu, 0xFFFFFFFFu}) EXPECT_FALSE(family.accepts(n)) << family.family;
    }
}

TEST(PropertyKeys, RoleKeysAndOrdering) {
    EXPECT_EQ(property_string_name.repr(), 1u);
    EXPECT_EQ(property_data_id_icon.repr(), 8u);
    EXPECT_LT(PropertyInt::from_repr(2).value(), PropertyInt::from_repr(390).value());
    EXPECT_EQ(PropertyBool::from_repr(0).value(), PropertyBool::from_repr(0).value());
}

}  // namespace
}  // namespace quorvel
