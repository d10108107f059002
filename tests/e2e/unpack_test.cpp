// End-to-end tests of "unpack": the round trip through qva-pack, file names, namespaces, refusals.
#include <fstream>
#include <iterator>
#include <map>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "quorvel/dat/archive/qva_writer.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Every file of a directory by name; a subdirectory would fail the comparison as an empty entry.
Files read_directory(const std::filesystem::path& dir) {
    Files files;
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        std::vector<std::uint8_t>& bytes = files[item.path().filename().string()];
        if (!item.is_regular_file()) continue;
        std::ifstream in(item.path(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// Runs of repeated bytes, so that both compressors find matches, with a seed-dependent start.
std::vector<std::uint8_t> sample_bytes(std::size_t n, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + (i / 7) * (seed % 5 + 1));
    return bytes;
}

struct PrefixType {
    std::uint32_t prefix;
    std::uint32_t type;  // the code the directory name must carry
};
// Portal files classify by the id's top byte; 0x07 is a texture too, 0x5A names no type.
constexpr PrefixType prefixes[] = {{0x01, 0x1}, {0x07, 0x6}, {0x0A, 0xA}, {0x0E, 0xE}, {0x22, 0x22}, {0x5A, 0x0}};

using UnpackTest = E2eTest;

TEST_F(UnpackTest, RoundTripThroughQvaPackRebuildsTheSameDirectory) {
    DatWriter writer;
    Files expected;
    for (std::uint32_t k = 0; k < 3000; ++k) {
        const PrefixType& p = prefixes[k % std::size(prefixes)];
        const std::uint32_t id = (p.prefix << 24) | (k * 13);
        auto data = sample_bytes((k * 37) % 2500, k);
        expected[fmt::format("{:08X}.{:X}", id, p.type)] = data;
        writer.add(id, std::move(data), {.compress = k % 3 == 0});
    }
    writer.add(0xFFFF0001, {1, 2, 3});  // the iteration record has a type of its own
    expected["FFFF0001.FE01"] = {1, 2, 3};
    ASSERT_TRUE(std::move(writer).finish().write(dir / "portal.dat"));

    const ProgramResult first = run({"unpack", "portal.dat", "first"});
    ASSERT_EQ(first.status, 0) << first;
    EXPECT_EQ(first.out, "Unpacked 3001 entries into \"first\"\n");
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(read_directory(dir / "first"), expected);

    const ProgramResult pack = run({"qva-pack", "-c", "first", "portal.qva"});
    ASSERT_EQ(pack.status, 0) << pack;
    const ProgramResult second = run({"unpack", "portal.qva", "second"});
    ASSERT_EQ(second.status, 0) << second;
    EXPECT_EQ(second.out, "Unpacked 3001 entries into \"second\"\n");
    EXPECT_EQ(read_directory(dir / "second"), expected);

    for (const char* input : {"portal.dat", "portal.qva"}) {
        const ProgramResult verified = run({"verify", input});
        EXPECT_EQ(verified.status, 0) << input << "\n" << verified;
        EXPECT_THAT(verified.out, testing::MatchesRegex("Checked 3001 entries, [0-9]+ bytes: no problems\n"));
        EXPECT_EQ(verified.err, "");
    }
    // Both inputs hold the same bytes after decompression.
    EXPECT_EQ(run({"verify", "portal.dat"}).out, run({"verify", "portal.qva"}).out);
}

// An archive with the same ids in two namespaces, told apart by content.
void write_two_namespace_archive(const std::filesystem::path& path) {
    QvaWriter writer;
    ASSERT_TRUE(writer.add("eor/portal", 0x06000001, 0x6, {'p', '1'}));
    ASSERT_TRUE(writer.add("eor/portal", 0x0A000002, 0xA, {'p', '2'}));
    ASSERT_TRUE(writer.add("eor/cell", 0x0123FFFF, 0xFE, {'c', '1'}));
    ASSERT_TRUE(std::move(writer).write(path));
}

TEST_F(UnpackTest, NamespaceSelectsOneDatasetOfAnArchive) {
    write_two_namespace_archive(dir / "both.qva");
    const ProgramResult cell = run({"unpack", "both.qva", "cell", "--namespace", "eor/cell"});
    ASSERT_EQ(cell.status, 0) << cell;
    EXPECT_EQ(read_directory(dir / "cell"), (Files{{"0123FFFF.FE", {'c', '1'}}}));
    const ProgramResult portal = run({"unpack", "--namespace=eor/portal", "both.qva", "portal"});
    ASSERT_EQ(portal.status, 0) << portal;
    EXPECT_EQ(read_directory(dir / "portal"), (Files{{"06000001.6", {'p', '1'}}, {"0A000002.A", {'p', '2'}}}));
}

TEST_F(UnpackTest, FailuresLeaveNoFilesBehind) {
    write_two_namespace_archive(dir / "both.qva");
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"unpack", "both.qva", "out"},
         "Error: Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required\n"},
        {{"unpack", "both.qva", "out", "--namespace", "eor/none"},
         "Error: Namespace \"eor/none\" not found in the archive\n"},
        {{"unpack", "both.qva", "out", "--namespace", ""}, "Error: Invalid namespace: namespace label cannot be empty\n"},
        {{"unpack", "missing.qva", "out"},
         "Error: Failed to open file at missing.qva: No such file or directory\n\nCaused by:\n    No such file or "
         "directory\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = run(c.args);
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    }
}

TEST_F(UnpackTest, RefusesToOverwriteUnlessForced) {
    DatWriter writer;
    writer.add(0x06000001, {1, 2});
    writer.add(0x06000002, {3, 4});
    ASSERT_TRUE(std::move(writer).finish().write(dir / "portal.dat"));
    dir.write_file("out/06000002.6", "old");

    const ProgramResult refused = run({"unpack", "portal.dat", "out"});
    EXPECT_EQ(refused.status, 1) << refused;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "Error: Refusing to overwrite \"out/06000002.6\"; use --force to replace existing files\n");
    // The check comes before any write: the other entry was not written either.
    EXPECT_EQ(read_directory(dir / "out"), (Files{{"06000002.6", {'o', 'l', 'd'}}}));

    // A link in the way is replaced, not written through.
    dir.write_file("target", "keep");
    std::filesystem::create_symlink("../target", dir / "out/06000001.6");
    const ProgramResult forced = run({"unpack", "portal.dat", "out", "--force"});
    EXPECT_EQ(forced.status, 0) << forced;
    EXPECT_EQ(read_directory(dir / "out"), (Files{{"06000001.6", {1, 2}}, {"06000002.6", {3, 4}}}));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "out/06000001.6"));
    EXPECT_EQ(dir.read_text("target"), "keep");

    // A directory is never removed, forced or not.
    std::filesystem::remove(dir / "out/06000001.6");
    std::filesystem::create_directory(dir / "out/06000001.6");
    const ProgramResult blocked = run({"unpack", "portal.dat", "out", "-f"});
    EXPECT_EQ(blocked.status, 1) << blocked;
    EXPECT_EQ(blocked.err, "Error: Cannot write \"out/06000001.6\": a directory of that name exists\n");
}

TEST_F(UnpackTest, OutputDirectoryThatIsAFileFails) {
    DatWriter writer;
    writer.add(0x06000001, {1});
    ASSERT_TRUE(std::move(writer).finish().write(dir / "portal.dat"));
    dir.write_file("out", "a file");
    const ProgramResult r = run({"unpack", "portal.dat", "out"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_THAT(r.err, testing::StartsWith("Error: Failed to create output directory \"out\"\n\nCaused by:\n    "));
}

}  // namespace
}  // namespace quorvel::test
