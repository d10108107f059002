// Writes the seed inputs of every fuzz target: a few valid images each, made with the test-support writers.
//   quorvel-fuzz-seeds OUTDIR    -> OUTDIR/<target>/<name>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/dat/archive/qva_writer.hpp"
#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "quorvel/test_support/landblock_builder.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"
#include "quorvel/test_support/spell_builder.hpp"
#include "quorvel/test_support/weenie_builder.hpp"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace quorvel::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

bool failed = false;

void put(const fs::path& dir, std::string_view target, std::string_view name, const Bytes& bytes) {
    const fs::path folder = dir / target;
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (ec || !file) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
        failed = true;
    }
}

Bytes text_bytes(std::string_view s) { return {s.begin(), s.end()}; }

// Deterministic bytes that do not compress, so long entries span many blocks.
Bytes noise(std::size_t n, std::uint32_t seed) {
    Bytes out(n);
    for (auto& b : out) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return out;
}

// Text with repeats at short and long distances, so the encoder emits every kind of back-reference.
Bytes repetitive(std::size_t n) {
    Bytes out;
    const std::string_view words[] = {"landblock ", "weenie ", "aaaaaaaa", "ab", "spell table ", "\x01\x02\x03"};
    for (std::size_t k = 0; out.size() < n; ++k) {
        const auto w = words[(k * 7 + k / 3) % std::size(words)];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(n);
    return out;
}

WeenieBuilder sample_weenie(std::uint32_t class_id) {
    WeenieBuilder w(class_id, 1);
    w.int_property(1, 42).int_property(25, -3);
    w.int64_property(1, 1'000'000'000'000);
    w.bool_property(1, 1).bool_property(2, 0);
    w.float_property(1, 1.5);
    w.string_property(1, "Pathwarden Robe").string_property(16, "odd").string_property(5, "");
    w.data_id_property(8, 0x06001234);
    w.instance_id_property(1, 0x50000001);
    return w;
}

void dat_seeds(const fs::path& dir) {
    put(dir, "dat_open", "empty", DatWriter().finish().bytes);

    {
        DatWriter w;
        w.add(0x06000001, text_bytes("JFIF texture bytes"));
        w.add(0x06000002, repetitive(3000), {.compress = true});
        w.add(0x0A000001, noise(2500, 7));  // three blocks
        w.add(0x0E00000E, build_spell_table(SpellTable{}), {.timestamp = 5, .version = 2});
        w.add(0x0E000003, Bytes{}, {.bit_flags = 0x20000});
        put(dir, "dat_open", "portal", std::move(w).finish().bytes);
    }
    {
        // Two entries per node: a tree four levels deep.
        DatWriterOptions options;
        options.header = cell_header();
        options.max_entries_per_node = 2;
        DatWriter w(options);
        for (std::uint32_t lb = 0; lb < 12; ++lb) {
            const std::uint32_t base = (0x7000u + lb * 0x101u) << 16;
            w.add(base | 0xFFFF, cell_landblock_bytes(sample_cell_landblock(base | 0xFFFF)), {.compress = lb % 2 == 0});
            w.add(base | 0xFFFE, landblock_info_bytes(sample_landblock_info(base | 0xFFFE)), {.compress = lb % 3 == 0});
        }
        put(dir, "dat_open", "cell-deep", std::move(w).finish().bytes);
    }
    {
        // Small blocks: long chains for every node and entry.
        DatWriterOptions options;
        options.header.block_size = 64;
        options.max_entries_per_node = 3;
        DatWriter w(options);
        for (std::uint32_t k = 0; k < 10; ++k) w.add(0x0D000000 + k, repetitive(100 + 40 * k), {.compress = k % 2 == 1});
        put(dir, "dat_open", "small-blocks", std::move(w).finish().bytes);
    }
    {
        // A hand-built root with one child.
        DatWriter w;
        DatNode leaf;
        leaf.entries.push_back(w.store_entry(0x06000010, text_bytes("leaf entry")));
        const std::uint32_t child = w.store_node(leaf);
        DatNode root;
        root.branches[0] = child;
        root.entries.push_back(w.store_entry(0x06000020, repetitive(200), {.compress = true}));
        const std::uint32_t root_offset = w.store_node(root);
        put(dir, "dat_open", "hand-built", std::move(w).finish_with_root(root_offset).bytes);
    }
}

void lrs_seeds(const fs::path& dir) {
    put(dir, "lrs", "text", compress_lrs(repetitive(2000)));
    put(dir, "lrs", "zeros", compress_lrs(Bytes(600, 0)));
    put(dir, "lrs", "noise", compress_lrs(noise(300, 3)));
    put(dir, "lrs", "weenie", compress_lrs(sample_weenie(7).bytes()));
    put(dir, "lrs", "short", Bytes{1, 2});
}

void text_seeds(const fs::path& dir) {
    put(dir, "text", "windows-1252", text_bytes("caf\xE9 \x80 \x9F plain"));
    put(dir, "text", "utf-8", text_bytes("\xEF\xBB\xBFgr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"));
    put(dir, "text", "utf-16le", Bytes{0xFF, 0xFE, 'h', 0, 'i', 0, 0x3D, 0xD8, 0x00, 0xDE, 0xAC, 0x20});
    put(dir, "text", "utf-16be", Bytes{0xFE, 0xFF, 0, 'h', 0, 'i', 0xD8, 0x3D, 0xDE, 0x00, 0xDC, 0x00});
    // Strings back to back under each count width; the other readers see other counts.
    ByteBuilder b;
    b.u8(5).text("hello").u16(3).text("abc").u32(4).text("\xEF\xBB\xBFx!");
    put(dir, "text", "pstrings", b.take());
    ByteBuilder o;
    write_obfuscated_string(o, text_bytes("Strength Self"));
    write_obfuscated_string(o, text_bytes(""));
    put(dir, "text", "obfuscated", o.take());
}

void landblock_seeds(const fs::path& dir) {
    put(dir, "terrain", "sample", cell_landblock_bytes(sample_cell_landblock(0xA9B4FFFF)));
    put(dir, "landblock_info", "sample", landblock_info_bytes(sample_landblock_info(0xA9B4FFFE)));
    LandblockInfo bare;
    bare.id = 0x0101FFFE;
    bare.num_cells = 3;
    put(dir, "landblock_info", "bare", landblock_info_bytes(bare));
}

void weenie_seeds(const fs::path& dir) {
    put(dir, "weenie", "full", sample_weenie(0x1234).bytes());
    put(dir, "weenie", "empty", WeenieBuilder(1, 0).bytes());
    ByteBuilder two;
    sample_weenie(1).write(two);
    WeenieBuilder(2, 3).string_property(1, "x").unused_word(9).write(two);
    put(dir, "weenie", "two", two.take());

    WeenieTableBuilder table(0x0E00001E);
    table.add(1, sample_weenie(1)).add(2, WeenieBuilder(2, 0)).add(1, WeenieBuilder(3, 1).string_property(1, "again"));
    put(dir, "weenie_table", "three", table.bytes());
    put(dir, "weenie_table", "empty", WeenieTableBuilder(0x0E00001E).bytes());
}

void spell_seeds(const fs::path& dir) {
    SpellTableBuilder table;
    std::uint32_t key = 1;
    for (const std::uint32_t type : {1u, 2u, 7u, 12u, 3u}) {
        table.spell(key, sample_spell(key * 31, type));
        ++key;
    }
    SpellBase named = sample_spell(99, 1);
    named.name = "Flame Bolt \xC3\xA9";
    named.description = "Shoots a bolt of flame.";
    table.spell(key, named);
    table.spell_set(5, {{1, SpellSetTiers{2, {1, 2}}}, {3, SpellSetTiers{0, {}}}});
    table.spell_set(6, {{2, SpellSetTiers{1, {4}}}});
    put(dir, "spell_table", "sample", table.build());
    put(dir, "spell_table", "empty", build_spell_table(SpellTable{}));
}

// The writer makes the file itself; its bytes are copied from where it put them.
void put_qva(const fs::path& dir, std::string_view name, QvaWriter writer) {
    const fs::path folder = dir / "qva";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (auto written = std::move(writer).write(folder / name); !written) {
        std::fprintf(stderr, "cannot write %s: %s\n", (folder / name).c_str(), written.error().message().c_str());
        failed = true;
    }
}

void qva_seeds(const fs::path& dir) {
    put_qva(dir, "empty", QvaWriter{});
    {
        QvaWriter w;
        w.compress = true;
        bool ok = w.add("eor/portal", 0x06000001, 6, repetitive(4000)).has_value();
        ok = ok && w.add("eor/portal", 0x06000002, 6, noise(300, 5)).has_value();  // stays raw: does not shrink
        ok = ok && w.add("eor/portal", 0x0E00000E, 0x0E, build_spell_table(SpellTable{})).has_value();
        ok = ok && w.insert("eor/portal", 0x0A000003, 10, text_bytes("pruned"), true).has_value();
        ok = ok && w.add("eor/cell", 0xA9B4FFFF, 0, cell_landblock_bytes(sample_cell_landblock(0xA9B4FFFF))).has_value();
        ok = ok && w.add("eor/cell", 0xA9B4FFFE, 0, landblock_info_bytes(sample_landblock_info(0xA9B4FFFE))).has_value();
        failed = failed || !ok;
        put_qva(dir, "two-namespaces", std::move(w));
    }
    {
        QvaWriter w;
        w.compress = false;
        bool ok = true;
        for (std::uint32_t k = 0; k < 20; ++k)
            ok = ok && w.add("eor/portal", 0x0D000000 + k * 3, 13, repetitive(10 + k * 5)).has_value();
        failed = failed || !ok;
        put_qva(dir, "raw", std::move(w));
    }
}

void cli_seeds(const fs::path& dir) {
    const std::vector<std::vector<std::string_view>> lines = {
        {"meta", "portal.dat"},
        {"list", "cell.qva"},
        {"info", "portal.dat", "0x06000123", "--namespace", "eor/portal"},
        {"export", "portal.dat", "100", "-o", "out.bin"},
        {"extract", "portal.qva", "7F", "--namespace=eor/portal", "--output", "x.jpg"},
        {"spell-export", "portal.dat", "--schools", "war,life", "--categories", "1,2", "--fields", "name,power",
         "--preset", "minimal", "-o", "spells.json"},
        {"weenie", "portal.dat", " 0x0E00001E "},
        {"weenie-find", "portal.dat", "+1234"},
        {"landblock", "cell.dat", "0xA9B4FFFF"},
        {"qva-pack", "dir", "out.qva", "-c"},
        {"help", "spell-export"},
        {"--version"},
        {"list", "--help"},
    };
    int n = 0;
    for (const auto& line : lines) {
        Bytes bytes;
        for (std::size_t k = 0; k < line.size(); ++k) {
            if (k != 0) bytes.push_back(0);
            bytes.insert(bytes.end(), line[k].begin(), line[k].end());
        }
        put(dir, "cli", "line" + std::to_string(n++), bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvel-fuzz-seeds OUTDIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    dat_seeds(dir);
    lrs_seeds(dir);
    text_seeds(dir);
    landblock_seeds(dir);
    weenie_seeds(dir);
    spell_seeds(dir);
    cli_seeds(dir);
    qva_seeds(dir);
    return failed ? 1 : 0;
}
