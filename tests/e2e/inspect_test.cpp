// End-to-end tests of meta, list and info: exact output for DAT files and QVA archives.
#include <gtest/gtest.h>

#include "file_inputs.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using InspectTest = E2eTest;

void expect_success(const ProgramResult& r, const std::string& out) {
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, "");
}

void expect_failure(const ProgramResult& r, const std::string& out, const std::string& err) {
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
}

void write_small_dat(const std::filesystem::path& path) {
    DatWriter w;
    w.add(0x06000001, {1, 2, 3});
    ASSERT_TRUE(std::move(w).finish().write(path));
}

// Index record `i` of a hand-laid archive with `count` records starts this many bytes from the end.
std::size_t index_record_position(const std::vector<std::uint8_t>& archive, std::size_t count, std::size_t i) {
    return archive.size() - 60 * (count - i);
}

// Four entries in two namespaces: a type label longer than its column, an example line, an
// offset beyond 4 GiB (the payload needn't exist for the index commands) and an unknown type.
std::vector<std::uint8_t> inspect_archive() {
    const std::vector<std::uint8_t> payload = pattern_bytes(7, 1);
    const EntryFields entries[] = {
        {"eor/cell", 0x5C3AFFFE, 0xFF, 0x18, 7, 7, 0x00},
        {"eor/portal", 0x06000001, 0x06, 0xA218, 512, 300, 0x01},
        {"eor/portal", 0x0A000002, 0x0A, 0x100000000, 4294967295, 4294967295, 0x05},
        {"eor/portal", 0x0E000003, 0x1234, 0x18, 0, 0, 0x00},
    };
    return hand_archive(payload, entries);
}

TEST_F(InspectTest, MetaOfRetailPortalDat) {
    DatWriter w;
    for (std::uint32_t i = 0; i < 950; ++i) w.add(0x06000000 + i, {static_cast<std::uint8_t>(i)});
    ASSERT_TRUE(std::move(w).finish().write(dir / "portal.dat"));
    expect_success(run({"meta", "portal.dat"}),
                   "Loaded DAT provider with 950 files.\n"
                   "--- Meta Information ---\n"
                   "Provider:    DAT\n"
                   "File Count:  950\n"
                   "Magic:       0x00005442\n"
                   "Block Size:  1024\n"
                   "Dataset:     1\n"
                   "Namespace:   eor/portal\n");
}

TEST_F(InspectTest, MetaOfOtherRetailAndUnrecognizedDat) {
    DatHeader other = portal_header();
    other.dataset = 2;
    ASSERT_TRUE(DatWriter({.header = other}).finish().write(dir / "other.dat"));
    expect_success(run({"meta", "other.dat"}),
                   "Loaded DAT provider with 0 files.\n"
                   "--- Meta Information ---\n"
                   "Provider:    DAT\n"
                   "File Count:  0\n"
                   "Magic:       0x00005442\n"
                   "Block Size:  1024\n"
                   "Dataset:     2\n"
                   "Namespace:   <unknown retail dataset>\n");

    DatHeader odd = cell_header();
    odd.magic = 0xABCDEF12;
    ASSERT_TRUE(DatWriter({.header = odd}).finish().write(dir / "odd.dat"));
    expect_success(run({"meta", "odd.dat"}),
                   "Loaded DAT provider with 0 files.\n"
                   "--- Meta Information ---\n"
                   "Provider:    DAT\n"
                   "File Count:  0\n"
                   "Magic:       0xABCDEF12\n"
                   "Block Size:  256\n"
                   "Dataset:     2\n"
                   "Namespace:   <unknown retail dataset>\n");
}

TEST_F(InspectTest, MetaOfArchiveCountsEachNamespace) {
    dir.write_file("a.qva", inspect_archive());
    // index_offset = 24 header + 7 payload + 84 metadata = 115
    expect_success(run({"meta", "a.qva"}),
                   "Loaded QVA provider with 4 files.\n"
                   "--- Meta Information ---\n"
                   "Provider:    QVA\n"
                   "File Count:  4\n"
                   "Version:     2\n"
                   "Index Offs:  0x00000073\n"
                   "Meta Size:   84\n"
                   "Namespaces:  2\n"
                   "  eor/cell -> 1 entries\n"
                   "  eor/portal -> 3 entries\n");
}

TEST_F(InspectTest, MetaCountsFromIndexRecordsNotNamespaceRecords) {
    auto archive = inspect_archive();
    const std::string label = "aaa";
    std::copy(label.begin(), label.end(), archive.begin() + static_cast<std::ptrdiff_t>(index_record_position(archive, 4, 3)));
    dir.write_file("a.qva", archive);
    const ProgramResult r = run({"meta", "a.qva"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out.substr(r.out.find("Namespaces:")),
              "Namespaces:  3\n"
              "  aaa/portal -> 1 entries\n"
              "  eor/cell -> 1 entries\n"
              "  eor/portal -> 2 entries\n");
}

TEST_F(InspectTest, MetaOfEmptyArchive) {
    write_qva(dir / "empty.qva", {});
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.qva"), 28u);
    expect_success(run({"meta", "empty.qva"}),
                   "Loaded QVA provider with 0 files.\n"
                   "--- Meta Information ---\n"
                   "Provider:    QVA\n"
                   "File Count:  0\n"
                   "Version:     2\n"
                   "Index Offs:  0x0000001C\n"
                   "Meta Size:   4\n"
                   "Namespaces:  0\n");
    expect_success(run({"list", "empty.qva"}), "");
}

TEST_F(InspectTest, ListOfArchive) {
    dir.write_file("a.qva", inspect_archive());
    expect_success(
        run({"list", "a.qva"}),
        "eor/cell:5C3AFFFE - LandblockInfo (Static) (0x000000FF) - Size: 7          - Offset: 00000018 - Flags: 00\n"
        "eor/portal:06000001 - Texture (DDS/JPG) (0x00000006) - Size: 512        - Offset: 0000A218 - Flags: 01\n"
        "eor/portal:0A000002 - Audio (WAV) (0x0000000A)     - Size: 4294967295 - Offset: 100000000 - Flags: 05\n"
        "eor/portal:0E000003 - Unknown (0x00001234)         - Size: 0          - Offset: 00000018 - Flags: 00\n");
}

TEST_F(InspectTest, ListOfDatSortsIdsAndPrintsStoredFacts) {
    DatWriter w;
    w.add(0xFFFF0001, pattern_bytes(3, 1));
    w.add(0x07000123, pattern_bytes(64, 2), {.bit_flags = 0x00020000});
    w.add(0x06000001, pattern_bytes(512, 3));
    w.add(0x5C3AFFFF, pattern_bytes(5, 4));
    w.add(0x01000002, compressible_bytes(2000), {.compress = true});
    DatImage image = std::move(w).finish();
    // list reads no entry bytes, so the offsets can be set to the values the lines should show.
    image.patch_entry(0x06000001, EntryField::offset, 0x5A400);
    image.patch_entry(0x07000123, EntryField::offset, 0x400);
    image.patch_entry(0x5C3AFFFF, EntryField::offset, 0xFFFFFC00);
    image.patch_entry(0xFFFF0001, EntryField::offset, 0x800);
    image.patch_entry(0x01000002, EntryField::offset, 0xC00);
    image.patch_entry(0x01000002, EntryField::size, 321);  // the stored (compressed) length is what shows
    ASSERT_TRUE(image.write(dir / "p.dat"));
    expect_success(run({"list", "p.dat"}),
                   "01000002 - Model (OBJ)               - Size: 321        - Offset: 00000C00 - Flags: 00000001\n"
                   "06000001 - Texture (DDS/JPG)         - Size: 512        - Offset: 0005A400 - Flags: 00000000\n"
                   "07000123 - Texture (DDS/JPG)         - Size: 64         - Offset: 00000400 - Flags: 00020000\n"
                   "5C3AFFFF - Unknown                   - Size: 5          - Offset: FFFFFC00 - Flags: 00000000\n"
                   "FFFF0001 - Iteration (Metadata)      - Size: 3          - Offset: 00000800 - Flags: 00000000\n");
}

TEST_F(InspectTest, ListOfCellDatClassifiesByLowBits) {
    DatWriter w({.header = cell_header()});
    for (const std::uint32_t id : {0x5C3A0100u, 0x5C3AFFFFu, 0x5C3AFFFEu, 0x5C3A0000u}) w.add(id, pattern_bytes(9, 1));
    DatImage image = std::move(w).finish();
    for (const std::uint32_t id : {0x5C3A0100u, 0x5C3AFFFFu, 0x5C3AFFFEu, 0x5C3A0000u}) image.patch_entry(id, EntryField::offset, 0x100);
    ASSERT_TRUE(image.write(dir / "cell.dat"));
    expect_success(run({"list", "cell.dat"}),
                   "5C3A0000 - Unknown                   - Size: 9          - Offset: 00000100 - Flags: 00000000\n"
                   "5C3A0100 - IndoorCell                - Size: 9          - Offset: 00000100 - Flags: 00000000\n"
                   "5C3AFFFE - LandblockInfo (Static)    - Size: 9          - Offset: 00000100 - Flags: 00000000\n"
                   "5C3AFFFF - Landblock (Terrain)       - Size: 9          - Offset: 00000100 - Flags: 00000000\n");
}

TEST_F(InspectTest, ListOfDatWithDuplicatedIdShowsTheKeptEntryOnce) {
    DatWriter w;
    DatNode root;
    root.entries.push_back(w.store_entry(0x06000001, pattern_bytes(10, 1)));
    root.entries.push_back(w.store_entry(0x06000001, pattern_bytes(30, 2)));
    const auto root_offset = w.store_node(root);
    DatImage image = std::move(w).finish_with_root(root_offset);
    image.patch_entry(0x06000001, EntryField::offset, 0x1000);
    ASSERT_TRUE(image.write(dir / "dup.dat"));
    expect_success(run({"list", "dup.dat"}),
                   "06000001 - Texture (DDS/JPG)         - Size: 30         - Offset: 00001000 - Flags: 00000000\n");
}

TEST_F(InspectTest, ListAndMetaStopAtAnIndexRecordWithABadNamespace) {
    auto archive = inspect_archive();
    const auto at = static_cast<std::ptrdiff_t>(index_record_position(archive, 4, 2));
    std::fill(archive.begin() + at, archive.begin() + at + 32, 0);
    dir.write_file("bad.qva", archive);
    const std::string err = "Error: Invalid namespace: namespace label cannot be empty\n";
    expect_failure(
        run({"list", "bad.qva"}),
        "eor/cell:5C3AFFFE - LandblockInfo (Static) (0x000000FF) - Size: 7          - Offset: 00000018 - Flags: 00\n"
        "eor/portal:06000001 - Texture (DDS/JPG) (0x00000006) - Size: 512        - Offset: 0000A218 - Flags: 01\n",
        err);
    expect_failure(run({"meta", "bad.qva"}),
                   "Loaded QVA provider with 4 files.\n"
                   "--- Meta Information ---\n"
                   "Provider:    QVA\n"
                   "File Count:  4\n"
                   "Version:     2\n"
                   "Index Offs:  0x00000073\n"
                   "Meta Size:   84\n",
                   err);
    // info validates only the record it found.
    EXPECT_EQ(run({"info", "bad.qva", "0x06000001", "--namespace", "eor/portal"}).status, 0);
    expect_failure(run({"info", "bad.qva", "0x0A000002", "--namespace", "eor/portal"}), "", err);
}

TEST_F(InspectTest, InfoOfDat) {
    DatWriter w;
    w.add(0x07000123, pattern_bytes(64, 2), {.bit_flags = 0x00020000});
    w.add(0x0A000001, compressible_bytes(3000), {.compress = true});
    DatImage image = std::move(w).finish();
    image.patch_entry(0x07000123, EntryField::offset, 0x5A400);
    image.patch_entry(0x0A000001, EntryField::offset, 0x400);
    ASSERT_TRUE(image.write(dir / "p.dat"));
    const std::string texture =
        "File ID: 07000123\n"
        "Type:    Texture (DDS/JPG)\n"
        "Size:    64\n"
        "Offset:  0005A400\n"
        "Flags:   00020000\n";
    for (const std::string id : {"0x07000123", "117440803", "0x7000123", " 0X07000123\t"})
        expect_success(run({"info", "p.dat", id}), texture);
    expect_success(run({"info", "p.dat", "0x07000123", "--namespace", "eor/cell"}), texture);

    const std::uint32_t stored = image.entry(0x0A000001).size;
    ASSERT_LT(stored, 3000u);  // the stored, compressed length is what shows
    expect_success(run({"info", "p.dat", "0x0a000001"}), "File ID: 0A000001\n"
                                                         "Type:    Audio (WAV)\n"
                                                         "Size:    " + std::to_string(stored) + "\n"
                                                         "Offset:  00000400\n"
                                                         "Flags:   00000001\n");
}

TEST_F(InspectTest, InfoOfMissingDatIdIsAMessageNotAnError) {
    write_small_dat(dir / "p.dat");
    expect_success(run({"info", "p.dat", "0x6000002"}), "File ID 06000002 not found.\n");
    expect_success(run({"info", "p.dat", "4294967295", "--namespace", ""}), "File ID FFFFFFFF not found.\n");
}

TEST_F(InspectTest, InfoOfArchive) {
    dir.write_file("a.qva", inspect_archive());
    expect_success(run({"info", "a.qva", "0x0A000002", "--namespace", "eor/portal"}),
                   "Namespace: eor/portal\n"
                   "File ID:   0A000002\n"
                   "Type:      Audio (WAV) (0x0000000A)\n"
                   "Size:      4294967295\n"
                   "Offset:    100000000\n"
                   "Flags:     05\n"
                   "Pruned:    true\n"
                   "Compressed:true\n");
    expect_success(run({"info", "a.qva", "1547370494", "--namespace", "eor/cell"}),
                   "Namespace: eor/cell\n"
                   "File ID:   5C3AFFFE\n"
                   "Type:      LandblockInfo (Static) (0x000000FF)\n"
                   "Size:      7\n"
                   "Offset:    00000018\n"
                   "Flags:     00\n"
                   "Pruned:    false\n"
                   "Compressed:false\n");
}

TEST_F(InspectTest, InfoOfArchiveWithOneNamespaceNeedsNoOption) {
    write_qva(dir / "p.qva", {{"eor/portal", 0x06000001, 6, pattern_bytes(40, 1)}, {"eor/portal", 0x06000002, 0xFE01, {}}});
    expect_success(run({"info", "p.qva", "0x06000002"}),
                   "Namespace: eor/portal\n"
                   "File ID:   06000002\n"
                   "Type:      Iteration (Metadata) (0x0000FE01)\n"
                   "Size:      0\n"
                   "Offset:    00000040\n"
                   "Flags:     00\n"
                   "Pruned:    false\n"
                   "Compressed:false\n");
}

TEST_F(InspectTest, InfoErrors) {
    dir.write_file("a.qva", inspect_archive());
    write_small_dat(dir / "p.dat");
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"info", "a.qva", "0x06000009", "--namespace", "eor/portal"}, "Error: File ID 06000009 not found in provider\n"},
        {{"info", "a.qva", "0x5C3AFFFE", "--namespace", "eor/portals"}, "Error: File ID 5C3AFFFE not found in provider\n"},
        {{"info", "a.qva", "0x06000001"},
         "Error: Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required\n"},
        {{"info", "a.qva", "xyz", "--namespace", "eor/portal"}, "Error: invalid digit found in string\n"},
        {{"info", "p.dat", "0x"}, "Error: cannot parse integer from empty string\n"},
        {{"info", "p.dat", "4294967296"}, "Error: number too large to fit in target type\n"},
        // The input is opened before the id is parsed.
        {{"info", "none.bak", "xyz"}, "Error: Could not open provider for \"none.bak\". Expected .qva or .dat\n"},
    };
    for (const auto& c : cases) expect_failure(run(c.args), "", c.err);
}

TEST_F(InspectTest, ListAndMetaWorkOnArchiveWithSeveralNamespaces) {
    write_qva(dir / "two.qva", {{"eor/portal", 7, 6, pattern_bytes(16, 1)}, {"eor/cell", 7, 0xFF, pattern_bytes(8, 2)}});
    expect_success(run({"list", "two.qva"}),
                   "eor/cell:00000007 - LandblockInfo (Static) (0x000000FF) - Size: 8          - Offset: 00000018 - Flags: 00\n"
                   "eor/portal:00000007 - Texture (DDS/JPG) (0x00000006) - Size: 16         - Offset: 00000020 - Flags: 00\n");
    const ProgramResult meta = run({"meta", "two.qva"});
    EXPECT_EQ(meta.status, 0) << meta;
    EXPECT_EQ(meta.out.substr(meta.out.find("Namespaces:")), "Namespaces:  2\n  eor/cell -> 1 entries\n  eor/portal -> 1 entries\n");
}

}  // namespace
}  // namespace quorvel::test
