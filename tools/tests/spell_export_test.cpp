// Tests of the spell export: field resolution, filters, the exact JSON text and writing the document.
#include "quorvel/tools/spell_export.hpp"

#include <bit>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "quorvel/test_support/spell_builder.hpp"

namespace quorvel {
namespace {

using F = SpellExportField;

std::vector<F> all_fields() {
    std::vector<F> fields;
    for (const auto& info : spell_export_fields) fields.push_back(info.field);
    return fields;
}

TEST(SpellExportRequest, ResolvedFields) {
    struct Case {
        const char* name;
        std::vector<F> fields;
        SpellFieldPreset preset;
        std::vector<F> expected;
    };
    const Case cases[] = {
        {"BaseByDefault", {}, SpellFieldPreset::Base, all_fields()},
        {"Minimal",
         {},
         SpellFieldPreset::Minimal,
         {F::Name, F::Description, F::School, F::Category, F::Bitfield, F::BaseRangeConstant, F::BaseRangeMod, F::Power}},
        {"RepeatsDroppedOrderKept", {F::Power, F::Name, F::Power}, SpellFieldPreset::Base, {F::Power, F::Name}},
        {"ExplicitFieldsWinOverPreset", {F::Name}, SpellFieldPreset::Minimal, {F::Name}},
        {"FieldOutsidePreset", {F::ManaMod, F::ManaMod, F::FormulaVersion}, SpellFieldPreset::Minimal, {F::ManaMod, F::FormulaVersion}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SpellExportRequest request{{}, {}, c.fields, c.preset};
        EXPECT_EQ(request.resolved_fields(), c.expected);
    }
    std::vector<F> reversed = all_fields();
    std::reverse(reversed.begin(), reversed.end());
    std::vector<F> twice = reversed;
    twice.insert(twice.end(), reversed.begin(), reversed.end());
    EXPECT_EQ((SpellExportRequest{{}, {}, twice, SpellFieldPreset::Base}.resolved_fields()), reversed);
}

SpellBase spell_of(std::uint32_t school, std::uint32_t category) {
    SpellBase spell = test::sample_spell(school * 100 + category, 0);
    spell.school = school;
    spell.category = category;
    return spell;
}

std::vector<std::uint32_t> ids_of(const SpellExportFile& file) {
    std::vector<std::uint32_t> ids;
    for (const auto& spell : file.spells) ids.push_back(spell.id);
    return ids;
}

TEST(ExportSpellTable, Filters) {
    SpellTable table{0x0E00000E, {}, {}};
    // Id = school * 100 + category.
    for (std::uint32_t school = 0; school <= 6; ++school)
        for (std::uint32_t category : {7u, 9u}) table.spells[school * 100 + category] = spell_of(school, category);

    using S = SpellSchool;
    struct Case {
        const char* name;
        std::vector<SpellSchool> schools;
        std::vector<std::uint32_t> categories;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"NoFilter", {}, {}, {7, 9, 107, 109, 207, 209, 307, 309, 407, 409, 507, 509, 607, 609}},
        {"WarAndVoid", {S::War, S::Void}, {}, {107, 109, 507, 509}},
        {"EachSchoolItsNumber", {S::Item, S::Creature, S::Life}, {}, {207, 209, 307, 309, 407, 409}},
        {"Category", {}, {9}, {9, 109, 209, 309, 409, 509, 609}},
        {"BothFiltersMustPass", {S::Life}, {7}, {207}},
        {"SeveralCategories", {S::War}, {9, 7, 9}, {107, 109}},
        {"NothingMatches", {S::War}, {8}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SpellExportFile file = export_spell_table(table, {c.schools, c.categories, {F::School}, SpellFieldPreset::Base});
        EXPECT_EQ(ids_of(file), c.expected);
        for (const auto& spell : file.spells) EXPECT_EQ(spell.values, std::vector<SpellExportValue>{spell.id / 100});
    }
}

TEST(ExportSpellTable, TakesEachResolvedFieldFromItsSpellField) {
    SpellBase spell = test::sample_spell(3, 0);
    spell.base_range_constant = std::numeric_limits<float>::quiet_NaN();
    spell.base_range_mod = 0.25f;
    const SpellTable table{0x0E00000E, {{42, spell}}, {}};
    const SpellExportFile file = export_spell_table(table, {});
    EXPECT_EQ(file.file_id, 0x0E00000Eu);
    EXPECT_EQ(file.fields, all_fields());
    ASSERT_EQ(file.spells.size(), 1u);
    EXPECT_EQ(file.spells[0].id, 42u);
    const std::vector<SpellExportValue> expected{
        spell.name,      spell.description,       spell.school, spell.category, spell.bitfield,
        spell.base_mana, std::optional<double>{}, 0.25,         spell.power,    spell.raw_components,
        spell.mana_mod,  spell.formula_version,
    };
    EXPECT_EQ(file.spells[0].values, expected);
}

SpellTable small_table() {
    SpellTable table{0x0E00000E, {}, {}};
    for (std::uint32_t id : {10u, 2u, 300u}) {
        SpellBase spell;
        spell.name = fmt::format("Spell {}", id);
        spell.description = "";
        spell.school = id % 5;
        spell.base_range_mod = static_cast<float>(id) / 4;
        spell.raw_components = {id, 2, 3, 4, 5, 6, 7, 4294967295u};
        table.spells[id] = spell;
    }
    return table;
}

TEST(SpellExportFile, JsonDocumentIsExact) {
    const SpellExportRequest request{{}, {}, {F::Name, F::Description, F::BaseRangeMod, F::RawComponents, F::School}, {}};
    auto json = export_spell_table(small_table(), request).to_json();
    ASSERT_TRUE(json) << json.error().messages().front();
    EXPECT_EQ(*json, R"({
  "fileId": 234881038,
  "fields": [
    "name",
    "description",
    "base_range_mod",
    "raw_components",
    "school"
  ],
  "spells": {
    "2": {
      "name": "Spell 2",
      "description": "",
      "base_range_mod": 0.5,
      "raw_components": [
        2,
        2,
        3,
        4,
        5,
        6,
        7,
        4294967295
      ],
      "school": 2
    },
    "10": {
      "name": "Spell 10",
      "description": "",
      "base_range_mod": 2.5,
      "raw_components": [
        10,
        2,
        3,
        4,
        5,
        6,
        7,
        4294967295
      ],
      "school": 0
    },
    "300": {
      "name": "Spell 300",
      "description": "",
      "base_range_mod": 75.0,
      "raw_components": [
        300,
        2,
        3,
        4,
        5,
        6,
        7,
        4294967295
      ],
      "school": 0
    }
  }
})");
}

TEST(SpellExportFile, EmptyContainersAreWrittenOnOneLine) {
    auto json = export_spell_table(small_table(), {{SpellSchool::Void}, {}, {F::Power}, {}}).to_json();
    ASSERT_TRUE(json);
    EXPECT_EQ(*json, "{\n  \"fileId\": 234881038,\n  \"fields\": [\n    \"power\"\n  ],\n  \"spells\": {}\n}");

    const SpellExportFile no_fields{7, {}, {{5, {}}}};
    EXPECT_EQ(no_fields.to_json().value(), "{\n  \"fileId\": 7,\n  \"fields\": [],\n  \"spells\": {\n    \"5\": {}\n  }\n}");
}

// The document of one spell with id 1 and one field, so a test can look at one value's text.
std::string one_value_json(F field, const SpellBase& spell) {
    const SpellTable table{1, {{1, spell}}, {}};
    auto json = export_spell_table(table, {{}, {}, {field}, {}}).to_json();
    if (!json) return "error: " + json.error().messages().front();
    return *json;
}

std::string expected_one_value(std::string_view key, std::string_view value) {
    return fmt::format("{{\n  \"fileId\": 1,\n  \"fields\": [\n    \"{0}\"\n  ],\n  \"spells\": {{\n    \"1\": {{\n"
                       "      \"{0}\": {1}\n    }}\n  }}\n}}",
                       key, value);
}

TEST(SpellExportFile, FloatsAreShortestRoundTripWithAFractionalPart) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {5.0f, "5.0"},
        {0.0f, "0.0"},
        {-0.0f, "-0.0"},
        {-1.5f, "-1.5"},
        {0.1f, "0.10000000149011612"},
        {0.3f, "0.30000001192092896"},
        {100000.0f, "100000.0"},
        {16777216.0f, "16777216.0"},
        {1e15f, "999999986991104.0"},
        // Values where a writer that is not exactly shortest goes wrong: a longer form, or the wrong
        // one of two equally short forms.
        {std::bit_cast<float>(0x3C239BF2u), "0.0099859107285738"},
        {std::bit_cast<float>(0x3D140C0Eu), "0.03614430874586105"},
        {std::bit_cast<float>(0x3E4BB40Eu), "0.1989290416240692"},
        {std::bit_cast<float>(0x3F89BD40u), "1.0760879516601562"},
        // Far outside spell ranges: exponent notation.
        {1e16f, "1.0000000272564224e+16"},
        {std::numeric_limits<float>::max(), "3.4028234663852886e+38"},
        {1e-5f, "9.999999747378752e-06"},
        {std::numeric_limits<float>::denorm_min(), "1.401298464324817e-45"},
        {std::numeric_limits<float>::quiet_NaN(), "null"},
        {-std::numeric_limits<float>::quiet_NaN(), "null"},
        {std::numeric_limits<float>::infinity(), "null"},
        {-std::numeric_limits<float>::infinity(), "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SpellBase spell;
        spell.base_range_constant = c.value;
        EXPECT_EQ(one_value_json(F::BaseRangeConstant, spell), expected_one_value("base_range_constant", c.text));
        if (std::isfinite(c.value)) {
            EXPECT_EQ(std::stod(c.text), static_cast<double>(c.value));
        }
    }
}

TEST(SpellExportFile, StringEscapes) {
    struct Case {
        std::string name;
        const char* text;
    };
    const Case cases[] = {
        {"plain", R"("plain")"},
        {"quote \" backslash \\ slash /", R"("quote \" backslash \\ slash /")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {std::string("\x00\x01\x0B\x1B\x1F", 5), R"("\u0000\u0001\u000b\u001b\u001f")"},
        {"\x7F \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"\x7F \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        {"not a number 1.5", R"("not a number 1.5")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SpellBase spell;
        spell.name = c.name;
        EXPECT_EQ(one_value_json(F::Name, spell), expected_one_value("name", c.text));
    }
}

TEST(SpellExportFile, TextThatIsNotUtf8CannotBeWritten) {
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"bad \xFF", "invalid UTF-8 byte at index 4: 0xFF"},
        {"\xC0\xAF", "invalid UTF-8 byte at index 0: 0xC0"},          // overlong
        {"ok \xED\xA0\x80", "invalid UTF-8 byte at index 3: 0xED"},  // surrogate
        {"\xF4\x90\x80\x80", "invalid UTF-8 byte at index 0: 0xF4"},  // above U+10FFFF
        {"\xE2\x82", "invalid UTF-8 byte at index 0: 0xE2"},          // cut short
        {"\x80", "invalid UTF-8 byte at index 0: 0x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const SpellExportFile file{1, {F::Name}, {{1, {c.text}}}};
        auto json = file.to_json();
        ASSERT_FALSE(json);
        EXPECT_EQ(json.error().messages(), std::vector<std::string>{c.message});

        Output out;
        auto written = write_spell_export(file, std::nullopt, out);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().messages(), (std::vector<std::string>{"could not serialize spell export", c.message}));
        EXPECT_EQ(out.buffered(), "");
    }
}

class WriteSpellExport : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               fmt::format("spell_export_test_{}_{}", ::getpid(), ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    SpellExportFile file_ = export_spell_table(small_table(), {{}, {}, {F::Power, F::Name, F::Power}, {}});
    std::filesystem::path dir_;
};

TEST_F(WriteSpellExport, ToStandardOutputWithOneLineFeed) {
    Output out;
    ASSERT_TRUE(write_spell_export(file_, std::nullopt, out));
    EXPECT_EQ(out.buffered(), file_.to_json().value() + "\n");
}

TEST_F(WriteSpellExport, ToFileCreatingParentsAndReplacingOldContent) {
    struct Case {
        std::filesystem::path relative;
        bool existing_file;
    };
    const Case cases[] = {{"out/dir/spells.json", false}, {"spells.json", true}, {"out/dir/spells.json", true},
                          {"\xFF.json", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        const auto path = dir_ / c.relative;
        if (c.existing_file) {
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << std::string(5000, 'x');
        }
        Output out;
        ASSERT_TRUE(write_spell_export(file_, path, out));
        EXPECT_EQ(read(path), file_.to_json().value() + "\n");
        std::string shown = path.string();
        if (auto bad = shown.find('\xFF'); bad != std::string::npos) shown.replace(bad, 1, "\xEF\xBF\xBD");
        EXPECT_EQ(out.buffered(), fmt::format("wrote 3 spells with 2 fields to {}\n", shown));
    }
}

TEST_F(WriteSpellExport, RelativePathWithoutParentNeedsNoDirectory) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    Output out;
    auto written = write_spell_export(file_, std::filesystem::path("spells.json"), out);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(written);
    EXPECT_EQ(read(dir_ / "spells.json"), file_.to_json().value() + "\n");
    EXPECT_EQ(out.buffered(), "wrote 3 spells with 2 fields to spells.json\n");
}

TEST_F(WriteSpellExport, FailuresNameThePathAndPrintNothing) {
    std::ofstream(dir_ / "file") << "x";
    std::filesystem::create_directories(dir_ / "dir");
    struct Case {
        std::filesystem::path output;
        std::string message;
        std::string cause;
    };
    const Case cases[] = {
        {dir_ / "file" / "sub" / "spells.json", fmt::format("could not create {}", (dir_ / "file" / "sub").string()),
         "Not a directory"},
        {dir_ / "dir", fmt::format("could not write {}", (dir_ / "dir").string()), "Is a directory"},
        {dir_ / "file" / "spells.json", fmt::format("could not create {}", (dir_ / "file").string()), "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Output out;
        auto written = write_spell_export(file_, c.output, out);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().messages(), (std::vector<std::string>{c.message, c.cause}));
        EXPECT_EQ(out.buffered(), "");
    }
}

TEST(SpellExportFile, LargeTableKeepsAscendingNumericOrder) {
    SpellTable table{0x0E00000E, {}, {}};
    for (std::uint32_t id = 1; id <= 6000; ++id) table.spells[id * 7919 % 6007] = test::sample_spell(id, id % 13);
    const SpellExportFile file = export_spell_table(table, {});
    auto json = file.to_json();
    ASSERT_TRUE(json);
    std::size_t at = 0;
    for (std::uint32_t id : ids_of(file)) {
        const auto found = json->find(fmt::format("\n    \"{}\": {{", id), at);
        ASSERT_NE(found, std::string::npos) << id;
        at = found;
    }
    EXPECT_TRUE(std::is_sorted(file.spells.begin(), file.spells.end(), [](auto& a, auto& b) { return a.id < b.id; }));
    EXPECT_EQ(file.spells.size(), 6000u);
}

}  // namespace
}  // namespace quorvel
