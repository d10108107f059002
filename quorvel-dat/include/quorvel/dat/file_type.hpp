// Content types of DAT entries, their codes and labels, and the kind of a DAT file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include <fmt/format.h>

namespace quorvel {

struct DatHeader;

/// The content type of an entry; the value is the code stored in QVA entries and printed by the tool.
enum class DatFileType : std::uint32_t {
    Unknown = 0x00,
    Model = 0x01,
    SetupModel = 0x02,
    Animation = 0x03,
    Palette = 0x04,
    SurfaceTexture = 0x05,
    Texture = 0x06,
    Surface = 0x08,
    MotionTable = 0x09,
    Audio = 0x0A,
    EnvCell = 0x0D,
    Table = 0x0E,
    PaletteSet = 0x0F,
    Clothing = 0x10,
    DegradeInfo = 0x11,
    Scene = 0x12,
    Region = 0x13,
    Keymap = 0x14,
    RenderTexture = 0x15,
    RenderMaterial = 0x16,
    MaterialModifier = 0x17,
    MaterialInstance = 0x18,
    RenderMesh = 0x19,
    SoundTable = 0x20,
    Layout = 0x21,
    EnumMapper = 0x22,
    StringTable = 0x23,
    StringTableString = 0x24,
    DataIDMapper = 0x25,
    ActionMap = 0x26,
    DualDataIDMapper = 0x27,
    CombatManeuverTable = 0x30,
    LanguageString = 0x31,
    ParticleEmitter = 0x32,
    PhysicsScript = 0x33,
    PhysicsScriptTable = 0x34,
    MutateFilter = 0x38,
    MasterProperty = 0x39,
    Font = 0x40,
    StringState = 0x41,
    BSPNodeType = 0x42,
    DatabaseProperties = 0x78,
    IndoorCell = 0xFD,
    Landblock = 0xFE,
    LandblockInfo = 0xFF,
    Iteration = 0xFE01,
    Custom = 0xFFFFFF00,
    MotionKinematics = 0xFFFFFF01,
};

/// Which kind of DAT file a header describes.
enum class DatKind { Portal, Cell, OtherRetail, Unrecognized };

struct DatFileTypeInfo {
    DatFileType type;
    std::string_view label;
};

/// All 48 types in ascending code order.
std::span<const DatFileTypeInfo> dat_file_types();

/// The display label ("Texture (DDS/JPG)", ...). Never fails.
std::string_view label(DatFileType type);

/// The type with this code; nullopt for a code that names no type.
std::optional<DatFileType> dat_file_type_from_code(std::uint32_t code);

/// The type named by the top byte of a file id in portal-style files; Unknown when the prefix has none.
DatFileType classify_portal_prefix(std::uint8_t prefix);

/// The kind of DAT file, from the header's magic, block size and dataset. Never fails.
DatKind dat_kind(const DatHeader& header);

}  // namespace quorvel

/// Formats a DatFileType as its label; width and alignment apply to the label.
template <>
struct fmt::formatter<quorvel::DatFileType> : fmt::formatter<std::string_view> {
    template <class FormatContext>
    auto format(quorvel::DatFileType type, FormatContext& ctx) const {
        return fmt::formatter<std::string_view>::format(quorvel::label(type), ctx);
    }
};
