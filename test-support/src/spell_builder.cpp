// Stored form of spell tables, the inverse of read_spell_table.
#include "quorvel/test_support/spell_builder.hpp"

#include <algorithm>
#include <variant>

namespace quorvel::test {

namespace {

template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};

template <class Map>
std::vector<typename Map::key_type> sorted_keys(const Map& map) {
    std::vector<typename Map::key_type> keys;
    for (const auto& [key, value] : map) keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace

std::vector<std::uint8_t> encode_spell_text(std::string_view utf8) {
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    ByteBuilder b;
    if (!ascii) b.u8(0xEF).u8(0xBB).u8(0xBF);
    b.text(utf8);
    return b.take();
}

void write_obfuscated_string(ByteBuilder& b, std::span<const std::uint8_t> raw) {
    b.u16(static_cast<std::uint16_t>(raw.size()));
    for (std::uint8_t byte : raw) b.u8(static_cast<std::uint8_t>((byte << 4) | (byte >> 4)));
}

void write_spell_base(ByteBuilder& b, const SpellBase& s) {
    write_obfuscated_string(b, encode_spell_text(s.name));
    b.align(4);
    write_obfuscated_string(b, encode_spell_text(s.description));
    b.align(4);
    b.u32(s.school).u32(s.icon_id).u32(s.category).u32(s.bitfield).u32(s.base_mana);
    b.f32(s.base_range_constant).f32(s.base_range_mod);
    b.u32(s.power).u32(s.spell_economy_mod).u32(s.formula_version).u32(s.component_loss);
    b.u32(s.meta_spell_type).u32(s.meta_spell_id);
    std::visit(Overloaded{
                   [&](const SpellExtras::Enchantment& e) { b.u64(e.duration).u32(e.degrade_modifier).u32(e.degrade_limit); },
                   [&](const SpellExtras::PortalSummon& p) { b.u64(p.portal_lifetime); },
                   [](const SpellExtras::None&) {},
               },
               s.extras.value);
    for (std::uint32_t word : s.raw_components) b.u32(word);
    b.u32(s.caster_effect).u32(s.target_effect).u32(s.fizzle_effect);
    b.u64(s.recovery_interval);
    b.u32(s.recovery_amount).u32(s.display_order).u32(s.non_component_target_type).u32(s.mana_mod);
}

SpellTableBuilder& SpellTableBuilder::spell(std::uint32_t key, SpellBase spell) {
    spells_.emplace_back(key, std::move(spell));
    return *this;
}

SpellTableBuilder& SpellTableBuilder::spell_set(std::uint32_t key, Tiers tiers) {
    sets_.emplace_back(key, std::move(tiers));
    return *this;
}

SpellTableBuilder& SpellTableBuilder::bucket_size(std::uint16_t value) {
    bucket_size_ = value;
    return *this;
}

std::vector<std::uint8_t> SpellTableBuilder::build() const {
    ByteBuilder b;
    b.u32(id_);
    b.u16(static_cast<std::uint16_t>(spells_.size())).u16(bucket_size_);
    for (const auto& [key, spell] : spells_) {
        b.u32(key);
        write_spell_base(b, spell);
    }
    b.u16(static_cast<std::uint16_t>(sets_.size())).u16(bucket_size_);
    for (const auto& [key, tiers] : sets_) {
        b.u32(key);
        b.u16(static_cast<std::uint16_t>(tiers.size())).u16(bucket_size_);
        for (const auto& [tier, list] : tiers) {
            b.u32(tier).i32(list.spell_count);
            for (std::uint32_t id : list.spells) b.u32(id);
        }
    }
    return b.take();
}

std::vector<std::uint8_t> build_spell_table(const SpellTable& table) {
    SpellTableBuilder builder(table.id);
    for (std::uint32_t key : sorted_keys(table.spells)) builder.spell(key, table.spells.at(key));
    for (std::uint32_t key : sorted_keys(table.spell_sets)) {
        const auto& set = table.spell_sets.at(key);
        SpellTableBuilder::Tiers tiers;
        for (std::uint32_t tier : sorted_keys(set.tiers)) tiers.emplace_back(tier, set.tiers.at(tier));
        builder.spell_set(key, std::move(tiers));
    }
    return builder.build();
}

SpellBase sample_spell(std::uint32_t seed, std::uint32_t meta_spell_type) {
    SpellBase s;
    s.name = "Spell " + std::to_string(seed);
    s.description = "Description of spell " + std::to_string(seed) + ".";
    s.school = 1 + seed % 5;
    s.icon_id = 0x06000000 + seed;
    s.category = seed % 40;
    s.bitfield = seed * 3;
    s.base_mana = 10 + seed % 300;
    s.base_range_constant = static_cast<float>(seed % 50) + 0.5f;
    s.base_range_mod = 0.1f * static_cast<float>(seed % 7);
    s.power = seed % 400;
    s.spell_economy_mod = seed + 1;
    s.formula_version = 1;
    s.component_loss = seed + 2;
    s.meta_spell_type = meta_spell_type;
    s.meta_spell_id = seed;
    if (meta_spell_type == 1 || meta_spell_type == 12)
        s.extras.value = SpellExtras::Enchantment{3600u + seed, seed + 5, seed + 6};
    else if (meta_spell_type == 7)
        s.extras.value = SpellExtras::PortalSummon{120u + seed};
    for (std::uint32_t i = 0; i < 8; ++i) s.raw_components[i] = seed * 8 + i;
    s.caster_effect = seed + 7;
    s.target_effect = seed + 8;
    s.fizzle_effect = seed + 9;
    s.recovery_interval = 0x0000000100000000ull + seed;
    s.recovery_amount = seed + 10;
    s.display_order = seed + 11;
    s.non_component_target_type = seed + 12;
    s.mana_mod = seed % 10;
    return s;
}

}  // namespace quorvel::test
