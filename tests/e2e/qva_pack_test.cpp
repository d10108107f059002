// End-to-end tests of qva-pack: accepted and refused names, namespaces, compression and round trips.
#include <algorithm>
#include <sstream>

#include <sys/stat.h>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "file_inputs.hpp"
#include "quorvel/dat/archive/qva_reader.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::UnorderedElementsAreArray;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class QvaPackTest : public E2eTest {
protected:
    void SetUp() override { std::filesystem::create_directories(dir / "in"); }
    void put(const std::string& name, const Bytes& bytes) const { dir.write_file("in/" + name, bytes); }
    void put(const std::string& name, std::string_view text) const { dir.write_file("in/" + name, text); }
};

TEST_F(QvaPackTest, HexNamesInEitherCaseBecomeEntries) {
    put("0600127D.6", "12345");
    put("0a00002f.0A", "123456");
    put("+1f.+1", "1234");
    put("00000001A.01", "123");
    const ProgramResult r = run({"qva-pack", "in", "out.qva"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Packing files from \"in\" into \"out.qva\"\nSuccessfully packed 4 files into \"out.qva\"\n");
    EXPECT_EQ(r.err, "");
    const ProgramResult list = run({"list", "out.qva"});
    EXPECT_EQ(list.status, 0) << list;
    EXPECT_EQ(list.out,
              "eor/portal:0000001A - Model (OBJ) (0x00000001)     - Size: 3          - Offset: 00000018 - Flags: 00\n"
              "eor/portal:0000001F - Model (OBJ) (0x00000001)     - Size: 4          - Offset: 0000001B - Flags: 00\n"
              "eor/portal:0600127D - Texture (DDS/JPG) (0x00000006) - Size: 5          - Offset: 0000001F - Flags: 00\n"
              "eor/portal:0A00002F - Audio (WAV) (0x0000000A)     - Size: 6          - Offset: 00000024 - Flags: 00\n");
}

TEST_F(QvaPackTest, OtherEntriesAreSkippedWithOrWithoutALine) {
    put("01.01", "a");
    put("notes", "n");
    put("a.b.c", "abc");
    put(std::string("\xff\xfe.06"), "x");  // not UTF-8: shown as an empty name
    std::filesystem::create_directories(dir / "in/0A00000B.06");
    dir.write_file("in/0A00000B.06/0C.06", "nested");
    std::filesystem::create_symlink("01.01", dir / "in/0D.06");           // a link to a regular file counts
    std::filesystem::create_symlink("nowhere", dir / "in/0E.06");         // a broken link does not
    std::filesystem::create_directory_symlink(".", dir / "in/0F.06");     // nor a link to a directory
    ASSERT_EQ(::mkfifo((dir / "in/10.06").c_str(), 0644), 0);            // nor a FIFO
    const ProgramResult r = run({"qva-pack", "in", "out.qva"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "");
    auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 5u) << r;
    EXPECT_EQ(lines.front(), "Packing files from \"in\" into \"out.qva\"");
    EXPECT_EQ(lines.back(), "Successfully packed 2 files into \"out.qva\"");
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 1, lines.end() - 1),
                UnorderedElementsAreArray({"Skipping notes (expected format: [ID].[TYPE] in hex)",
                                           "Skipping a.b.c (expected format: [ID].[TYPE] in hex)",
                                           "Skipping  (expected format: [ID].[TYPE] in hex)"}));
    EXPECT_EQ(run({"list", "out.qva"}).out,
              "eor/portal:00000001 - Model (OBJ) (0x00000001)     - Size: 1          - Offset: 00000018 - Flags: 00\n"
              "eor/portal:0000000D - Texture (DDS/JPG) (0x00000006) - Size: 1          - Offset: 00000019 - Flags: 00\n");
}

TEST_F(QvaPackTest, BadHexNamesStopThePackWithTheirCause) {
    const struct {
        std::string name;
        std::string err;
    } cases[] = {
        {".gitkeep", "Error: Invalid hex ID in filename: .gitkeep\n\nCaused by:\n    cannot parse integer from empty string\n"},
        {"0A00000B.", "Error: Invalid hex Type ID in filename: 0A00000B.\n\nCaused by:\n    cannot parse integer from empty string\n"},
        {"readme.txt", "Error: Invalid hex ID in filename: readme.txt\n\nCaused by:\n    invalid digit found in string\n"},
        {"0x1A.06", "Error: Invalid hex ID in filename: 0x1A.06\n\nCaused by:\n    invalid digit found in string\n"},
        {"10000000A.01", "Error: Invalid hex ID in filename: 10000000A.01\n\nCaused by:\n    number too large to fit in target type\n"},
        {"01.100000000", "Error: Invalid hex Type ID in filename: 01.100000000\n\nCaused by:\n    number too large to fit in target type\n"},
        {"+.01", "Error: Invalid hex ID in filename: +.01\n\nCaused by:\n    invalid digit found in string\n"},
        {"01.-1", "Error: Invalid hex Type ID in filename: 01.-1\n\nCaused by:\n    invalid digit found in string\n"},
        {" 1.01", "Error: Invalid hex ID in filename:  1.01\n\nCaused by:\n    invalid digit found in string\n"},
        {"out.qva", "Error: Invalid hex ID in filename: out.qva\n\nCaused by:\n    invalid digit found in string\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir / "in");
        put(c.name, "x");
        const ProgramResult r = run({"qva-pack", "in", "out.qva"});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "Packing files from \"in\" into \"out.qva\"\n");
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(dir / "out.qva")) << c.name;
    }
}

TEST_F(QvaPackTest, AnEarlierArchiveInsideTheInputStopsTheNextRun) {
    put("01.06", "x");
    const ProgramResult first = run({"qva-pack", "in", "in/out.qva"});
    EXPECT_EQ(first.status, 0) << first;
    const ProgramResult second = run({"qva-pack", "in", "in/out.qva"});
    EXPECT_EQ(second.status, 1) << second;
    EXPECT_EQ(second.err, "Error: Invalid hex ID in filename: out.qva\n\nCaused by:\n    invalid digit found in string\n");
}

TEST_F(QvaPackTest, TheSameIdTwiceIsADuplicateInTheChosenNamespace) {
    put("0A.06", "a");
    put("00A.07", "b");
    const struct {
        std::string output;
        std::string err;
    } cases[] = {
        {"out.qva", "Error: Duplicate namespaced file eor/portal:0000000A detected\n"},
        {"cell.qva", "Error: Duplicate namespaced file eor/cell:0000000A detected\n"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run({"qva-pack", "in", c.output});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "Packing files from \"in\" into \"" + c.output + "\"\n");
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(dir / c.output));
    }
}

TEST_F(QvaPackTest, NamespaceFollowsTheOutputName) {
    put("01.06", "x");
    std::filesystem::create_directories(dir / "sub.cell");
    const struct {
        std::string output;
        std::string label;
    } cases[] = {
        {"cell.qva", "eor/cell"},
        {"CELLS.QVA", "eor/cell"},
        {"archive.cell.qva", "eor/cell"},
        {"excellent.qva", "eor/cell"},
        {"Cell", "eor/cell"},
        {".cell", "eor/cell"},
        {"portal.qva", "eor/portal"},
        {"data.cell", "eor/portal"},
        {"out", "eor/portal"},
        {"sub.cell/out.qva", "eor/portal"},  // only the final component counts
        {"ce ll.qva", "eor/portal"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run({"qva-pack", "in", c.output});
        EXPECT_EQ(r.status, 0) << r;
        // Read directly: names without a .qva extension are not what the provider opens.
        auto reader = QvaReader::open(dir / c.output);
        ASSERT_TRUE(reader) << c.output;
        ASSERT_EQ(reader->spans().size(), 1u);
        EXPECT_EQ(reader->spans()[0].namespace_.as_str(), c.label) << c.output;
    }
}

TEST_F(QvaPackTest, EmptyDirectoryGivesTheEmptyArchive) {
    const ProgramResult r = run({"qva-pack", "in", "empty.qva"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Packing files from \"in\" into \"empty.qva\"\nSuccessfully packed 0 files into \"empty.qva\"\n");
    const Bytes expected = {'Q', 'V', 'A', 0, 2, 0, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(dir.read_file("empty.qva"), expected);
}

TEST_F(QvaPackTest, InputThatCannotBeListed) {
    dir.write_file("plain", "x");
    const struct {
        std::string input;
        std::string cause;
    } cases[] = {
        {"missing", "No such file or directory"},
        {"plain", "Not a directory"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run({"qva-pack", c.input, "out.qva"});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "Packing files from \"" + c.input + "\" into \"out.qva\"\n");
        EXPECT_EQ(r.err, "Error: Failed to read input directory\n\nCaused by:\n    " + c.cause + "\n");
        EXPECT_FALSE(std::filesystem::exists(dir / "out.qva"));
    }
}

TEST_F(QvaPackTest, ArchiveThatCannotBeWritten) {
    put("01.06", "x");
    const ProgramResult r = run({"qva-pack", "in", "no/such/dir/out.qva"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "Packing files from \"in\" into \"no/such/dir/out.qva\"\n");
    EXPECT_EQ(r.err,
              "Error: Failed to write QVA file\n\nCaused by:\n"
              "    0: IO error: No such file or directory\n"
              "    1: No such file or directory\n");
}

TEST_F(QvaPackTest, PathsInMessagesAreQuoted) {
    std::filesystem::create_directories(dir / "in \"x\"\t");
    const ProgramResult r = run({"qva-pack", "in \"x\"\t", "a\\b.qva"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out,
              "Packing files from \"in \\\"x\\\"\\t\" into \"a\\\\b.qva\"\n"
              "Successfully packed 0 files into \"a\\\\b.qva\"\n");
}

TEST_F(QvaPackTest, CompressionFlagSetsFlagsWhereTheFrameIsShorter) {
    put("01.06", compressible_bytes(5000));
    put("02.06", pattern_bytes(100, 1));
    const std::string plain =
        "eor/portal:00000001 - Texture (DDS/JPG) (0x00000006) - Size: 5000       - Offset: 00000018 - Flags: 00\n"
        "eor/portal:00000002 - Texture (DDS/JPG) (0x00000006) - Size: 100        - Offset: 000013A0 - Flags: 00\n";
    ProgramResult r = run({"qva-pack", "in", "plain.qva"});
    ASSERT_EQ(r.status, 0) << r;
    EXPECT_EQ(run({"list", "plain.qva"}).out, plain);

    const std::vector<std::vector<std::string>> compressed_runs = {
        {"qva-pack", "-c", "in", "c1.qva"},
        {"qva-pack", "in", "--compress", "c2.qva"},
        {"qva-pack", "in", "c3.qva", "-c"},
    };
    Bytes first;
    for (const auto& args : compressed_runs) {
        r = run(args);
        ASSERT_EQ(r.status, 0) << r;
        const std::string name = args[args.size() - 1] == "-c" ? args[2] : args[args.size() - 1];
        const auto lines = lines_of(run({"list", name}).out);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_THAT(lines[0], testing::StartsWith("eor/portal:00000001 - Texture (DDS/JPG) (0x00000006) - Size: 5000       - Offset: 00000018 - Flags: 01"));
        EXPECT_THAT(lines[1], testing::StartsWith("eor/portal:00000002 - Texture (DDS/JPG) (0x00000006) - Size: 100        - Offset: "));
        EXPECT_THAT(lines[1], testing::EndsWith(" - Flags: 00"));
        EXPECT_LT(std::filesystem::file_size(dir / name), std::filesystem::file_size(dir / "plain.qva"));
        if (first.empty()) first = dir.read_file(name);
        EXPECT_EQ(dir.read_file(name), first);
    }
}

TEST_F(QvaPackTest, PackedArchiveRoundTripsThroughListInfoAndExport) {
    const struct {
        std::uint32_t id;
        std::uint32_t type;
        Bytes bytes;
    } files[] = {
        {0x01000005, 0x01, pattern_bytes(700, 1)},
        {0x06000001, 0x06, compressible_bytes(9000)},
        {0x0A000002, 0x0A, Bytes{}},
        {0xFFFFFFFF, 0xFFFFFF00, pattern_bytes(1, 2)},
    };
    for (const auto& f : files) put(fmt::format("{:08X}.{:X}", f.id, f.type), f.bytes);
    for (const bool compress : {false, true}) {
        std::vector<std::string> args = {"qva-pack", "in", "round.qva"};
        if (compress) args.push_back("-c");
        const ProgramResult pack = run(args);
        ASSERT_EQ(pack.status, 0) << pack;
        EXPECT_EQ(pack.out, "Packing files from \"in\" into \"round.qva\"\nSuccessfully packed 4 files into \"round.qva\"\n");

        const auto lines = lines_of(run({"list", "round.qva"}).out);
        ASSERT_EQ(lines.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            const auto& f = files[i];
            EXPECT_THAT(lines[i], testing::StartsWith(fmt::format("eor/portal:{:08X} - ", f.id)));
            EXPECT_THAT(lines[i], testing::HasSubstr(fmt::format(" - Size: {:<10} - ", f.bytes.size())));

            const auto info = lines_of(run({"info", "round.qva", fmt::format("0x{:X}", f.id)}).out);
            ASSERT_EQ(info.size(), 8u);
            EXPECT_EQ(info[1], fmt::format("File ID:   {:08X}", f.id));
            EXPECT_THAT(info[2], testing::EndsWith(fmt::format("(0x{:08X})", f.type)));
            EXPECT_EQ(info[3], fmt::format("Size:      {}", f.bytes.size()));
            EXPECT_EQ(info[7], compress && f.id == 0x06000001 ? "Compressed:true" : "Compressed:false");

            const ProgramResult exported = run({"export", "round.qva", std::to_string(f.id)});
            ASSERT_EQ(exported.status, 0) << exported;
            const std::string name = fmt::format("eor_portal_{:08X}.bin", f.id);
            EXPECT_EQ(exported.out, "Exported " + fmt::format("{:08X}", f.id) + " to \"" + name + "\"\n");
            EXPECT_EQ(dir.read_file(name), f.bytes) << name;
        }
    }
    EXPECT_EQ(lines_of(run({"list", "round.qva"}).out)[0],
              "eor/portal:01000005 - Model (OBJ) (0x00000001)     - Size: 700        - Offset: 00000018 - Flags: 00");
}

}  // namespace
}  // namespace quorvel::test
