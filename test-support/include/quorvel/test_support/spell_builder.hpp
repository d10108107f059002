// Builds spell table records: obfuscated names, alignment, extras by variant, spell sets with tiers.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvel/dat/file_type/spell_table.hpp"
#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::test {

/// Text as stored bytes that decode back to it: ASCII as is, anything else as UTF-8 behind EF BB BF.
std::vector<std::uint8_t> encode_spell_text(std::string_view utf8);

/// A 16-bit length, then `raw` with the two 4-bit halves of every byte exchanged.
void write_obfuscated_string(ByteBuilder& b, std::span<const std::uint8_t> raw);

/// One spell as stored, aligned on `b`'s absolute size (so `b` must hold the record from its first
/// byte). The extras written are those held in `spell.extras`, whatever `meta_spell_type` says, so
/// tests can store a spell whose extras do not fit its type.
void write_spell_base(ByteBuilder& b, const SpellBase& spell);

/// A spell table with entries in the order they are added; keys may repeat.
class SpellTableBuilder {
public:
    using Tiers = std::vector<std::pair<std::uint32_t, SpellSetTiers>>;

    explicit SpellTableBuilder(std::uint32_t id = SpellTable::file_id) : id_(id) {}

    SpellTableBuilder& spell(std::uint32_t key, SpellBase spell);
    /// Tiers in stored order; each tier's stored count is its `spell_count`, followed by its `spells`.
    SpellTableBuilder& spell_set(std::uint32_t key, Tiers tiers);
    /// The bucket-size word written in every table (any value is valid).
    SpellTableBuilder& bucket_size(std::uint16_t value);

    std::vector<std::uint8_t> build() const;

private:
    std::uint32_t id_;
    std::uint16_t bucket_size_ = 64;
    std::vector<std::pair<std::uint32_t, SpellBase>> spells_;
    std::vector<std::pair<std::uint32_t, Tiers>> sets_;
};

/// The stored form of a decoded table, spells, sets and tiers in ascending key order.
std::vector<std::uint8_t> build_spell_table(const SpellTable& table);

/// A spell with every field set from `seed`, carrying the extras its `meta_spell_type` calls for.
SpellBase sample_spell(std::uint32_t seed, std::uint32_t meta_spell_type);

}  // namespace quorvel::test
