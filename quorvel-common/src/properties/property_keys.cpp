// Compile-time checks of the property key tables: each must be ordered, disjoint and minimal.
#include "quorvel/common/properties/property_keys.hpp"

namespace quorvel {

static_assert(key_ranges_well_formed(PropertyIntFamily::ranges));
static_assert(key_ranges_well_formed(PropertyInt64Family::ranges));
static_assert(key_ranges_well_formed(PropertyBoolFamily::ranges));
static_assert(key_ranges_well_formed(PropertyFloatFamily::ranges));
static_assert(key_ranges_well_formed(PropertyStringFamily::ranges));
static_assert(key_ranges_well_formed(PropertyDataIdFamily::ranges));
static_assert(key_ranges_well_formed(PropertyInstanceIdFamily::ranges));

// A key is exactly its number: maps keyed by it cost no more than maps keyed by the number.
static_assert(sizeof(PropertyInt) == sizeof(std::uint32_t));

}  // namespace quorvel
