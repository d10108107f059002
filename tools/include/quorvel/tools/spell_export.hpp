// Selecting spells and fields from the spell table, and the JSON document they form.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "quorvel/dat/file_type/spell_table.hpp"
#include "quorvel/tools/error.hpp"
#include "quorvel/tools/output.hpp"

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

/// One exported member: a text, an unsigned integer, a float widened to double (empty for NaN and
/// infinities, written null), or the eight raw component words.
using SpellExportValue = std::variant<std::string, std::uint32_t, std::optional<double>, std::array<std::uint32_t, 8>>;

struct SpellExportSpell {
    std::uint32_t id = 0;
    std::vector<SpellExportValue> values;  // one per field of the document, in its order

    bool operator==(const SpellExportSpell&) const = default;
};

/// The exported document: the table's id, the resolved fields and the kept spells by ascending id.
struct SpellExportFile {
    std::uint32_t file_id = 0;
    std::vector<SpellExportField> fields;
    std::vector<SpellExportSpell> spells;

    /// The pretty-printed JSON text (no trailing line feed). Fails only if the JSON writer rejects
    /// the content (text that is not valid UTF-8).
    Result<std::string> to_json() const;

    bool operator==(const SpellExportFile&) const = default;
};

/// Keeps the spells that pass the school and category filters and takes the requested fields from
/// each. Cannot fail.
SpellExportFile export_spell_table(const SpellTable& table, const SpellExportRequest& request);

/// Writes the document and one line feed to `out`, or to the file `output` (creating its missing
/// parent directories) followed by a confirmation line on `out`. Fails if the JSON cannot be written,
/// a directory cannot be created or the file cannot be written.
Result<> write_spell_export(const SpellExportFile& file, const std::optional<std::filesystem::path>& output, Output& out);

}  // namespace quorvel
