// Weenie record and table file writing, the inverse of the weenie decoder.
#include "quorvel/test_support/weenie_builder.hpp"

namespace quorvel::test {

WeenieBuilder& WeenieBuilder::int_property(std::uint32_t number, std::int32_t value) {
    ints_.emplace_back(number, value);
    return *this;
}
WeenieBuilder& WeenieBuilder::int64_property(std::uint32_t number, std::int64_t value) {
    int64s_.emplace_back(number, value);
    return *this;
}
WeenieBuilder& WeenieBuilder::bool_property(std::uint32_t number, std::uint8_t value) {
    bools_.emplace_back(number, value);
    return *this;
}
WeenieBuilder& WeenieBuilder::float_property(std::uint32_t number, double value) {
    floats_.emplace_back(number, value);
    return *this;
}
WeenieBuilder& WeenieBuilder::string_property(std::uint32_t number, std::string_view bytes) {
    strings_.emplace_back(number, std::string(bytes));
    return *this;
}
WeenieBuilder& WeenieBuilder::data_id_property(std::uint32_t number, std::uint32_t value) {
    data_ids_.emplace_back(number, value);
    return *this;
}
WeenieBuilder& WeenieBuilder::instance_id_property(std::uint32_t number, std::uint32_t value) {
    instance_ids_.emplace_back(number, value);
    return *this;
}
WeenieBuilder& WeenieBuilder::unused_word(std::uint32_t value) {
    unused_ = value;
    return *this;
}

void WeenieBuilder::write(ByteBuilder& out) const {
    out.u32(class_id_).u32(weenie_type_).u32(unused_);

    out.u16(static_cast<std::uint16_t>(ints_.size()));
    for (const auto& [n, v] : ints_) out.u32(n).i32(v);
    out.u16(static_cast<std::uint16_t>(int64s_.size()));
    for (const auto& [n, v] : int64s_) out.u32(n).u64(static_cast<std::uint64_t>(v));
    out.u16(static_cast<std::uint16_t>(bools_.size()));
    for (const auto& [n, v] : bools_) out.u32(n).u8(v);
    out.u16(static_cast<std::uint16_t>(floats_.size()));
    for (const auto& [n, v] : floats_) out.u32(n).f64(v);
    out.u16(static_cast<std::uint16_t>(strings_.size()));
    for (const auto& [n, s] : strings_) out.u32(n).u16(static_cast<std::uint16_t>(s.size())).text(s).align(4);
    out.u16(static_cast<std::uint16_t>(data_ids_.size()));
    for (const auto& [n, v] : data_ids_) out.u32(n).u32(v);
    out.u16(static_cast<std::uint16_t>(instance_ids_.size()));
    for (const auto& [n, v] : instance_ids_) out.u32(n).u32(v);
}

std::vector<std::uint8_t> WeenieBuilder::bytes() const {
    ByteBuilder out;
    write(out);
    return out.take();
}

WeenieTableBuilder& WeenieTableBuilder::add(std::uint32_t key, WeenieBuilder weenie) {
    records_.emplace_back(key, std::move(weenie));
    return *this;
}

std::vector<std::uint8_t> WeenieTableBuilder::bytes() const {
    ByteBuilder out;
    out.u32(table_id_).u16(static_cast<std::uint16_t>(records_.size())).u16(0);
    for (const auto& [key, weenie] : records_) {
        out.u32(key);
        weenie.write(out);
    }
    return out.take();
}

}  // namespace quorvel::test
