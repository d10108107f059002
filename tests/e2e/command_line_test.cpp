// End-to-end tests of the command line: help, version, usage errors and exit statuses of the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using testing::EndsWith;
using testing::HasSubstr;
using testing::StartsWith;

using CommandLineTest = E2eTest;

TEST_F(CommandLineTest, VersionOnStandardOutput) {
    for (const char* flag : {"--version", "-V"}) {
        const ProgramResult r = run({flag});
        EXPECT_EQ(r.status, 0) << r;
        EXPECT_EQ(r.out, "quorvel-tools 0.1.0\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(CommandLineTest, TopLevelHelpOnStandardOutput) {
    const ProgramResult r = run({"--help"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "");
    EXPECT_THAT(r.out, StartsWith("Usage: quorvel-tools [OPTIONS] SUBCOMMAND\n"));
    for (const char* text : {"List meta info about the QVA/DAT file itself", "List all files in the DAT",
                             "Get info about a specific file ID", "Export a file to disk", "Export the spell table to JSON",
                             "Extract a file to its native format if possible", "Inspect a Weenie template",
                             "Scan table records for a WCID-based Weenie entry", "Inspect a Landblock",
                             "Pack a directory into an QVA archive", "-V,--version", "-h,--help"})
        EXPECT_THAT(r.out, HasSubstr(text));
    EXPECT_EQ(run({"help"}).out, r.out);
}

TEST_F(CommandLineTest, SubcommandHelpOnStandardOutput) {
    const ProgramResult r = run({"extract", "--help"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "");
    for (const char* text : {"Extract a file to its native format if possible",
                             "Usage: quorvel-tools extract [OPTIONS] PATH ID", "Path to the DAT or QVA file",
                             "--namespace NAMESPACE", "Namespace label for multi-namespace QVA archives", "-o,--output OUT"})
        EXPECT_THAT(r.out, HasSubstr(text));
    EXPECT_EQ(run({"help", "extract"}).out, r.out);
}

TEST_F(CommandLineTest, NoArgumentsPrintsHelpOnStandardErrorWithStatus2) {
    const ProgramResult r = run({});
    EXPECT_EQ(r.status, 2) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, run({"--help"}).out);
}

TEST_F(CommandLineTest, UsageErrorsExitWith2) {
    const std::vector<std::vector<std::string>> cases = {
        {"bogus"},
        {"info", "portal.dat"},
        {"spell-export", "portal.dat", "--schools", "War"},
        {"spell-export", "portal.dat", "--categories", "x"},
        {"spell-export", "portal.dat", "--categories", "-1"},
        {"meta", "portal.dat", "--version"},
        {"qva-pack", "in", "out.qva", "extra"},
    };
    for (const auto& args : cases) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, "");
        EXPECT_THAT(r.err, StartsWith("error: "));
        EXPECT_THAT(r.err, HasSubstr("\nUsage: quorvel-tools "));
        EXPECT_THAT(r.err, EndsWith("\nFor more information, try '--help'.\n"));
    }
}

TEST_F(CommandLineTest, FailedSubcommandReportsErrorWithStatus1) {
    const ProgramResult r = run({"meta", "missing.dat"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, StartsWith("Error: "));
    EXPECT_THAT(r.err, EndsWith("\n"));
}

}  // namespace
}  // namespace quorvel::test
