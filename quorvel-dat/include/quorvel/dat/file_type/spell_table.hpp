// The spell table record (file 0x0E00000E): every spell definition and the spell sets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "quorvel/common/byte_cursor.hpp"

namespace quorvel {

/// Type-dependent tail of a spell, chosen by `meta_spell_type`. The values are kept, not interpreted.
struct SpellExtras {
    /// Types 1 and 12: 16 bytes.
    struct Enchantment {
        std::uint64_t duration = 0;
        std::uint32_t degrade_modifier = 0;
        std::uint32_t degrade_limit = 0;
        bool operator==(const Enchantment&) const = default;
    };
    /// Type 7: 8 bytes.
    struct PortalSummon {
        std::uint64_t portal_lifetime = 0;
        bool operator==(const PortalSummon&) const = default;
    };
    /// Every other type: nothing stored.
    struct None {
        bool operator==(const None&) const = default;
    };

    std::variant<None, Enchantment, PortalSummon> value;

    bool operator==(const SpellExtras&) const = default;
};

/// One spell. Fields without a meaning here are kept at their stored width so the layout is honoured.
struct SpellBase {
    std::string name;
    std::string description;
    std::uint32_t school = 0;
    std::uint32_t icon_id = 0;
    std::uint32_t category = 0;
    std::uint32_t bitfield = 0;
    std::uint32_t base_mana = 0;
    float base_range_constant = 0;
    float base_range_mod = 0;
    std::uint32_t power = 0;
    std::uint32_t spell_economy_mod = 0;
    std::uint32_t formula_version = 0;
    std::uint32_t component_loss = 0;
    std::uint32_t meta_spell_type = 0;
    std::uint32_t meta_spell_id = 0;
    SpellExtras extras;
    std::array<std::uint32_t, 8> raw_components{};
    std::uint32_t caster_effect = 0;
    std::uint32_t target_effect = 0;
    std::uint32_t fizzle_effect = 0;
    std::uint64_t recovery_interval = 0;
    std::uint32_t recovery_amount = 0;
    std::uint32_t display_order = 0;
    std::uint32_t non_component_target_type = 0;
    std::uint32_t mana_mod = 0;

    bool operator==(const SpellBase&) const = default;
};

/// The spell ids of one tier of a spell set.
struct SpellSetTiers {
    std::int32_t spell_count = 0;
    std::vector<std::uint32_t> spells;

    bool operator==(const SpellSetTiers&) const = default;
};

struct SpellSet {
    std::unordered_map<std::uint32_t, SpellSetTiers> tiers;  // by tier number

    bool operator==(const SpellSet&) const = default;
};

struct SpellTable {
    static constexpr std::uint32_t file_id = 0x0E00000E;

    std::uint32_t id = 0;
    std::unordered_map<std::uint32_t, SpellBase> spells;    // by spell id
    std::unordered_map<std::uint32_t, SpellSet> spell_sets;  // by set id

    bool operator==(const SpellTable&) const = default;
};

/// Decodes the spell table from `cursor`, whose position 0 must be the record's first byte (names
/// and descriptions are aligned on absolute positions). Fails on end of data, on extras that do not
/// fit the spell's type, on a negative tier count, or on an alignment past the largest position;
/// the cursor is then back where it was.
RecordResult<SpellTable> read_spell_table(ByteCursor& cursor);

}  // namespace quorvel
