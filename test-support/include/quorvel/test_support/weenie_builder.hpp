// Writes weenie records and weenie table files, for tests, the bundled sample and fuzz seeds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::test {

/// One weenie record. Properties are written in the order added, numbers unchecked, so records with
/// unknown numbers, repeats, empty strings or zero ids can be made on purpose.
class WeenieBuilder {
public:
    WeenieBuilder(std::uint32_t class_id, std::uint32_t weenie_type) : class_id_(class_id), weenie_type_(weenie_type) {}

    WeenieBuilder& int_property(std::uint32_t number, std::int32_t value);
    WeenieBuilder& int64_property(std::uint32_t number, std::int64_t value);
    /// The stored byte as given: any non-zero byte reads as true.
    WeenieBuilder& bool_property(std::uint32_t number, std::uint8_t value);
    WeenieBuilder& float_property(std::uint32_t number, double value);
    /// Raw string bytes (at most 65535) behind a 2-byte count.
    WeenieBuilder& string_property(std::uint32_t number, std::string_view bytes);
    WeenieBuilder& data_id_property(std::uint32_t number, std::uint32_t value);
    WeenieBuilder& instance_id_property(std::uint32_t number, std::uint32_t value);
    /// The third header word, which readers skip.
    WeenieBuilder& unused_word(std::uint32_t value);

    /// Appends the record to `out`; the padding after each string aligns to 4 counted from the start of `out`.
    void write(ByteBuilder& out) const;
    /// The record alone, as a bare weenie file.
    std::vector<std::uint8_t> bytes() const;

private:
    std::uint32_t class_id_;
    std::uint32_t weenie_type_;
    std::uint32_t unused_ = 0;
    std::vector<std::pair<std::uint32_t, std::int32_t>> ints_;
    std::vector<std::pair<std::uint32_t, std::int64_t>> int64s_;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> bools_;
    std::vector<std::pair<std::uint32_t, double>> floats_;
    std::vector<std::pair<std::uint32_t, std::string>> strings_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> data_ids_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> instance_ids_;
};

/// A table file: table id, record count, an unused u16, then (key, record) pairs in the order added.
class WeenieTableBuilder {
public:
    explicit WeenieTableBuilder(std::uint32_t table_id) : table_id_(table_id) {}

    /// Adds a record under `key`; the same key may be added more than once.
    WeenieTableBuilder& add(std::uint32_t key, WeenieBuilder weenie);

    std::vector<std::uint8_t> bytes() const;

private:
    std::uint32_t table_id_;
    std::vector<std::pair<std::uint32_t, WeenieBuilder>> records_;
};

}  // namespace quorvel::test
