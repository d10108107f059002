// Applying property updates: unknown numbers dropped, empty strings and zero ids remove.
#include "quorvel/common/properties/storage.hpp"

#include <type_traits>
#include <utility>

namespace quorvel {
namespace {

template <class Map, class Key>
auto lookup(const Map& map, Key key) -> std::optional<typename Map::mapped_type> {
    const auto it = map.find(key);
    if (it == map.end()) return std::nullopt;
    return it->second;
}

template <class T>
inline constexpr bool is_raw_update = false;
template <class Key, class Value>
inline constexpr bool is_raw_update<RawPropertyUpdate<Key, Value>> = true;

}  // namespace

template <class Key, class Value>
void WorldObjectProperties::apply_raw(std::uint32_t number, Value&& value) {
    const auto key = Key::from_repr(number);
    if (!key) return;
    apply_known(KnownPropertyUpdate<Key, std::remove_cvref_t<Value>>{*key, std::forward<Value>(value)});
}

void WorldObjectProperties::apply(PropertyUpdate update) {
    std::visit(
        [this](auto&& u) {
            using U = std::remove_cvref_t<decltype(u)>;
            if constexpr (is_raw_update<U>)
                apply_raw<typename U::key_type>(u.number, std::move(u.value));
            else
                apply_known(std::move(u));
        },
        std::move(update));
}

void WorldObjectProperties::apply_raw_int(std::uint32_t number, std::int32_t value) {
    apply_raw<PropertyInt>(number, value);
}
void WorldObjectProperties::apply_raw_int64(std::uint32_t number, std::int64_t value) {
    apply_raw<PropertyInt64>(number, value);
}
void WorldObjectProperties::apply_raw_bool(std::uint32_t number, bool value) { apply_raw<PropertyBool>(number, value); }
void WorldObjectProperties::apply_raw_float(std::uint32_t number, double value) {
    apply_raw<PropertyFloat>(number, value);
}
void WorldObjectProperties::apply_raw_string(std::uint32_t number, std::string text) {
    apply_raw<PropertyString>(number, std::move(text));
}
void WorldObjectProperties::apply_raw_did(std::uint32_t number, std::uint32_t value) {
    apply_raw<PropertyDataId>(number, value);
}
void WorldObjectProperties::apply_raw_iid(std::uint32_t number, std::uint32_t value) {
    apply_raw<PropertyInstanceId>(number, value);
}

void WorldObjectProperties::apply_known(IntUpdate u) { ints_.insert_or_assign(u.key, u.value); }
void WorldObjectProperties::apply_known(Int64Update u) { int64s_.insert_or_assign(u.key, u.value); }
void WorldObjectProperties::apply_known(BoolUpdate u) { bools_.insert_or_assign(u.key, u.value); }
void WorldObjectProperties::apply_known(FloatUpdate u) { floats_.insert_or_assign(u.key, u.value); }

void WorldObjectProperties::apply_known(StringUpdate u) {
    if (u.value.empty())
        strings_.erase(u.key);
    else
        strings_.insert_or_assign(u.key, std::move(u.value));
}

void WorldObjectProperties::apply_known(DataIdUpdate u) {
    if (u.value == 0)
        data_ids_.erase(u.key);
    else
        data_ids_.insert_or_assign(u.key, u.value);
}

void WorldObjectProperties::apply_known(InstanceIdUpdate u) {
    if (u.value == 0)
        instance_ids_.erase(u.key);
    else
        instance_ids_.insert_or_assign(u.key, u.value);
}

std::optional<std::int32_t> WorldObjectProperties::get(PropertyInt key) const { return lookup(ints_, key); }
std::optional<std::int64_t> WorldObjectProperties::get(PropertyInt64 key) const { return lookup(int64s_, key); }
std::optional<bool> WorldObjectProperties::get(PropertyBool key) const { return lookup(bools_, key); }
std::optional<double> WorldObjectProperties::get(PropertyFloat key) const { return lookup(floats_, key); }
std::optional<std::uint32_t> WorldObjectProperties::get(PropertyDataId key) const { return lookup(data_ids_, key); }
std::optional<std::uint32_t> WorldObjectProperties::get(PropertyInstanceId key) const {
    return lookup(instance_ids_, key);
}

std::optional<std::string_view> WorldObjectProperties::get(PropertyString key) const {
    const auto it = strings_.find(key);
    if (it == strings_.end()) return std::nullopt;
    return std::string_view(it->second);
}

}  // namespace quorvel
