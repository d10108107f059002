// Typed property storage of game objects: one ordered map per key family, changed through updates.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "quorvel/common/properties/property_keys.hpp"

namespace quorvel {

/// Stores `value` under a known key; an empty string or a zero data or instance id removes the key instead.
template <class Key, class Value>
struct KnownPropertyUpdate {
    using key_type = Key;
    using value_type = Value;

    Key key;
    Value value;

    bool operator==(const KnownPropertyUpdate&) const = default;
};

/// The same change by raw number; it does nothing when the number is not a key of the family.
template <class Key, class Value>
struct RawPropertyUpdate {
    using key_type = Key;
    using value_type = Value;

    std::uint32_t number = 0;
    Value value{};

    bool operator==(const RawPropertyUpdate&) const = default;
};

using IntUpdate = KnownPropertyUpdate<PropertyInt, std::int32_t>;
using Int64Update = KnownPropertyUpdate<PropertyInt64, std::int64_t>;
using BoolUpdate = KnownPropertyUpdate<PropertyBool, bool>;
using FloatUpdate = KnownPropertyUpdate<PropertyFloat, double>;
using StringUpdate = KnownPropertyUpdate<PropertyString, std::string>;
using DataIdUpdate = KnownPropertyUpdate<PropertyDataId, std::uint32_t>;
using InstanceIdUpdate = KnownPropertyUpdate<PropertyInstanceId, std::uint32_t>;

using RawIntUpdate = RawPropertyUpdate<PropertyInt, std::int32_t>;
using RawInt64Update = RawPropertyUpdate<PropertyInt64, std::int64_t>;
using RawBoolUpdate = RawPropertyUpdate<PropertyBool, bool>;
using RawFloatUpdate = RawPropertyUpdate<PropertyFloat, double>;
using RawStringUpdate = RawPropertyUpdate<PropertyString, std::string>;
using RawDataIdUpdate = RawPropertyUpdate<PropertyDataId, std::uint32_t>;
using RawInstanceIdUpdate = RawPropertyUpdate<PropertyInstanceId, std::uint32_t>;

/// One change to a `WorldObjectProperties`: a known and a raw form for each of the seven families.
using PropertyUpdate = std::variant<IntUpdate, RawIntUpdate, Int64Update, RawInt64Update, BoolUpdate, RawBoolUpdate,
                                    FloatUpdate, RawFloatUpdate, StringUpdate, RawStringUpdate, DataIdUpdate,
                                    RawDataIdUpdate, InstanceIdUpdate, RawInstanceIdUpdate>;

/// The properties of one object. Every stored key belongs to its family's known set, no stored
/// string is empty and no stored data or instance id is zero.
class WorldObjectProperties {
public:
    /// Applies one change; never fails. A raw number outside its family's set is ignored.
    void apply(PropertyUpdate update);

    /// Raw-number changes, each the same as `apply` with the raw form; none fails.
    void apply_raw_int(std::uint32_t number, std::int32_t value);
    void apply_raw_int64(std::uint32_t number, std::int64_t value);
    void apply_raw_bool(std::uint32_t number, bool value);
    void apply_raw_float(std::uint32_t number, double value);
    void apply_raw_string(std::uint32_t number, std::string text);
    void apply_raw_did(std::uint32_t number, std::uint32_t value);
    void apply_raw_iid(std::uint32_t number, std::uint32_t value);

    const std::map<PropertyInt, std::int32_t>& ints() const { return ints_; }
    const std::map<PropertyInt64, std::int64_t>& int64s() const { return int64s_; }
    const std::map<PropertyBool, bool>& bools() const { return bools_; }
    const std::map<PropertyFloat, double>& floats() const { return floats_; }
    const std::map<PropertyString, std::string>& strings() const { return strings_; }
    const std::map<PropertyDataId, std::uint32_t>& data_ids() const { return data_ids_; }
    const std::map<PropertyInstanceId, std::uint32_t>& instance_ids() const { return instance_ids_; }

    /// The value stored under `key`, or nothing.
    std::optional<std::int32_t> get(PropertyInt key) const;
    std::optional<std::int64_t> get(PropertyInt64 key) const;
    std::optional<bool> get(PropertyBool key) const;
    std::optional<double> get(PropertyFloat key) const;
    /// A view into the stored text; valid until the next change of this storage.
    std::optional<std::string_view> get(PropertyString key) const;
    std::optional<std::uint32_t> get(PropertyDataId key) const;
    std::optional<std::uint32_t> get(PropertyInstanceId key) const;

    bool operator==(const WorldObjectProperties&) const = default;

private:
    template <class Key, class Value>
    void apply_raw(std::uint32_t number, Value&& value);

    void apply_known(IntUpdate update);
    void apply_known(Int64Update update);
    void apply_known(BoolUpdate update);
    void apply_known(FloatUpdate update);
    void apply_known(StringUpdate update);
    void apply_known(DataIdUpdate update);
    void apply_known(InstanceIdUpdate update);

    std::map<PropertyInt, std::int32_t> ints_;
    std::map<PropertyInt64, std::int64_t> int64s_;
    std::map<PropertyBool, bool> bools_;
    std::map<PropertyFloat, double> floats_;
    std::map<PropertyString, std::string> strings_;
    std::map<PropertyDataId, std::uint32_t> data_ids_;
    std::map<PropertyInstanceId, std::uint32_t> instance_ids_;
};

}  // namespace quorvel
