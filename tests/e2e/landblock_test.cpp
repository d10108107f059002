// End-to-end tests of "landblock" on cell DAT files and QVA archives.
#include <gtest/gtest.h>

#include "archive_inputs.hpp"
#include "quorvel/test_support/landblock_builder.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

// Heights all 0 except 12 at column 0 row 8, 255 at column 8 row 8 and 7 at column 4 row 0.
CellLandblock terrain(std::uint32_t stored_id, std::uint32_t has_objects = 1) {
    CellLandblock c = sample_cell_landblock(stored_id, has_objects);
    std::fill(c.height.begin(), c.height.end(), 0);
    c.height[0 * 9 + 8] = 12;
    c.height[8 * 9 + 8] = 255;
    c.height[4 * 9 + 0] = 7;
    return c;
}

std::string terrain_text(std::string_view stored_id, std::string_view has_objects = "true") {
    std::string text = fmt::format("Landblock ID:   {}\nHas Objects:     {}\n", stored_id, has_objects);
    text += "Terrain Vertices: 81\nHeight Vertices:  81\n\nHeightmap (9x9):\n";
    text += " 12   0   0   0   0   0   0   0 255 \n";
    for (int row = 7; row >= 1; --row) text += "  0   0   0   0   0   0   0   0   0 \n";
    text += "  0   0   0   0   7   0   0   0   0 \n";
    return text;
}

// sample_landblock_info: two objects, buildings at (96, 48.5, 0) and (24, 120.25, 5.5).
std::string sample_info_text(std::string_view info_id) {
    return fmt::format(
        "\nLandblock Info ({}):\n"
        "Objects:   2\n"
        "Buildings: 2\n"
        "  Building model: 01001234 at Vector3 {{ x: 96.0, y: 48.5, z: 0.0 }}\n"
        "  Building model: 01005678 at Vector3 {{ x: 24.0, y: 120.25, z: 5.5 }}\n",
        info_id);
}

Bytes without_last_byte(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}

class LandblockTest : public E2eTest {
protected:
    void SetUp() override {
        LandblockInfo no_buildings = sample_landblock_info(0x9ABCFFFE);
        no_buildings.buildings.clear();
        no_buildings.pack_mask = 0;
        no_buildings.restriction_tables.reset();

        write_dat(dir / "cell.dat",
                  {
                      {0x1234FFFF, cell_landblock_bytes(terrain(0x1234FFFF))},
                      {0x1234FFFE, landblock_info_bytes(sample_landblock_info(0x1234FFFE))},
                      {0x12340005, cell_landblock_bytes(terrain(0x12340005, 0))},
                      {0x5678FFFF, cell_landblock_bytes(terrain(0x5678FFFF, 2))},  // no info record
                      {0x9ABCFFFF, cell_landblock_bytes(terrain(0x9ABCFFFF))},
                      {0x9ABCFFFE, landblock_info_bytes(no_buildings)},
                      {0x4444FFFF, cell_landblock_bytes(terrain(0xDEADFFFF))},  // stored id differs
                      {0x4444FFFE, landblock_info_bytes(sample_landblock_info(0x0BADFFFE))},
                      {0x7777FFFF, cell_landblock_bytes(terrain(0x7777FFFF))},
                      {0x7777FFFE, without_last_byte(landblock_info_bytes(sample_landblock_info(0x7777FFFE)))},
                      {0x8888FFFF, without_last_byte(cell_landblock_bytes(terrain(0x8888FFFF)))},
                  },
                  cell_header());
        write_qva(dir / "cell.qva", {{"eor/cell", 0x1234FFFF, 0xFE, cell_landblock_bytes(terrain(0x1234FFFF))},
                                     {"eor/cell", 0x1234FFFE, 0xFF, landblock_info_bytes(sample_landblock_info(0x1234FFFE))}},
                  /*compress=*/true);
        // The same landblock under two labels; eor/portal holds no info record.
        write_qva(dir / "both.qva", {{"eor/cell", 0x1234FFFF, 0xFE, cell_landblock_bytes(terrain(0x1234FFFF))},
                                     {"eor/cell", 0x1234FFFE, 0xFF, landblock_info_bytes(sample_landblock_info(0x1234FFFE))},
                                     {"eor/portal", 0x1234FFFF, 0xFE, cell_landblock_bytes(terrain(0x1234FFFF, 0))}});
    }
};

TEST_F(LandblockTest, PrintsTerrainGridAndBuildings) {
    const std::string expected = terrain_text("1234FFFF") + sample_info_text("1234FFFE");
    const std::vector<std::vector<std::string>> cases = {
        {"landblock", "cell.dat", "0x12340000"},
        {"landblock", "cell.dat", "0x1234FFFF"},
        {"landblock", "cell.dat", "1234ffff"},
        {"landblock", "cell.dat", "305397760"},  // 0x12340000 in decimal
        {"landblock", "cell.qva", "0x12340000"},
        {"landblock", "both.qva", "0x12340000", "--namespace", "eor/cell"},
    };
    for (const auto& args : cases) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, expected) << testing::PrintToString(args);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(LandblockTest, OtherLowHalfNamesTheTerrainRecordAndTheInfoStaysWithTheLandblock) {
    const ProgramResult r = run({"landblock", "cell.dat", "0x12340005"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, terrain_text("12340005", "false") + sample_info_text("1234FFFE"));
    EXPECT_EQ(r.err, "");
}

TEST_F(LandblockTest, WithoutInfoRecordOnlyTheTerrainIsPrinted) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"landblock", "cell.dat", "0x56780000"}, terrain_text("5678FFFF")},  // has_objects 2 shows true
        {{"landblock", "both.qva", "0x12340000", "--namespace", "eor/portal"}, terrain_text("1234FFFF", "false")},
    };
    for (const auto& [args, expected] : cases) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(LandblockTest, InfoWithoutBuildingsPrintsCountZero) {
    const ProgramResult r = run({"landblock", "cell.dat", "0x9ABC0000"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, terrain_text("9ABCFFFF") + "\nLandblock Info (9ABCFFFE):\nObjects:   2\nBuildings: 0\n");
}

TEST_F(LandblockTest, StoredIdsArePrintedButTheRequestedIdPicksTheInfo) {
    const ProgramResult r = run({"landblock", "cell.dat", "0x44440000"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, terrain_text("DEADFFFF") + sample_info_text("4444FFFE"));
}

TEST_F(LandblockTest, Failures) {
    const std::string short_terrain =
        "Error: Binary read error: failed to fill whole buffer\n"
        "While parsing field 'height' in CellLandblock\n"
        "\nCaused by:\n"
        "    failed to fill whole buffer\n"
        "    While parsing field 'height' in CellLandblock\n";
    const std::string short_info =
        "Error: Binary read error: failed to fill whole buffer\n"
        "While parsing field 'tables' in RestrictionTable\n"
        "While parsing field 'restriction_tables' in LandblockInfo\n"
        "\nCaused by:\n"
        "    failed to fill whole buffer\n"
        "    While parsing field 'tables' in RestrictionTable\n"
        "    While parsing field 'restriction_tables' in LandblockInfo\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"landblock", "cell.dat", "0x99990000"}, "", "Error: File ID 9999FFFF not found in provider\n"},
        {{"landblock", "cell.dat", "0x88880000"}, "", short_terrain},
        {{"landblock", "cell.dat", "0x77770000"}, terrain_text("7777FFFF"), short_info},  // after the terrain
        {{"landblock", "both.qva", "0x12340000"}, "",
         "Error: Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required\n"},
        {{"landblock", "cell.dat", "0x1234zz"}, "", "Error: invalid digit found in string\n"},
        {{"landblock", "cell", "0x12340000zz"}, "", "Error: invalid digit found in string\n"},  // the ".qva" sibling opens
        {{"landblock", "nothing", "zz"}, "", "Error: Could not open provider for \"nothing\". Expected .qva or .dat\n"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run(c.args);
        EXPECT_EQ(r.status, 1) << testing::PrintToString(c.args) << "\n" << r;
        EXPECT_EQ(r.out, c.out) << testing::PrintToString(c.args);
        EXPECT_EQ(r.err, c.err) << testing::PrintToString(c.args);
    }
}

}  // namespace
}  // namespace quorvel::test
