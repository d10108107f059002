// make-sample: writes the bundled sample (a portal DAT file, a cell DAT file and a directory to pack).
//
//   make-sample DIR    writes DIR/portal.dat, DIR/cell.dat and DIR/pack/[ID].[TYPE]
//
// Every byte is generated here, so the demo and the tests need no game files.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "quorvel/test_support/landblock_builder.hpp"
#include "quorvel/test_support/spell_builder.hpp"
#include "quorvel/test_support/weenie_builder.hpp"

namespace quorvel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An 8 x 8 grey baseline JPEG: one block whose only coefficient is a zero DC difference, coded with
// one-symbol Huffman tables. Lengths inside JPEG segments are big-endian.
Bytes tiny_jpeg() {
    Bytes jpeg = {
        0xFF, 0xD8,                                            // SOI
        0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,      // APP0 JFIF, 16 bytes
        0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,  //   version 1.1, aspect 1:1, no thumbnail
        0xFF, 0xDB, 0x00, 0x43, 0x00,                          // DQT, 67 bytes, 8-bit table 0
    };
    jpeg.insert(jpeg.end(), 64, 0x01);                         //   every quantiser 1
    const Bytes rest = {
        0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x08,  // SOF0, 8-bit samples, 8 high, 8 wide
        0x01, 0x01, 0x11, 0x00,                                //   one component: id 1, 1x1, table 0
        0xFF, 0xC4, 0x00, 0x14, 0x00,                          // DHT, DC table 0
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,        //   one code of length 1 ...
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00,                                                  //   ... for category 0
        0xFF, 0xC4, 0x00, 0x14, 0x10,                          // DHT, AC table 0
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,        //   one code of length 1 ...
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00,                                                  //   ... for end of block
        0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00,  // SOS, component 1, tables 0/0
        0x3F,                                                  // DC "0", EOB "0", padded with ones
        0xFF, 0xD9,                                            // EOI
    };
    jpeg.insert(jpeg.end(), rest.begin(), rest.end());
    return jpeg;
}

// Texture: id, an unused word, width, height, format, length of the pixel data, then the pixels.
Bytes texture(std::uint32_t id, std::uint32_t width, std::uint32_t height, std::uint32_t format, const Bytes& pixels) {
    ByteBuilder b;
    b.u32(id).u32(0).u32(width).u32(height).u32(format).u32(static_cast<std::uint32_t>(pixels.size())).bytes(pixels);
    return b.take();
}

Bytes jpeg_texture() { return texture(0x06000001, 8, 8, 500, tiny_jpeg()); }

// A 16 x 16 A8R8G8B8 gradient (format 21): compresses well.
Bytes gradient_texture(std::uint32_t id) {
    ByteBuilder pixels;
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < 16; ++x) pixels.u8(static_cast<std::uint8_t>(16 * x)).u8(static_cast<std::uint8_t>(16 * y)).u8(0x40).u8(0xFF);
    return texture(id, 16, 16, 21, pixels.take());
}

// Sound: id, an unused word, the sample byte count, a PCM format block (bytes 12-27), two unused
// bytes, then 16-bit mono samples of a 440 Hz tone at 22050 Hz.
Bytes tone_sound(std::uint32_t id, double seconds) {
    constexpr std::uint32_t rate = 22050;
    const auto samples = static_cast<std::uint32_t>(seconds * rate);
    ByteBuilder b;
    b.u32(id).u32(0).u32(2 * samples);
    b.u16(1).u16(1).u32(rate).u32(2 * rate).u16(2).u16(16);  // PCM, mono, rate, byte rate, block align, bits
    b.u16(0);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double phase = 2 * std::numbers::pi * 440.0 * i / rate;
        b.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(8000 * std::sin(phase)))));
    }
    return b.take();
}

// A model-like record with many repeated vertices: compresses well.
Bytes model(std::uint32_t id) {
    ByteBuilder b;
    b.u32(id).u32(1).u32(64);
    for (std::uint32_t i = 0; i < 64; ++i) b.f32(static_cast<float>(i % 4)).f32(static_cast<float>(i / 4 % 4)).f32(0.5f);
    return b.take();
}

// Bytes that do not compress (xorshift).
Bytes noise(std::size_t n, std::uint32_t seed) {
    Bytes out(n);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& byte : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return out;
}

Bytes palette(std::uint32_t id) {
    ByteBuilder b;
    b.u32(id).u32(256);
    for (std::uint32_t i = 0; i < 256; ++i) b.u8(static_cast<std::uint8_t>(i)).u8(static_cast<std::uint8_t>(i / 2)).u8(0).u8(0xFF);
    return b.take();
}

Bytes string_table(std::uint32_t id) {
    ByteBuilder b;
    b.u32(id);
    for (int i = 0; i < 20; ++i) b.text(fmt::format("You have entered the Sample Lands, stop {}.\n", i));
    return b.take();
}

// Weenie property numbers used below.
namespace prop {
constexpr std::uint32_t item_type = 1, encumbrance = 5, value = 19, level = 25;
constexpr std::uint32_t stuck = 1, attackable = 19;
constexpr std::uint32_t default_scale = 39;
constexpr std::uint32_t name = 1, use = 14, long_desc = 16;
constexpr std::uint32_t setup = 1, sound_table = 3, icon = 8;
}  // namespace prop

WeenieBuilder copper_key() {
    WeenieBuilder w(2753, 22);  // a key
    w.int_property(prop::item_type, 0x4000).int_property(prop::encumbrance, 10).int_property(prop::value, 25);
    w.bool_property(prop::attackable, 0);
    w.float_property(prop::default_scale, 0.8);
    w.string_property(prop::name, "Copper Key").string_property(prop::use, "Opens the copper door.");
    w.data_id_property(prop::setup, 0x02000155).data_id_property(prop::icon, 0x060012F4);
    return w;
}

WeenieBuilder training_sword() {
    WeenieBuilder w(200, 6);  // a melee weapon
    w.int_property(prop::item_type, 1).int_property(prop::encumbrance, 150).int_property(prop::value, 40);
    w.float_property(prop::default_scale, 1.0);
    w.string_property(prop::name, "Training Sword")
        .string_property(prop::long_desc, "A blunt blade, good enough to practise with.");
    w.data_id_property(prop::setup, 0x02000100).data_id_property(prop::icon, 0x06001F00);
    return w;
}

WeenieBuilder drudge() {
    WeenieBuilder w(3000, 10);  // a creature
    w.int_property(prop::level, 5).int64_property(1, 1500);
    w.bool_property(prop::stuck, 1).bool_property(prop::attackable, 1);
    w.float_property(prop::default_scale, 1.2);
    w.string_property(prop::name, "Wandering Drudge");
    w.data_id_property(prop::setup, 0x02000001).data_id_property(prop::sound_table, 0x20000003);
    return w;
}

// No name and no icon: the "weenie" command prints neither line for it.
WeenieBuilder portal_marker() {
    WeenieBuilder w(4100, 7);
    w.int_property(prop::item_type, 0x10000).instance_id_property(1, 0x7F000001);
    return w;
}

Bytes weenie_table_main() {
    WeenieTableBuilder t(0x0E000003);
    t.add(2753, copper_key()).add(200, training_sword()).add(3000, drudge()).add(4100, portal_marker());
    return t.bytes();
}

// A second table that also holds WCID 2753, so a search finds it twice.
Bytes weenie_table_event() {
    WeenieBuilder key(2753, 22);
    key.string_property(prop::name, "Copper Key (festival)").data_id_property(prop::icon, 0x060012F5);
    WeenieTableBuilder t(0x0E000004);
    t.add(2753, std::move(key)).add(5001, WeenieBuilder(5001, 1).string_property(prop::name, "Festival Lantern"));
    return t.bytes();
}

SpellBase spell(std::string name, std::string description, std::uint32_t school, std::uint32_t category,
                std::uint32_t power, std::uint32_t meta_spell_type, std::uint32_t seed) {
    SpellBase s = sample_spell(seed, meta_spell_type);
    s.name = std::move(name);
    s.description = std::move(description);
    s.school = school;
    s.category = category;
    s.power = power;
    return s;
}

// Spell texts stored as windows-1252 bytes (no byte-order mark), which the builder does not write:
// the fields after the two texts do not depend on their position, so they are taken from the
// same spell written with empty texts at an aligned position (2 + 2 bytes of empty texts, each
// padded to 4).
void write_windows_1252_spell(ByteBuilder& b, const SpellBase& s, const Bytes& name, const Bytes& description) {
    SpellBase blank = s;
    blank.name.clear();
    blank.description.clear();
    ByteBuilder tail;
    write_spell_base(tail, blank);
    write_obfuscated_string(b, name);
    b.align(4);
    write_obfuscated_string(b, description);
    b.align(4);
    b.bytes(std::span(tail.data()).subspan(8));
}

constexpr std::uint16_t bucket_size = 64;

Bytes spell_table() {
    std::vector<std::pair<std::uint32_t, SpellBase>> spells = {
        {1, spell("Strength Other I", "Increases the target's Strength by 10 points.", 4, 1, 1, 1, 1)},
        {2, spell("Heal Self I", "Restores 10-25 points of your Health.", 2, 67, 1, 2, 2)},
        {10, spell("Blood Drinker I", "Increases a weapon's damage by 1 point.", 3, 154, 1, 12, 10)},
        {27, spell("Flame Bolt I", "Shoots a bolt of flame at the target.", 1, 37, 1, 2, 27)},
        {28, spell("Flame Bolt II", "Shoots a bolt of flame at the target.", 1, 37, 50, 2, 28)},
        {157, spell("Summon Primary Portal I", "Summons a portal to your primary tie point.", 3, 214, 50, 7, 157)},
        {302, spell("Nether Bolt \u2620", "Shoots a bolt of nether at the target. \u2014 UTF-8 behind a mark.", 5, 628, 300, 2,
                    302)},
    };
    ByteBuilder b;
    b.u32(0x0E00000E);
    b.u16(static_cast<std::uint16_t>(spells.size() + 2)).u16(bucket_size);
    for (const auto& [key, s] : spells) {
        b.u32(key);
        write_spell_base(b, s);
    }
    // "Évocation de la Flamme" and "Frost Lance…" in windows-1252: É is C9, the ellipsis 85.
    const std::string evocation = "\xC9vocation de la Flamme";
    const std::string frost = "Frost Lance\x85";
    b.u32(300);
    write_windows_1252_spell(b, spell("", "", 1, 37, 200, 2, 300), Bytes(evocation.begin(), evocation.end()),
                             Bytes{'E', 'n', 'f', 'l', 'a', 'm', 'm', 'e', ' ', 'l', 'a', ' ', 'c', 'i', 'b', 'l', 'e', '.'});
    b.u32(301);
    write_windows_1252_spell(b, spell("", "", 1, 39, 150, 1, 301), Bytes(frost.begin(), frost.end()),
                             Bytes{'C', 'h', 'i', 'l', 'l', 's', '.'});

    // Spell sets: set 1 with two tiers, set 5 with one empty tier.
    b.u16(2).u16(bucket_size);
    b.u32(1).u16(2).u16(bucket_size);
    b.u32(1).i32(2).u32(1).u32(2);
    b.u32(2).i32(2).u32(27).u32(28);
    b.u32(5).u16(1).u16(bucket_size);
    b.u32(0).i32(0);
    return b.take();
}

// A weenie record stored on its own, for the "weenie" command.
Bytes bare_weenie() { return copper_key().bytes(); }

CellLandblock terrain(std::uint32_t id, std::uint32_t has_objects, auto height_at) {
    CellLandblock c{.id = id, .has_objects = has_objects, .terrain = {}, .height = {}};
    for (std::size_t column = 0; column < CellLandblock::grid_side; ++column)
        for (std::size_t row = 0; row < CellLandblock::grid_side; ++row) {
            c.terrain.push_back(static_cast<std::uint16_t>(0x0044 + 4 * ((column + row) % 3)));
            c.height.push_back(static_cast<std::uint8_t>(height_at(static_cast<int>(column), static_cast<int>(row))));
        }
    return c;
}

Frame at(float x, float y, float z) { return Frame{.origin = {x, y, z}, .orientation = {1, 0, 0, 0}}; }

// A hill with a cottage and a tower, two indoor cells and a restriction table.
LandblockInfo hill_info() {
    LandblockInfo info;
    info.id = 0xA9B4FFFE;
    info.num_cells = 2;
    info.objects = {{.id = 0x01000001, .frame = at(12.5f, 30, 40)}, {.id = 0x02000155, .frame = at(150, 170.75f, 22)}};
    BuildInfo cottage{.model_id = 0x01000A51, .frame = at(96, 48.5f, 0), .num_leaves = 3, .portals = {}};
    cottage.portals.push_back({.flags = 2, .other_cell_id = 0x0100, .other_portal_id = 0, .stab_list = {0x0100}});
    BuildInfo tower{.model_id = 0x01000B07, .frame = at(120.25f, 72, 12.5f), .num_leaves = 5, .portals = {}};
    tower.portals.push_back({.flags = 2, .other_cell_id = 0x0101, .other_portal_id = 1, .stab_list = {0x0100, 0x0101}});
    tower.portals.push_back({.flags = 0, .other_cell_id = 0xFFFF, .other_portal_id = 0xFFFF, .stab_list = {}});
    info.buildings = {cottage, tower};
    info.pack_mask = 1;
    info.restriction_tables = RestrictionTable{.tables = {{0xA9B40100, 0x7001}, {0xA9B40101, 0x7002}}};
    return info;
}

// Objects but no buildings.
LandblockInfo grove_info() {
    LandblockInfo info;
    info.id = 0x7D64FFFE;
    info.objects = {{.id = 0x02000A01, .frame = at(24, 24, 8)},
                    {.id = 0x02000A01, .frame = at(48, 36, 8.25f)},
                    {.id = 0x02000A02, .frame = at(60.5f, 12, 9)}};
    return info;
}

// An indoor cell's bytes are not decoded by the tools; any content will do.
Bytes indoor_cell(std::uint32_t id) {
    ByteBuilder b;
    b.u32(0).u32(id).u8(1).u8(0).u16(0x0D00).u32(0x0D000001);
    b.bytes(noise(40, id));
    return b.take();
}

DatImage portal_dat() {
    DatWriter w;
    w.add(0x06000001, jpeg_texture());
    w.add(0x06000002, gradient_texture(0x06000002), {.compress = true});
    w.add(0x0A000001, tone_sound(0x0A000001, 0.2));
    w.add(0x01000001, model(0x01000001), {.compress = true});
    w.add(0x04000001, palette(0x04000001));
    w.add(0x0E000003, weenie_table_main(), {.compress = true});
    w.add(0x0E000004, weenie_table_event());
    w.add(0x0E00000E, spell_table());
    w.add(0x0E100001, bare_weenie());
    w.add(0x23000001, string_table(0x23000001), {.compress = true});
    return std::move(w).finish();
}

DatImage cell_dat() {
    DatWriter w({.header = cell_header()});
    w.add(0xA9B4FFFF, cell_landblock_bytes(terrain(0xA9B4FFFF, 1, [](int c, int r) {
              return 10 + 8 * (8 - std::abs(c - 4) - std::abs(r - 4));
          })));
    w.add(0xA9B4FFFE, landblock_info_bytes(hill_info()), {.compress = true});
    w.add(0xA9B40100, indoor_cell(0xA9B40100));
    w.add(0xA9B40101, indoor_cell(0xA9B40101));
    // Flat ground with one spike, and no info record.
    w.add(0x1234FFFF, cell_landblock_bytes(terrain(0x1234FFFF, 0, [](int c, int r) { return c == 4 && r == 4 ? 255 : 7; })));
    w.add(0x7D64FFFF, cell_landblock_bytes(terrain(0x7D64FFFF, 1, [](int c, int) { return 40 + 3 * c; })));
    w.add(0x7D64FFFE, landblock_info_bytes(grove_info()));
    return std::move(w).finish();
}

// A dozen loose files for qva-pack: some that compress well and some that do not.
std::vector<std::pair<std::string, Bytes>> pack_files() {
    return {
        {"06000001.6", jpeg_texture()},
        {"06000002.6", gradient_texture(0x06000002)},
        {"06000003.6", texture(0x06000003, 8, 8, 21, noise(256, 3))},
        {"0A000001.A", tone_sound(0x0A000001, 0.2)},
        {"01000001.1", model(0x01000001)},
        {"04000001.4", palette(0x04000001)},
        {"08000001.8", noise(64, 8)},
        {"0D000001.D", noise(700, 13)},
        {"0E000003.E", weenie_table_main()},
        {"0E000004.E", weenie_table_event()},
        {"0E00000E.E", spell_table()},
        {"23000001.23", string_table(0x23000001)},
    };
}

bool write_bytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

int run(const std::filesystem::path& dir) {
    std::error_code ec;
    // The pack directory is rebuilt so that a file left from an older sample cannot get packed.
    std::filesystem::remove_all(dir / "pack", ec);
    if (!ec) std::filesystem::create_directories(dir / "pack", ec);
    if (ec) {
        std::fprintf(stderr, "make-sample: cannot create %s: %s\n", (dir / "pack").c_str(), ec.message().c_str());
        return 1;
    }
    if (!portal_dat().write(dir / "portal.dat") || !cell_dat().write(dir / "cell.dat")) {
        std::fprintf(stderr, "make-sample: cannot write the DAT files in %s\n", dir.c_str());
        return 1;
    }
    for (const auto& [name, bytes] : pack_files()) {
        if (!write_bytes(dir / "pack" / name, bytes)) {
            std::fprintf(stderr, "make-sample: cannot write %s\n", (dir / "pack" / name).c_str());
            return 1;
        }
    }
    std::printf("wrote %s, %s and %zu files in %s\n", (dir / "portal.dat").c_str(), (dir / "cell.dat").c_str(),
                pack_files().size(), (dir / "pack").c_str());
    return 0;
}

}  // namespace
}  // namespace quorvel::test

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample DIR\n");
        return 2;
    }
    return quorvel::test::run(argv[1]);
}
