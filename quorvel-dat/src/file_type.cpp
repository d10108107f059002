// The table of content types and the rules that map ids and headers onto it.
#include "quorvel/dat/file_type.hpp"

#include <algorithm>
#include <array>

#include "quorvel/dat/dat_file_entry.hpp"
#include "quorvel/dat/dat_header.hpp"

namespace quorvel {
namespace {

using enum DatFileType;

constexpr std::array<DatFileTypeInfo, 48> table{{
    {Unknown, "Unknown"},
    {Model, "Model (OBJ)"},
    {SetupModel, "SetupModel (SET)"},
    {Animation, "Animation (ANM)"},
    {Palette, "Palette (PAL)"},
    {SurfaceTexture, "SurfaceTexture (TEX)"},
    {Texture, "Texture (DDS/JPG)"},
    {Surface, "Surface (SUR)"},
    {MotionTable, "MotionTable (DSC)"},
    {Audio, "Audio (WAV)"},
    {EnvCell, "EnvCell (ENV)"},
    {Table, "Table"},
    {PaletteSet, "PaletteSet"},
    {Clothing, "Clothing (CLO)"},
    {DegradeInfo, "DegradeInfo"},
    {Scene, "Scene (SCN)"},
    {Region, "Region (RGN)"},
    {Keymap, "Keymap"},
    {RenderTexture, "RenderTexture"},
    {RenderMaterial, "RenderMaterial"},
    {MaterialModifier, "MaterialModifier"},
    {MaterialInstance, "MaterialInstance"},
    {RenderMesh, "RenderMesh"},
    {SoundTable, "SoundTable (STB)"},
    {Layout, "Layout"},
    {EnumMapper, "EnumMapper"},
    {StringTable, "StringTable"},
    {StringTableString, "StringTableString"},
    {DataIDMapper, "DataIDMapper"},
    {ActionMap, "ActionMap"},
    {DualDataIDMapper, "DualDataIDMapper"},
    {CombatManeuverTable, "CombatManeuverTable"},
    {LanguageString, "LanguageString"},
    {ParticleEmitter, "ParticleEmitter"},
    {PhysicsScript, "PhysicsScript"},
    {PhysicsScriptTable, "PhysicsScriptTable"},
    {MutateFilter, "MutateFilter"},
    {MasterProperty, "MasterProperty"},
    {Font, "Font"},
    {StringState, "StringState"},
    {BSPNodeType, "BSPNodeType"},
    {DatabaseProperties, "DatabaseProperties"},
    {IndoorCell, "IndoorCell"},
    {Landblock, "Landblock (Terrain)"},
    {LandblockInfo, "LandblockInfo (Static)"},
    {Iteration, "Iteration (Metadata)"},
    {Custom, "Custom"},
    {MotionKinematics, "MotionKinematics"},
}};

// Lookups use binary search, so the codes must be strictly ascending (which also makes them unique).
static_assert(std::ranges::adjacent_find(table, [](const auto& a, const auto& b) { return a.type >= b.type; }) ==
              table.end());
static_assert(std::ranges::none_of(table, [](const auto& t) { return t.label.empty(); }));

const DatFileTypeInfo* find(std::uint32_t code) {
    const auto it = std::ranges::lower_bound(table, code, {}, [](const auto& t) { return std::uint32_t(t.type); });
    return it != table.end() && std::uint32_t(it->type) == code ? &*it : nullptr;
}

constexpr std::uint32_t retail_magic = 0x5442;
constexpr std::uint32_t iteration_id = 0xFFFF0001;

}  // namespace

std::span<const DatFileTypeInfo> dat_file_types() { return table; }

std::string_view label(DatFileType type) {
    const auto* info = find(static_cast<std::uint32_t>(type));
    return info ? info->label : "Unknown";
}

std::optional<DatFileType> dat_file_type_from_code(std::uint32_t code) {
    const auto* info = find(code);
    return info ? std::optional(info->type) : std::nullopt;
}

DatFileType classify_portal_prefix(std::uint8_t prefix) {
    if (prefix == 0x07) return Texture;
    // The cell-record codes share the byte range but are never named by a prefix.
    if (prefix >= static_cast<std::uint8_t>(IndoorCell)) return Unknown;
    return dat_file_type_from_code(prefix).value_or(Unknown);
}

DatKind dat_kind(const DatHeader& header) {
    if (header.magic != retail_magic) return DatKind::Unrecognized;
    if (header.block_size == 256) return header.dataset == 2 ? DatKind::Cell : DatKind::OtherRetail;
    if (header.block_size == 1024) return header.dataset == 1 ? DatKind::Portal : DatKind::OtherRetail;
    return DatKind::OtherRetail;
}

DatFileType DatFileEntry::file_type_in_dat(DatKind kind) const {
    if (id == iteration_id) return Iteration;
    const auto prefix = static_cast<std::uint8_t>(id >> 24);
    const auto low = static_cast<std::uint16_t>(id);
    const auto cell_type = [low] {
        if (low == 0xFFFF) return Landblock;
        if (low == 0xFFFE) return LandblockInfo;
        return low == 0 ? Unknown : IndoorCell;
    };
    switch (kind) {
        case DatKind::Portal:
        case DatKind::OtherRetail: return classify_portal_prefix(prefix);
        case DatKind::Cell: return cell_type();
        case DatKind::Unrecognized: {
            if (low == 0xFFFF || low == 0xFFFE) return cell_type();
            const auto by_prefix = classify_portal_prefix(prefix);
            return by_prefix != Unknown ? by_prefix : cell_type();
        }
    }
    return Unknown;
}

}  // namespace quorvel
