// Decoding of the spell table: keyed tables of spells and spell sets.
#include "quorvel/dat/file_type/spell_table.hpp"

#include <fmt/format.h>

#include "quorvel/common/record_reader.hpp"
#include "quorvel/dat/utils/text.hpp"

namespace quorvel {

namespace {

// A 16-bit count, a 16-bit bucket size (present but unused), then (key, value) pairs. The table
// adds no context of its own: a short count, bucket size or key carries the enclosing field's.
template <class F>
auto read_keyed_table(ByteCursor& cursor, F&& read_value)
    -> RecordResult<std::unordered_map<std::uint32_t, typename std::invoke_result_t<F, ByteCursor&>::value_type>> {
    using Value = typename std::invoke_result_t<F, ByteCursor&>::value_type;
    RecordReader r(cursor, "");
    const std::uint16_t count = r.u16("");
    r.u16("");
    std::unordered_map<std::uint32_t, Value> table;
    if (r.ok()) table.reserve(count);  // at most 65535 entries
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
        const std::uint32_t key = r.u32("");
        Value value = r.read("", read_value);
        // A later entry under the same key replaces the earlier one.
        if (r.ok()) table.insert_or_assign(key, std::move(value));
    }
    return r.finish(std::move(table));
}

RecordResult<SpellExtras::Enchantment> read_enchantment(ByteCursor& cursor, std::uint32_t meta_spell_type) {
    RecordReader r(cursor, "SpellExtras::Enchantment");
    SpellExtras::Enchantment e;
    if (r.check(meta_spell_type == 1 || meta_spell_type == 12, "",
                "assertion failed: `meta_spell_type == 1 || meta_spell_type == 12`")) {
        e.duration = r.u64("duration");
        e.degrade_modifier = r.u32("degrade_modifier");
        e.degrade_limit = r.u32("degrade_limit");
    }
    return r.finish(e);
}

RecordResult<SpellExtras::PortalSummon> read_portal_summon(ByteCursor& cursor, std::uint32_t meta_spell_type) {
    RecordReader r(cursor, "SpellExtras::PortalSummon");
    SpellExtras::PortalSummon p;
    if (r.check(meta_spell_type == 7, "", "assertion failed: `meta_spell_type == 7`"))
        p.portal_lifetime = r.u64("portal_lifetime");
    return r.finish(p);
}

RecordResult<SpellExtras::None> read_no_extras(ByteCursor& cursor, std::uint32_t meta_spell_type) {
    RecordReader r(cursor, "SpellExtras::None");
    r.check(meta_spell_type != 1 && meta_spell_type != 7 && meta_spell_type != 12, "",
            "assertion failed: `meta_spell_type != 1 && meta_spell_type != 7 && meta_spell_type != 12`");
    return r.finish(SpellExtras::None{});
}

// One variant's failure in the combined error: its first line after the name, the rest indented.
void append_variant_failure(std::string& out, std::string_view variant, const RecordError& error) {
    out += fmt::format("\n  {}: {}", variant, error.cause());
    for (const auto& frame : error.frames()) out += fmt::format("\n    {}", frame);
}

// The variants are tried in order, each from the same position. A type 1, 7 or 12 spell whose extras
// are cut short fails as a whole rather than falling through to None.
RecordResult<SpellExtras> read_spell_extras(ByteCursor& cursor, std::uint32_t meta_spell_type) {
    const std::size_t start = cursor.position();
    auto enchantment = read_enchantment(cursor, meta_spell_type);
    if (enchantment) return SpellExtras{*enchantment};
    cursor.seek(start);
    auto portal = read_portal_summon(cursor, meta_spell_type);
    if (portal) return SpellExtras{*portal};
    cursor.seek(start);
    auto none = read_no_extras(cursor, meta_spell_type);
    if (none) return SpellExtras{*none};
    cursor.seek(start);

    std::string message = fmt::format("no variant of SpellExtras matched at position {}:", start);
    append_variant_failure(message, "Enchantment", enchantment.error());
    append_variant_failure(message, "PortalSummon", portal.error());
    append_variant_failure(message, "None", none.error());
    return std::unexpected(RecordError::assertion(start, std::move(message)));
}

RecordResult<std::array<std::uint32_t, 8>> read_raw_components(ByteCursor& cursor) {
    auto bytes = cursor.take(8 * 4);
    if (!bytes) return std::unexpected(std::move(bytes.error()));
    std::array<std::uint32_t, 8> words{};
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = load_le<std::uint32_t>(bytes->data() + 4 * i);
    return words;
}

RecordResult<SpellBase> read_spell_base(ByteCursor& cursor) {
    RecordReader r(cursor, "SpellBase");
    SpellBase s;
    s.name = r.read("name", read_obfuscated_string);
    r.align("_align1", 4);
    s.description = r.read("description", read_obfuscated_string);
    r.align("_align2", 4);
    s.school = r.u32("school");
    s.icon_id = r.u32("icon_id");
    s.category = r.u32("category");
    s.bitfield = r.u32("bitfield");
    s.base_mana = r.u32("base_mana");
    s.base_range_constant = r.f32("base_range_constant");
    s.base_range_mod = r.f32("base_range_mod");
    s.power = r.u32("power");
    s.spell_economy_mod = r.u32("spell_economy_mod");
    s.formula_version = r.u32("formula_version");
    s.component_loss = r.u32("component_loss");
    s.meta_spell_type = r.u32("meta_spell_type");
    s.meta_spell_id = r.u32("meta_spell_id");
    const std::uint32_t type = s.meta_spell_type;
    s.extras = r.read("extras", [type](ByteCursor& c) { return read_spell_extras(c, type); });
    s.raw_components = r.read("raw_components", read_raw_components);
    s.caster_effect = r.u32("caster_effect");
    s.target_effect = r.u32("target_effect");
    s.fizzle_effect = r.u32("fizzle_effect");
    s.recovery_interval = r.u64("recovery_interval");
    s.recovery_amount = r.u32("recovery_amount");
    s.display_order = r.u32("display_order");
    s.non_component_target_type = r.u32("non_component_target_type");
    s.mana_mod = r.u32("mana_mod");
    return r.finish(std::move(s));
}

RecordResult<SpellSetTiers> read_spell_set_tiers(ByteCursor& cursor) {
    RecordReader r(cursor, "SpellSetTiers");
    SpellSetTiers t;
    const std::size_t count_position = cursor.position();
    t.spell_count = r.i32("spell_count");
    if (r.ok() && t.spell_count < 0)
        r.fail("spell_count",
               RecordError::assertion(count_position, fmt::format("count {} out of range of usize", t.spell_count)));
    // Grows id by id: a large count with little data ends on end of data, not on a huge allocation.
    t.spells = r.repeat("spells", r.ok() ? static_cast<std::uint64_t>(t.spell_count) : 0, &ByteCursor::u32);
    return r.finish(std::move(t));
}

RecordResult<SpellSet> read_spell_set(ByteCursor& cursor) {
    RecordReader r(cursor, "SpellSet");
    SpellSet set;
    set.tiers = r.read("tiers", [](ByteCursor& c) { return read_keyed_table(c, read_spell_set_tiers); });
    return r.finish(std::move(set));
}

}  // namespace

RecordResult<SpellTable> read_spell_table(ByteCursor& cursor) {
    RecordReader r(cursor, "SpellTable");
    SpellTable table;
    table.id = r.u32("id");
    table.spells = r.read("spells", [](ByteCursor& c) { return read_keyed_table(c, read_spell_base); });
    table.spell_sets = r.read("spell_sets", [](ByteCursor& c) { return read_keyed_table(c, read_spell_set); });
    return r.finish(std::move(table));
}

}  // namespace quorvel
