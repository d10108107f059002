// Tests of the command line: every subcommand's fields, list options, help, version and usage errors.
#include "quorvel/tools/cli.hpp"

#include <sstream>

#include "quorvel/tools/quote_path.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel {
namespace {

using Args = std::vector<std::string>;

struct Parsed {
    std::variant<Commands, int> result;
    std::string out;
    std::string err;
};

Parsed parse(const Args& args) {
    std::ostringstream out;
    std::ostringstream err;
    auto result = parse_command_line(args, out, err);
    return {std::move(result), out.str(), err.str()};
}

// The command of a successful parse; fails the test (and gives a Meta "") otherwise.
Commands command_of(const Args& args) {
    Parsed parsed = parse(args);
    if (const int* status = std::get_if<int>(&parsed.result)) {
        ADD_FAILURE() << "status " << *status << ": " << parsed.err;
        return MetaCommand{};
    }
    EXPECT_EQ(parsed.out, "");
    EXPECT_EQ(parsed.err, "");
    return std::get<Commands>(parsed.result);
}

void print_args(const Args& args, std::ostream* os) {
    for (const auto& arg : args) *os << (&arg == &args.front() ? "" : " ") << quote_text(arg);
}

struct CommandCase {
    Args args;
    Commands expected;

    friend void PrintTo(const CommandCase& c, std::ostream* os) { print_args(c.args, os); }
};

class ParseCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(ParseCommandTest, GivesTheSubcommandWithItsFields) { EXPECT_EQ(command_of(GetParam().args), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Subcommands, ParseCommandTest,
    testing::Values(
        CommandCase{{"meta", "portal.dat"}, MetaCommand{"portal.dat"}},
        CommandCase{{"list", "a.qva"}, ListCommand{"a.qva"}},
        CommandCase{{"info", "a.dat", "0x10"}, InfoCommand{"a.dat", "0x10", std::nullopt}},
        CommandCase{{"info", "a.qva", "0x10", "--namespace", "eor/portal"}, InfoCommand{"a.qva", "0x10", "eor/portal"}},
        CommandCase{{"info", "--namespace=eor/cell", "a.qva", "5"}, InfoCommand{"a.qva", "5", "eor/cell"}},
        CommandCase{{"info", "a.qva", "--namespace", "", "5"}, InfoCommand{"a.qva", "5", ""}},
        // Ids are kept as typed; parsing them is the handler's job.
        CommandCase{{"info", "a.dat", " 0x1a "}, InfoCommand{"a.dat", " 0x1a ", std::nullopt}},
        CommandCase{{"info", "a.dat", "--", "-1"}, InfoCommand{"a.dat", "-1", std::nullopt}},
        CommandCase{{"export", "a.dat", "5"}, ExportCommand{"a.dat", "5", std::nullopt, std::nullopt}},
        CommandCase{{"export", "a.dat", "5", "-o", "out.bin"}, ExportCommand{"a.dat", "5", std::nullopt, "out.bin"}},
        CommandCase{{"extract", "a.dat", "--output", "o.jpg", "5", "--namespace", "n"},
                    ExtractCommand{"a.dat", "5", "n", "o.jpg"}},
        CommandCase{{"weenie", "a.dat", "7"}, WeenieCommand{"a.dat", "7", std::nullopt}},
        CommandCase{{"weenie-find", "a.dat", "42"}, WeenieFindCommand{"a.dat", "42"}},
        CommandCase{{"landblock", "cell.dat", "0xA9B4FFFF"}, LandblockCommand{"cell.dat", "0xA9B4FFFF", std::nullopt}},
        CommandCase{{"qva-pack", "in", "out.qva"}, QvaPackCommand{"in", "out.qva", false}},
        // The flag before, between and after the positional arguments.
        CommandCase{{"qva-pack", "-c", "in", "out.qva"}, QvaPackCommand{"in", "out.qva", true}},
        CommandCase{{"qva-pack", "in", "-c", "out.qva"}, QvaPackCommand{"in", "out.qva", true}},
        CommandCase{{"qva-pack", "in", "out.qva", "--compress"}, QvaPackCommand{"in", "out.qva", true}},
        CommandCase{{"unpack", "a.dat", "out"}, UnpackCommand{"a.dat", "out", std::nullopt, false}},
        CommandCase{{"unpack", "-f", "a.qva", "out", "--namespace", "eor/cell"},
                    UnpackCommand{"a.qva", "out", "eor/cell", true}},
        CommandCase{{"unpack", "a.qva", "--force", "out"}, UnpackCommand{"a.qva", "out", std::nullopt, true}},
        CommandCase{{"verify", "a.qva"}, VerifyCommand{"a.qva"}},
        // A positional that names another subcommand is just a value.
        CommandCase{{"info", "list", "meta"}, InfoCommand{"list", "meta", std::nullopt}}));

SpellExportRequest request_of(const Args& args) {
    const Commands command = command_of(args);
    const auto* spell = std::get_if<SpellExportCommand>(&command);
    if (spell == nullptr) return {};
    return spell->request;
}

TEST(ParseCommandLineTest, SpellExportDefaults) {
    EXPECT_EQ(command_of({"spell-export", "p.dat"}),
              Commands(SpellExportCommand{"p.dat", std::nullopt, SpellExportRequest{}, std::nullopt}));
    EXPECT_EQ(SpellExportRequest{}.preset, SpellFieldPreset::Base);
}

TEST(ParseCommandLineTest, SpellExportListsAppendInOrderAcrossOccurrences) {
    EXPECT_EQ(command_of({"spell-export", "--schools", "war,void", "p.dat", "--schools", "life", "--categories",
                          "1,4294967295", "--categories=0", "--fields", "base-mana,name", "--fields", "formula-version",
                          "--preset", "minimal", "--namespace", "eor/portal", "-o", "spells.json"}),
              Commands(SpellExportCommand{
                  "p.dat", "eor/portal",
                  SpellExportRequest{{SpellSchool::War, SpellSchool::Void, SpellSchool::Life},
                                     {1, 4294967295u, 0},
                                     {SpellExportField::BaseMana, SpellExportField::Name, SpellExportField::FormulaVersion},
                                     SpellFieldPreset::Minimal},
                  "spells.json"}));
}

TEST(ParseCommandLineTest, CommaListEqualsRepeatedOption) {
    EXPECT_EQ(request_of({"spell-export", "p.dat", "--schools", "war,life"}),
              request_of({"spell-export", "p.dat", "--schools", "war", "--schools", "life"}));
    EXPECT_EQ(request_of({"spell-export", "p.dat", "--categories", "7,8"}),
              request_of({"spell-export", "p.dat", "--categories", "7", "--categories", "8"}));
}

TEST(ParseCommandLineTest, EveryValueOfTheSetsIsAccepted) {
    const SpellExportRequest request =
        request_of({"spell-export", "p.dat", "--schools", "war,life,item,creature,void", "--fields",
                    "name,description,school,category,bitfield,base-mana,base-range-constant,base-range-mod,power,"
                    "raw-components,mana-mod,formula-version"});
    EXPECT_EQ(request.schools, (std::vector<SpellSchool>{SpellSchool::War, SpellSchool::Life, SpellSchool::Item,
                                                         SpellSchool::Creature, SpellSchool::Void}));
    ASSERT_EQ(request.fields.size(), spell_export_fields.size());
    for (std::size_t i = 0; i < spell_export_fields.size(); ++i) EXPECT_EQ(request.fields[i], spell_export_fields[i].field);
}

TEST(ParseCommandLineTest, PathsAreTakenVerbatim) {
    const std::string bytes = "dir//\xff\xfe name.dat";
    const Commands command = command_of({"export", bytes, "1", "-o", "\x80.bin"});
    const auto& exported = std::get<ExportCommand>(command);
    EXPECT_EQ(exported.path.native(), bytes);
    EXPECT_EQ(exported.output->native(), "\x80.bin");
}

struct UsageErrorCase {
    Args args;
    std::string first_line;
    std::string usage_line;

    friend void PrintTo(const UsageErrorCase& c, std::ostream* os) { print_args(c.args, os); }
};

class UsageErrorTest : public testing::TestWithParam<UsageErrorCase> {};

TEST_P(UsageErrorTest, PrintsErrorUsageAndHelpPointer) {
    const UsageErrorCase& c = GetParam();
    const Parsed parsed = parse(c.args);
    ASSERT_TRUE(std::holds_alternative<int>(parsed.result));
    EXPECT_EQ(std::get<int>(parsed.result), 2);
    EXPECT_EQ(parsed.out, "");
    EXPECT_EQ(parsed.err, c.first_line + "\n\n" + c.usage_line + "\n\nFor more information, try '--help'.\n");
}

constexpr const char* top_usage = "Usage: quorvel-tools [OPTIONS] SUBCOMMAND";
constexpr const char* info_usage = "Usage: quorvel-tools info [OPTIONS] PATH ID";
constexpr const char* spell_usage = "Usage: quorvel-tools spell-export [OPTIONS] PATH";
constexpr const char* schools_values = "[possible values: war, life, item, creature, void]";

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrorTest,
    testing::Values(
        UsageErrorCase{{"bogus"}, "error: unrecognized subcommand 'bogus'", top_usage},
        UsageErrorCase{{"--bogus"}, "error: unexpected argument '--bogus' found", top_usage},
        UsageErrorCase{{"info", "a.dat"}, "error: ID is required", info_usage},
        UsageErrorCase{{"meta"}, "error: PATH is required", "Usage: quorvel-tools meta [OPTIONS] PATH"},
        UsageErrorCase{{"info", "a.dat", "1", "2"}, "error: The following argument was not expected: 2", info_usage},
        UsageErrorCase{{"info", "a.dat", "1", "-V"}, "error: The following argument was not expected: -V", info_usage},
        UsageErrorCase{{"info", "a.dat", "1", "--namespace"}, "error: --namespace: 1 required NAMESPACE missing",
                       info_usage},
        UsageErrorCase{{"info", "a.dat", "\xff"}, "error: ID: invalid UTF-8 was detected", info_usage},
        UsageErrorCase{{"qva-pack", "in"}, "error: OUTPUT is required",
                       "Usage: quorvel-tools qva-pack [OPTIONS] INPUT OUTPUT"},
        UsageErrorCase{{"spell-export", "p.dat", "--schools", "War"},
                       std::string("error: --schools: invalid value 'War' ") + schools_values, spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--schools", "war,,life"},
                       std::string("error: --schools: invalid value '' ") + schools_values, spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--fields", "Name"},
                       "error: --fields: invalid value 'Name' [possible values: name, description, school, category, "
                       "bitfield, base-mana, base-range-constant, base-range-mod, power, raw-components, mana-mod, "
                       "formula-version]",
                       spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--preset", "base,minimal"},
                       "error: --preset: invalid value 'base,minimal' [possible values: base, minimal]", spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--categories", "x"},
                       "error: --categories: invalid value 'x': invalid digit found in string", spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--categories", "-1"},
                       "error: --categories: invalid value '-1': invalid digit found in string", spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--categories", "0x10"},
                       "error: --categories: invalid value '0x10': invalid digit found in string", spell_usage},
        UsageErrorCase{{"spell-export", "p.dat", "--categories", "1,4294967296"},
                       "error: --categories: invalid value '4294967296': number too large to fit in target type",
                       spell_usage},
        UsageErrorCase{{"unpack", "a.dat"}, "error: OUTDIR is required",
                       "Usage: quorvel-tools unpack [OPTIONS] PATH OUTDIR"},
        UsageErrorCase{{"verify", "a.dat", "-f"}, "error: The following argument was not expected: -f",
                       "Usage: quorvel-tools verify [OPTIONS] PATH"},
        UsageErrorCase{{"help", "nope"}, "error: unrecognized subcommand 'nope'",
                       "Usage: quorvel-tools help [OPTIONS] [SUBCOMMAND]"}));

TEST(ParseCommandLineTest, NoArgumentsPrintsHelpOnStandardError) {
    const Parsed none = parse({});
    const Parsed help = parse({"--help"});
    EXPECT_EQ(none.result, (std::variant<Commands, int>(2)));
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, help.out);
}

TEST(ParseCommandLineTest, HelpRequestsPrintTheSameHelpOnStandardOutput) {
    const std::vector<std::pair<Args, Args>> same = {
        {{"--help"}, {"-h"}}, {{"--help"}, {"help"}}, {{"info", "--help"}, {"help", "info"}},
        {{"info", "--help"}, {"info", "a.dat", "-h"}}, {{"qva-pack", "-h"}, {"help", "qva-pack"}}};
    for (const auto& [a, b] : same) {
        const Parsed first = parse(a);
        const Parsed second = parse(b);
        EXPECT_EQ(first.result, (std::variant<Commands, int>(0)));
        EXPECT_EQ(second.result, (std::variant<Commands, int>(0)));
        EXPECT_EQ(first.err, "");
        EXPECT_EQ(first.out, second.out) << testing::PrintToString(a) << " vs " << testing::PrintToString(b);
    }
}

TEST(ParseCommandLineTest, TopLevelHelpListsEverySubcommandInOrder) {
    const std::string help = parse({"--help"}).out;
    const std::vector<std::pair<std::string, std::string>> subcommands = {
        {"meta", "List meta info about the QVA/DAT file itself"},
        {"list", "List all files in the DAT"},
        {"info", "Get info about a specific file ID"},
        {"export", "Export a file to disk"},
        {"spell-export", "Export the spell table to JSON"},
        {"extract", "Extract a file to its native format if possible"},
        {"weenie", "Inspect a Weenie template"},
        {"weenie-find", "Scan table records for a WCID-based Weenie entry"},
        {"landblock", "Inspect a Landblock"},
        {"qva-pack", "Pack a directory into an QVA archive"},
        {"unpack", "Write every entry into a directory of [ID].[TYPE] files"},
        {"verify", "Read every entry and check the sizes the file records"},
    };
    std::size_t previous = 0;
    for (const auto& [name, description] : subcommands) {
        const std::size_t at = help.find("\n  " + name + " ");
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, previous) << name;
        EXPECT_NE(help.find(description, at), std::string::npos) << name;
        previous = at;
    }
    EXPECT_THAT(help, testing::HasSubstr("-V,--version"));
    EXPECT_THAT(help, testing::StartsWith("Usage: quorvel-tools [OPTIONS] SUBCOMMAND\n"));
}

TEST(ParseCommandLineTest, SubcommandHelpShowsValueNamesAndHelpTexts) {
    const std::string spell = parse({"spell-export", "--help"}).out;
    for (const char* text :
         {"Export the spell table to JSON", "Usage: quorvel-tools spell-export [OPTIONS] PATH",
          "Path to the DAT or QVA file", "--namespace NAMESPACE", "Namespace label for multi-namespace QVA archives",
          "--schools SCHOOLS:{war,life,item,creature,void}", "Spell schools to include in the export",
          "--categories CATEGORIES", "Spell category IDs to include in the export", "--fields FIELDS:{name,",
          "Spell fields to include in the export", "--preset PRESET:{base,minimal}=base",
          "Field preset to use when no explicit fields are provided", "-o,--output OUT",
          "Output JSON file; prints to stdout when omitted"})
        EXPECT_THAT(spell, testing::HasSubstr(text));

    const std::string pack = parse({"qva-pack", "--help"}).out;
    for (const char* text : {"Usage: quorvel-tools qva-pack [OPTIONS] INPUT OUTPUT",
                             "Input directory containing files named [ID].[TYPE] (hex)", "Output QVA file",
                             "-c,--compress", "Enable compression"})
        EXPECT_THAT(pack, testing::HasSubstr(text));

    EXPECT_THAT(parse({"weenie-find", "-h"}).out, testing::HasSubstr("Usage: quorvel-tools weenie-find [OPTIONS] PATH WCID"));
    EXPECT_THAT(parse({"extract", "-h"}).out, testing::HasSubstr("-o,--output OUT\n"));
    EXPECT_THAT(parse({"info", "-h"}).out, testing::Not(testing::HasSubstr("--version")));
}

TEST(ParseCommandLineTest, VersionAtTopLevelOnly) {
    for (const char* flag : {"-V", "--version"}) {
        const Parsed parsed = parse({flag});
        EXPECT_EQ(parsed.result, (std::variant<Commands, int>(0)));
        EXPECT_EQ(parsed.out, "quorvel-tools 0.1.0\n");
        EXPECT_EQ(parsed.err, "");
    }
    EXPECT_EQ(parse({"meta", "--version"}).result, (std::variant<Commands, int>(2)));
}

}  // namespace
}  // namespace quorvel
