// Selecting spells and fields from the spell table, and the JSON document they form.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvel {

enum class SpellExportField {
    Name,
    Description,
    School,
    Category,
    Bitfield,
    BaseMana,
    BaseRangeConstant,
    BaseRangeMod,
    Power,
    RawComponents,
    ManaMod,
    FormulaVersion,
};

enum class SpellFieldPreset { Base, Minimal };

enum class SpellSchool { War, Life, Item, Creature, Void };

struct SpellExportFieldInfo {
    SpellExportField field;
    std::string_view cli_name;
    std::string_view json_key;
};

inline constexpr std::array<SpellExportFieldInfo, 12> spell_export_fields{{
    {SpellExportField::Name, "name", "name"},
    {SpellExportField::Description, "description", "description"},
    {SpellExportField::School, "school", "school"},
    {SpellExportField::Category, "category", "category"},
    {SpellExportField::Bitfield, "bitfield", "bitfield"},
    {SpellExportField::BaseMana, "base-mana", "base_mana"},
    {SpellExportField::BaseRangeConstant, "base-range-constant", "base_range_constant"},
    {SpellExportField::BaseRangeMod, "base-range-mod", "base_range_mod"},
    {SpellExportField::Power, "power", "power"},
    {SpellExportField::RawComponents, "raw-components", "raw_components"},
    {SpellExportField::ManaMod, "mana-mod", "mana_mod"},
    {SpellExportField::FormulaVersion, "formula-version", "formula_version"},
}};

inline constexpr std::array<std::string_view, 5> spell_school_names{"war", "life", "item", "creature", "void"};
inline constexpr std::array<std::string_view, 2> spell_preset_names{"base", "minimal"};

struct SpellExportRequest {
    std::vector<SpellSchool> schools;
    std::vector<std::uint32_t> categories;
    std::vector<SpellExportField> fields;
    SpellFieldPreset preset = SpellFieldPreset::Base;

    /// The explicit fields, or else the preset's, each kept the first time it appears.
    std::vector<SpellExportField> resolved_fields() const;

    bool operator==(const SpellExportRequest&) const = default;
};

}  // namespace quorvel
