// End-to-end tests of how inputs are opened: extension rules, sibling candidates, namespaces and counts.
#include <gtest/gtest.h>

#include "file_inputs.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

class ProviderTest : public E2eTest {
protected:
    // A DAT image with `count` texture entries 0x06000001, 0x06000002, ...
    static DatImage dat_with(std::size_t count, DatHeader header = portal_header()) {
        DatWriter w({.header = header});
        for (std::uint32_t i = 1; i <= count; ++i) w.add(0x06000000 + i, pattern_bytes(32, static_cast<std::uint8_t>(i)));
        return std::move(w).finish();
    }
    void write_dat(const std::string& name, std::size_t count) const { ASSERT_TRUE(dat_with(count).write(dir / name)); }
    void write_archive(const std::string& name, std::size_t count) const {
        std::vector<QvaItem> items;
        for (std::uint32_t i = 1; i <= count; ++i) items.push_back({"eor/portal", i, 6, pattern_bytes(16, static_cast<std::uint8_t>(i))});
        write_qva(dir / name, std::move(items));
    }
    // The first line of "meta": which reader opened the input, and how many files it saw.
    std::string opened_as(const std::string& path) const {
        const ProgramResult r = run({"meta", path});
        if (r.status != 0) return r.err;
        return r.out.substr(0, r.out.find('\n'));
    }
};

TEST_F(ProviderTest, ExtensionAndSiblingRules) {
    write_dat("upper.DAT", 2);
    write_dat("mixed.Dat", 2);
    write_archive("upper.QVA", 3);
    write_dat("both.dat", 2);
    write_archive("both.qva", 3);
    write_dat("onlydat.dat", 2);
    write_dat("lonely.bak", 2);
    std::filesystem::create_directories(dir / "sub.qva");
    write_dat("sub.qva/inner.dat", 2);
    write_archive("missing.qva", 3);  // never a fallback for missing.dat
    write_dat("gone.dat", 2);         // never a fallback for gone.qva

    const std::string dat = "Loaded DAT provider with 2 files.";
    const std::string qva = "Loaded QVA provider with 3 files.";
    const struct {
        std::string path;
        std::string first_line;
    } cases[] = {
        {"upper.DAT", dat},
        {"mixed.Dat", dat},
        {"upper.QVA", qva},
        {"both", qva},  // the archive wins when both siblings exist
        {"both.bak", qva},
        {"both.txt", qva},
        {"both.\xff", qva},  // an extension that is not UTF-8 counts as none
        {"onlydat", dat},
        {"onlydat.bak", dat},
        {"onlydat.", dat},
        {"sub.qva/inner", dat},  // a dot in a directory name is no extension
        {"both/", qva},          // trailing separators name no file of their own
        {"./onlydat/.", dat},
        {".", "Error: Could not open provider for \".\". Expected .qva or .dat\n"},
        {"", "Error: Could not open provider for \"\". Expected .qva or .dat\n"},
        {"lonely.bak", "Error: Could not open provider for \"lonely.bak\". Expected .qva or .dat\n"},
        {"nothing", "Error: Could not open provider for \"nothing\". Expected .qva or .dat\n"},
        {"missing.dat",
         "Error: Failed to open file at missing.dat: No such file or directory\n\nCaused by:\n    No such file or directory\n"},
        {"gone.qva", "Error: Failed to open file at gone.qva: No such file or directory\n\nCaused by:\n    No such file or directory\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(opened_as(c.path), c.first_line) << c.path;
}

TEST_F(ProviderTest, ProviderErrorsEndWithStatus1AndNoOutput) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"meta", "nothing"}, {"list", "nothing"}, {"info", "nothing", "1"}, {"export", "nothing", "1"}, {"extract", "nothing", "1"}}) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Error: Could not open provider for \"nothing\". Expected .qva or .dat\n");
    }
}

TEST_F(ProviderTest, CouldNotOpenMessageQuotesThePathAsGiven) {
    const ProgramResult r = run({"meta", "we\"ird\\na\tme.bak"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Error: Could not open provider for \"we\\\"ird\\\\na\\tme.bak\". Expected .qva or .dat\n");
}

TEST_F(ProviderTest, ADirectoryNamedLikeTheArchiveCandidateStopsTheSearch) {
    std::filesystem::create_directories(dir / "data.qva");
    write_dat("data.dat", 2);
    const ProgramResult r = run({"meta", "data"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: IO error: Is a directory\n\nCaused by:\n    Is a directory\n");
}

TEST_F(ProviderTest, ACandidateThatIsNotAValidFileReportsItsReadersError) {
    dir.write_file("junk.qva", "not an archive at all, but long enough");
    const ProgramResult r = run({"meta", "junk"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Error: Invalid magic for format: QVA\n");
}

TEST_F(ProviderTest, DatInputIgnoresTheNamespace) {
    write_dat("p.dat", 2);
    const ProgramResult plain_info = run({"info", "p.dat", "0x06000002"});
    ASSERT_EQ(plain_info.status, 0) << plain_info;
    const ProgramResult plain_missing = run({"info", "p.dat", "0x06000009"});
    const ProgramResult plain_export = run({"export", "p.dat", "0x06000002", "-o", "plain.bin"});
    ASSERT_EQ(plain_export.status, 0) << plain_export;
    for (const std::string ns : {"", "eor/cell", "no such namespace at all, and far too long for one"}) {
        EXPECT_EQ(run({"info", "p.dat", "0x06000002", "--namespace", ns}).out, plain_info.out) << ns;
        EXPECT_EQ(run({"info", "p.dat", "0x06000009", "--namespace", ns}).out, plain_missing.out) << ns;
        const ProgramResult exported = run({"export", "p.dat", "0x06000002", "--namespace", ns, "-o", "ns.bin"});
        EXPECT_EQ(exported.status, 0) << exported;
        EXPECT_EQ(dir.read_file("ns.bin"), dir.read_file("plain.bin")) << ns;
    }
}

TEST_F(ProviderTest, ArchiveWithOneNamespaceIsSearchedWithoutOneAndNotUnderAnother) {
    write_qva(dir / "p.qva", {{"eor/portal", 0x06000001, 6, pattern_bytes(16, 1)}});
    const ProgramResult found = run({"export", "p.qva", "0x06000001", "-o", "a.bin"});
    EXPECT_EQ(found.status, 0) << found;
    EXPECT_EQ(dir.read_file("a.bin"), pattern_bytes(16, 1));

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"info", "p.qva", "0x06000001", "--namespace", "eor/cell"},
             {"export", "p.qva", "0x06000001", "--namespace", "eor/cell", "-o", "b.bin"},
             {"extract", "p.qva", "0x06000001", "--namespace", "eor/cell", "-o", "b.bin"}}) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Error: File ID 06000001 not found in provider\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "b.bin"));
}

TEST_F(ProviderTest, ArchiveWithSeveralNamespacesNeedsOne) {
    write_qva(dir / "two.qva", {{"eor/portal", 7, 6, pattern_bytes(16, 1)}, {"eor/cell", 7, 0xFF, pattern_bytes(8, 2)}});
    for (const char* command : {"info", "export", "extract"}) {
        const ProgramResult r = run({command, "two.qva", "7"});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  "Error: Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required\n");
    }
    const ProgramResult cell = run({"export", "two.qva", "7", "--namespace", "eor/cell"});
    EXPECT_EQ(cell.status, 0) << cell;
    EXPECT_EQ(dir.read_file("eor_cell_00000007.bin"), pattern_bytes(8, 2));
    const ProgramResult portal = run({"export", "two.qva", "7", "--namespace", "eor/portal"});
    EXPECT_EQ(portal.status, 0) << portal;
    EXPECT_EQ(dir.read_file("eor_portal_00000007.bin"), pattern_bytes(16, 1));
}

TEST_F(ProviderTest, InvalidNamespaceOptionOnArchive) {
    write_qva(dir / "p.qva", {{"eor/portal", 1, 6, pattern_bytes(16, 1)}});
    const std::string long_label(33, 'n');
    const struct {
        std::string ns;
        std::string err;
    } cases[] = {
        {"", "Error: Invalid namespace: namespace label cannot be empty\n"},
        {long_label, "Error: Invalid namespace: namespace label '" + long_label + "' exceeds 32 bytes\n"},
    };
    for (const auto& c : cases) {
        for (const char* command : {"info", "export", "extract"}) {
            const ProgramResult r = run({command, "p.qva", "1", "--namespace", c.ns});
            EXPECT_EQ(r.status, 1) << r;
            EXPECT_EQ(r.err, c.err);
        }
    }
}

TEST_F(ProviderTest, FileCountCountsADuplicatedDatIdOnce) {
    DatWriter w;
    DatNode root;
    root.entries.push_back(w.store_entry(0x06000001, pattern_bytes(10, 1)));
    root.entries.push_back(w.store_entry(0x06000002, pattern_bytes(20, 2)));
    root.entries.push_back(w.store_entry(0x06000002, pattern_bytes(30, 3)));
    const auto root_offset = w.store_node(root);
    ASSERT_TRUE(std::move(w).finish_with_root(root_offset).write(dir / "dup.dat"));
    const ProgramResult r = run({"meta", "dup.dat"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out.substr(0, r.out.find("Magic")),
              "Loaded DAT provider with 2 files.\n--- Meta Information ---\nProvider:    DAT\nFile Count:  2\n");
}

TEST_F(ProviderTest, DatNamespaceLabelFollowsTheHeader) {
    const struct {
        std::uint32_t magic, block_size, dataset;
        std::string label;
    } cases[] = {
        {0x5442, 1024, 1, "eor/portal"},
        {0x5442, 256, 2, "eor/cell"},
        {0x5442, 1024, 2, "<unknown retail dataset>"},
        {0x5442, 256, 1, "<unknown retail dataset>"},
        {0x5442, 512, 1, "<unknown retail dataset>"},
        {0x5443, 1024, 1, "<unknown retail dataset>"},
    };
    for (const auto& c : cases) {
        DatHeader header;
        header.magic = c.magic;
        header.block_size = c.block_size;
        header.dataset = c.dataset;
        ASSERT_TRUE(dat_with(1, header).write(dir / "h.dat"));
        const ProgramResult r = run({"meta", "h.dat"});
        EXPECT_EQ(r.status, 0) << r;
        EXPECT_EQ(r.out.substr(r.out.find("Namespace:")), "Namespace:   " + c.label + "\n")
            << c.magic << " " << c.block_size << " " << c.dataset;
    }
}

}  // namespace
}  // namespace quorvel::test
