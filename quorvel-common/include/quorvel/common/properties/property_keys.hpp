// The seven property key families, each a closed set of property numbers kept as a table of ranges.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel {

/// An inclusive range of known property numbers.
struct KeyRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

/// True when the ranges are non-empty, ascending, disjoint and not touching (so each table is minimal).
template <std::size_t N>
constexpr bool key_ranges_well_formed(const std::array<KeyRange, N>& ranges) {
    for (std::size_t i = 0; i < N; ++i) {
        if (ranges[i].first > ranges[i].last) return false;
        if (i > 0 && ranges[i - 1].last + 1 >= ranges[i].first) return false;
    }
    return true;
}

/// A property key of one family: it can only hold a number of that family's known set.
template <class Family>
class PropertyKey {
public:
    /// The key for `number`, or nothing when the number is not in the family's known set.
    static constexpr std::optional<PropertyKey> from_repr(std::uint32_t number) {
        for (const KeyRange& range : Family::ranges)
            if (number >= range.first && number <= range.last) return PropertyKey(number);
        return std::nullopt;
    }

    constexpr std::uint32_t repr() const { return number_; }

    constexpr auto operator<=>(const PropertyKey&) const = default;

private:
    constexpr explicit PropertyKey(std::uint32_t number) : number_(number) {}

    std::uint32_t number_;
};

struct PropertyIntFamily {
    static constexpr std::string_view name = "PropertyInt";
    static constexpr std::array ranges = {
        KeyRange{1, 390}, KeyRange{8007, 8007}, KeyRange{8030, 8030}, KeyRange{8041, 8043}, KeyRange{9008, 9015},
    };
};

struct PropertyInt64Family {
    static constexpr std::string_view name = "PropertyInt64";
    static constexpr std::array ranges = {KeyRange{1, 8}};
};

struct PropertyBoolFamily {
    static constexpr std::string_view name = "PropertyBool";
    static constexpr std::array ranges = {KeyRange{0, 130}, KeyRange{9001, 9010}};
};

struct PropertyFloatFamily {
    static constexpr std::string_view name = "PropertyFloat";
    static constexpr std::array ranges = {KeyRange{0, 171}, KeyRange{8004, 8004}, KeyRange{8010, 8018}};
};

struct PropertyStringFamily {
    static constexpr std::string_view name = "PropertyString";
    static constexpr std::array ranges = {
        KeyRange{1, 52}, KeyRange{8006, 8006}, KeyRange{8031, 8032}, KeyRange{9001, 9007},
    };
};

struct PropertyDataIdFamily {
    static constexpr std::string_view name = "PropertyDataId";
    static constexpr std::array ranges = {
        KeyRange{1, 61},   KeyRange{8001, 8003}, KeyRange{8005, 8005},
        KeyRange{8009, 8009}, KeyRange{8019, 8030}, KeyRange{8044, 8044},
    };
};

struct PropertyInstanceIdFamily {
    static constexpr std::string_view name = "PropertyInstanceId";
    static constexpr std::array ranges = {KeyRange{1, 45}, KeyRange{8000, 8000}, KeyRange{8008, 8008}};
};

using PropertyInt = PropertyKey<PropertyIntFamily>;
using PropertyInt64 = PropertyKey<PropertyInt64Family>;
using PropertyBool = PropertyKey<PropertyBoolFamily>;
using PropertyFloat = PropertyKey<PropertyFloatFamily>;
using PropertyString = PropertyKey<PropertyStringFamily>;
using PropertyDataId = PropertyKey<PropertyDataIdFamily>;
using PropertyInstanceId = PropertyKey<PropertyInstanceIdFamily>;

/// The keys with a fixed role in this program: an object's name and its icon.
inline constexpr PropertyString property_string_name = PropertyString::from_repr(1).value();
inline constexpr PropertyDataId property_data_id_icon = PropertyDataId::from_repr(8).value();

}  // namespace quorvel
