// End-to-end tests of "spell-export": filters, field lists, the JSON text and writing it to a file.
#include <cmath>
#include <limits>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "archive_inputs.hpp"
#include "quorvel/test_support/spell_builder.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

constexpr std::uint32_t table_id = SpellTable::file_id;

SpellBase spell(std::string name, std::uint32_t school, std::uint32_t category, std::uint32_t power) {
    SpellBase s = sample_spell(power, 2);
    s.name = std::move(name);
    s.school = school;
    s.category = category;
    s.power = power;
    return s;
}

// Stored out of id order; schools 0 and 6 are outside every filter value.
Bytes filter_table() {
    SpellBase nether = spell("Nether", 5, 9, 300);
    nether.base_range_constant = std::numeric_limits<float>::infinity();
    nether.base_range_mod = std::numeric_limits<float>::quiet_NaN();
    SpellTableBuilder b;
    b.spell(300, nether);
    b.spell(10, spell("Bolt", 1, 7, 10));
    b.spell(2, spell("Heal", 2, 7, 2));
    b.spell(4, spell("School zero", 0, 7, 4));
    b.spell(6, spell("School six", 6, 7, 6));
    b.spell(11, spell("Regen", 2, 8, 11));
    b.spell_set(1, {{1, SpellSetTiers{2, {2, 11}}}});
    return b.build();
}

struct Kept {
    std::uint32_t id;
    std::uint32_t school;
    std::uint32_t category;
};
const std::vector<Kept> filter_spells = {{2, 2, 7}, {4, 0, 7}, {6, 6, 7}, {10, 1, 7}, {11, 2, 8}, {300, 5, 9}};

// The document of `--fields school,category` for the spells with these ids.
std::string school_category_doc(const std::vector<std::uint32_t>& ids) {
    std::string text = "{\n  \"fileId\": 234881038,\n  \"fields\": [\n    \"school\",\n    \"category\"\n  ],\n  \"spells\": ";
    if (ids.empty()) return text + "{}\n}\n";
    text += "{";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const Kept& k = *std::find_if(filter_spells.begin(), filter_spells.end(), [&](const Kept& s) { return s.id == ids[i]; });
        text += fmt::format("{}\n    \"{}\": {{\n      \"school\": {},\n      \"category\": {}\n    }}", i ? "," : "", k.id,
                            k.school, k.category);
    }
    return text + "\n  }\n}\n";
}

class SpellExportTest : public E2eTest {
protected:
    void SetUp() override {
        write_dat(dir / "portal.dat", {{table_id, filter_table()}});
        write_qva(dir / "both.qva", {{"eor/portal", table_id, 14, filter_table()}, {"eor/cell", 1, 14, Bytes{1}}},
                  /*compress=*/true);
    }
};

TEST_F(SpellExportTest, FiltersKeepSpellsInAscendingIdOrder) {
    struct Case {
        std::vector<std::string> options;
        std::vector<std::uint32_t> ids;
    };
    const std::vector<Case> cases = {
        {{}, {2, 4, 6, 10, 11, 300}},
        {{"--schools", "war,void"}, {10, 300}},
        {{"--schools", "void", "--schools", "war"}, {10, 300}},
        {{"--schools", "life"}, {2, 11}},
        {{"--categories", "7"}, {2, 4, 6, 10}},
        {{"--categories", "7", "--schools", "life"}, {2}},
        {{"--categories", "9,8"}, {11, 300}},
        {{"--schools", "creature"}, {}},
        {{"--schools", "item", "--categories", "7"}, {}},
        {{"--categories", "4294967295"}, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"spell-export", "portal.dat", "--fields", "school,category"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, school_category_doc(c.ids)) << testing::PrintToString(args);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(SpellExportTest, ArchiveInputWithNamespace) {
    const ProgramResult r = run({"spell-export", "both.qva", "--namespace", "eor/portal", "--fields", "school,category"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, school_category_doc({2, 4, 6, 10, 11, 300}));
}

TEST_F(SpellExportTest, ExplicitFieldsAreDeduplicatedAndReplaceThePreset) {
    const std::string power_name =
        "{\n  \"fileId\": 234881038,\n  \"fields\": [\n    \"power\",\n    \"name\"\n  ],\n  \"spells\": {\n"
        "    \"10\": {\n      \"power\": 10,\n      \"name\": \"Bolt\"\n    }\n  }\n}\n";
    const std::string name_only =
        "{\n  \"fileId\": 234881038,\n  \"fields\": [\n    \"name\"\n  ],\n  \"spells\": {\n"
        "    \"10\": {\n      \"name\": \"Bolt\"\n    }\n  }\n}\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--fields", "power,name,power"}, power_name},
        {{"--fields", "power", "--fields", "name", "--fields", "power"}, power_name},
        {{"--fields", "name", "--preset", "minimal"}, name_only},
        {{"--preset", "base", "--fields", "name"}, name_only},
    };
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> args = {"spell-export", "portal.dat", "--schools", "war"};
        args.insert(args.end(), options.begin(), options.end());
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, expected) << testing::PrintToString(args);
    }
}

TEST_F(SpellExportTest, MinimalPresetAndNonFiniteRangesAsNull) {
    const ProgramResult r = run({"spell-export", "portal.dat", "--preset", "minimal", "--schools", "void"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, R"({
  "fileId": 234881038,
  "fields": [
    "name",
    "description",
    "school",
    "category",
    "bitfield",
    "base_range_constant",
    "base_range_mod",
    "power"
  ],
  "spells": {
    "300": {
      "name": "Nether",
      "description": "Description of spell 300.",
      "school": 5,
      "category": 9,
      "bitfield": 900,
      "base_range_constant": null,
      "base_range_mod": null,
      "power": 300
    }
  }
}
)");
}

// Every field, with text that needs escaping and floats that show the shortest round-trip form.
TEST_F(E2eTest, SpellExportWritesTheWholeDocument) {
    SpellBase s;
    s.name = "Say \"hi\"\\\t\x01\x1f\x7f";
    s.description = "Fl\xC3\xA8" "che \xE2\x98\x84\n\b\f\r";  // non-ASCII: stored as UTF-8 behind a mark
    s.school = 4;
    s.category = 9;
    s.bitfield = 0x12;
    s.base_mana = 15;
    s.base_range_constant = 5.0f;
    s.base_range_mod = 0.1f;
    s.power = 4294967295u;
    s.formula_version = 1;
    s.meta_spell_type = 12;
    s.extras.value = SpellExtras::Enchantment{3600, 1, 2};
    s.raw_components = {1, 2, 3, 4, 5, 6, 7, 8};
    s.mana_mod = 0;
    write_dat(dir / "portal.dat", {{table_id, SpellTableBuilder().spell(7, s).build()}});

    const ProgramResult r = run({"spell-export", "portal.dat"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, R"({
  "fileId": 234881038,
  "fields": [
    "name",
    "description",
    "school",
    "category",
    "bitfield",
    "base_mana",
    "base_range_constant",
    "base_range_mod",
    "power",
    "raw_components",
    "mana_mod",
    "formula_version"
  ],
  "spells": {
    "7": {
      "name": "Say \"hi\"\\\t\u0001\u001f)" "\x7f" R"(",
      "description": "Flèche ☄\n\b\f\r",
      "school": 4,
      "category": 9,
      "bitfield": 18,
      "base_mana": 15,
      "base_range_constant": 5.0,
      "base_range_mod": 0.10000000149011612,
      "power": 4294967295,
      "raw_components": [
        1,
        2,
        3,
        4,
        5,
        6,
        7,
        8
      ],
      "mana_mod": 0,
      "formula_version": 1
    }
  }
}
)");
}

TEST_F(E2eTest, SpellExportOfAnEmptyTable) {
    write_dat(dir / "portal.dat", {{table_id, SpellTableBuilder(0x12345678).build()}});
    const ProgramResult r = run({"spell-export", "portal.dat", "--fields", "mana-mod,formula-version"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "{\n  \"fileId\": 305419896,\n  \"fields\": [\n    \"mana_mod\",\n    \"formula_version\"\n  ],\n"
                     "  \"spells\": {}\n}\n");
}

TEST_F(SpellExportTest, OutputFileGetsTheDocumentAndStandardOutputAConfirmation) {
    struct Case {
        std::vector<std::string> options;
        std::string output;
        std::string confirmation;
    };
    const std::vector<Case> cases = {
        {{"-o", "out/dir/spells.json"}, "out/dir/spells.json", "wrote 6 spells with 2 fields to out/dir/spells.json\n"},
        {{"--schools", "war", "--output", "spells.json"}, "spells.json", "wrote 1 spells with 2 fields to spells.json\n"},
        {{"--schools", "creature", "-o", "out/dir/spells.json"}, "out/dir/spells.json",
         "wrote 0 spells with 2 fields to out/dir/spells.json\n"},  // replaces the earlier file
        // A name that is not UTF-8 is shown with U+FFFD in its place.
        {{"-o", "\xFF.json"}, "\xFF.json", "wrote 6 spells with 2 fields to \xEF\xBF\xBD.json\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"spell-export", "portal.dat", "--fields", "school,category"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, c.confirmation);
        EXPECT_EQ(r.err, "");
        // The same command without the output option (the last two arguments).
        const ProgramResult to_stdout = run(std::vector<std::string>(args.begin(), args.end() - 2));
        EXPECT_EQ(dir.read_text(c.output), to_stdout.out) << testing::PrintToString(args);
    }
    EXPECT_EQ(dir.read_text("out/dir/spells.json"), school_category_doc({}));
}

TEST_F(SpellExportTest, Failures) {
    dir.write_file("blocker", "a file, not a directory");
    std::filesystem::create_directory(dir / "existing");
    write_dat(dir / "empty.dat", {});
    Bytes cut = filter_table();
    cut.resize(cut.size() - 1);
    write_dat(dir / "cut.dat", {{table_id, cut}});

    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"spell-export", "portal.dat", "-o", "blocker/spells.json"},
         "Error: could not create blocker\n\nCaused by:\n    Not a directory\n"},
        {{"spell-export", "portal.dat", "-o", "existing"},
         "Error: could not write existing\n\nCaused by:\n    Is a directory\n"},
        {{"spell-export", "empty.dat"}, "Error: File ID 0E00000E not found in provider\n"},
        {{"spell-export", "both.qva"},
         "Error: Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required\n"},
        {{"spell-export", "both.qva", "--namespace", "eor/cell"}, "Error: File ID 0E00000E not found in provider\n"},
        // The decoding error as it is, with its field frames but no context line of the command.
        {{"spell-export", "cut.dat"},
         "Error: failed to fill whole buffer\nWhile parsing field 'spells' in SpellSetTiers\n"
         "While parsing field 'tiers' in SpellSet\nWhile parsing field 'spell_sets' in SpellTable\n"},
        {{"spell-export", "none.qva"}, "Error: Failed to open file at none.qva: No such file or directory\n\nCaused by:\n    No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run(c.args);
        EXPECT_EQ(r.status, 1) << testing::PrintToString(c.args) << "\n" << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err) << testing::PrintToString(c.args);
    }
}

}  // namespace
}  // namespace quorvel::test
