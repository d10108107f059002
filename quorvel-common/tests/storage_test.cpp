// Tests of the property storage: known-set filtering, removal rules and the fourteen update forms.
#include "quorvel/common/properties/storage.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(WorldObjectProperties, StartsEmpty) {
    const WorldObjectProperties p;
    EXPECT_TRUE(p.ints().empty() && p.int64s().empty() && p.bools().empty() && p.floats().empty() &&
                p.strings().empty() && p.data_ids().empty() && p.instance_ids().empty());
    EXPECT_EQ(p.get(property_string_name), std::nullopt);
}

TEST(WorldObjectProperties, RawNumbersOutsideTheFamilyAreDropped) {
    WorldObjectProperties p;
    p.apply_raw_int(391, 5);
    p.apply_raw_int(0, 5);
    p.apply_raw_int64(9, 5);
    p.apply_raw_bool(131, true);
    p.apply_raw_float(8019, 1.5);
    p.apply_raw_string(53, "x");
    p.apply_raw_string(0, "x");
    p.apply_raw_did(62, 1);
    p.apply_raw_iid(46, 1);
    EXPECT_EQ(p, WorldObjectProperties{});
}

TEST(WorldObjectProperties, RawNumbersInsideTheFamilyAreStored) {
    WorldObjectProperties p;
    p.apply_raw_int(390, 5);
    p.apply_raw_int64(8, -7);
    p.apply_raw_bool(0, true);
    p.apply_raw_float(8018, 2.5);
    p.apply_raw_string(1, "Axe");
    p.apply_raw_did(8, 0x1234);
    p.apply_raw_iid(8008, 9);
    EXPECT_EQ(p.get(PropertyInt::from_repr(390).value()), 5);
    EXPECT_EQ(p.get(PropertyInt64::from_repr(8).value()), -7);
    EXPECT_EQ(p.get(PropertyBool::from_repr(0).value()), true);
    EXPECT_EQ(p.get(PropertyFloat::from_repr(8018).value()), 2.5);
    EXPECT_EQ(p.get(property_string_name), "Axe");
    EXPECT_EQ(p.get(property_data_id_icon), 0x1234u);
    EXPECT_EQ(p.get(PropertyInstanceId::from_repr(8008).value()), 9u);
    EXPECT_EQ(p.ints().size() + p.int64s().size() + p.bools().size() + p.floats().size() + p.strings().size() +
                  p.data_ids().size() + p.instance_ids().size(),
              7u);
}

TEST(WorldObjectProperties, EmptyStringAndZeroIdsRemove) {
    WorldObjectProperties p;
    p.apply_raw_string(1, "A");
    p.apply_raw_string(1, "");
    p.apply_raw_did(8, 0x1234);
    p.apply_raw_did(8, 0);
    p.apply_raw_iid(1, 7);
    p.apply_raw_iid(1, 0);
    // Removing what is absent is not an error, and zero stays a value for the other families.
    p.apply_raw_string(2, "");
    p.apply_raw_did(9, 0);
    p.apply_raw_int(1, 0);
    p.apply_raw_bool(1, false);
    EXPECT_TRUE(p.strings().empty());
    EXPECT_TRUE(p.data_ids().empty());
    EXPECT_TRUE(p.instance_ids().empty());
    EXPECT_EQ(p.get(PropertyInt::from_repr(1).value()), 0);
    EXPECT_EQ(p.get(PropertyBool::from_repr(1).value()), false);
}

TEST(WorldObjectProperties, LaterValueReplacesEarlier) {
    WorldObjectProperties p;
    p.apply_raw_int(10, 1);
    p.apply_raw_int(10, 2);
    p.apply_raw_string(1, "first");
    p.apply_raw_string(1, "second");
    EXPECT_EQ(p.ints().size(), 1u);
    EXPECT_EQ(p.get(PropertyInt::from_repr(10).value()), 2);
    EXPECT_EQ(p.strings().size(), 1u);
    EXPECT_EQ(p.get(property_string_name), "second");
}

TEST(WorldObjectProperties, MapsIterateInAscendingNumberOrder) {
    WorldObjectProperties p;
    for (std::uint32_t n : {9015u, 3u, 8007u, 1u}) p.apply_raw_int(n, static_cast<std::int32_t>(n));
    std::vector<std::uint32_t> order;
    for (const auto& [key, value] : p.ints()) order.push_back(key.repr());
    EXPECT_EQ(order, (std::vector<std::uint32_t>{1, 3, 8007, 9015}));
}

TEST(WorldObjectProperties, ApplyTakesEveryForm) {
    const auto int_key = PropertyInt::from_repr(5).value();
    WorldObjectProperties known;
    known.apply(IntUpdate{int_key, 1});
    known.apply(Int64Update{PropertyInt64::from_repr(1).value(), 2});
    known.apply(BoolUpdate{PropertyBool::from_repr(3).value(), true});
    known.apply(FloatUpdate{PropertyFloat::from_repr(4).value(), 0.5});
    known.apply(StringUpdate{property_string_name, "N"});
    known.apply(DataIdUpdate{property_data_id_icon, 6});
    known.apply(InstanceIdUpdate{PropertyInstanceId::from_repr(7).value(), 8});

    WorldObjectProperties raw;
    raw.apply(RawIntUpdate{5, 1});
    raw.apply(RawInt64Update{1, 2});
    raw.apply(RawBoolUpdate{3, true});
    raw.apply(RawFloatUpdate{4, 0.5});
    raw.apply(RawStringUpdate{1, "N"});
    raw.apply(RawDataIdUpdate{8, 6});
    raw.apply(RawInstanceIdUpdate{7, 8});
    // Unknown raw numbers in every family change nothing.
    raw.apply(RawIntUpdate{400, 1});
    raw.apply(RawInt64Update{0, 2});
    raw.apply(RawBoolUpdate{200, true});
    raw.apply(RawFloatUpdate{172, 0.5});
    raw.apply(RawStringUpdate{8033, "N"});
    raw.apply(RawDataIdUpdate{0, 6});
    raw.apply(RawInstanceIdUpdate{0, 8});
    EXPECT_EQ(known, raw);

    known.apply(StringUpdate{property_string_name, ""});
    known.apply(DataIdUpdate{property_data_id_icon, 0});
    known.apply(InstanceIdUpdate{PropertyInstanceId::from_repr(7).value(), 0});
    EXPECT_TRUE(known.strings().empty());
    EXPECT_TRUE(known.data_ids().empty());
    EXPECT_TRUE(known.instance_ids().empty());
}

}  // namespace
}  // namespace quorvel
