// End-to-end test of the bundled sample: make-sample writes it, and the demo's commands work on it.
#include <gtest/gtest.h>

#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

class SampleTest : public E2eTest {
protected:
    void SetUp() override {
        const ProgramResult r = run_program(QUORVEL_MAKE_SAMPLE_EXE, {"sample"}, dir.path());
        ASSERT_EQ(r.status, 0) << r;
        ASSERT_EQ(r.err, "");
    }

    ProgramResult run_in_sample(const std::vector<std::string>& args) const { return run_tools(args, dir / "sample"); }
};

TEST_F(SampleTest, DatFilesAreARetailPortalAndCellPair) {
    const ProgramResult portal = run_in_sample({"meta", "portal.dat"});
    EXPECT_EQ(portal.status, 0) << portal;
    EXPECT_EQ(portal.out,
              "Loaded DAT provider with 10 files.\n--- Meta Information ---\nProvider:    DAT\nFile Count:  10\n"
              "Magic:       0x00005442\nBlock Size:  1024\nDataset:     1\nNamespace:   eor/portal\n");
    const ProgramResult cell = run_in_sample({"meta", "cell.dat"});
    EXPECT_EQ(cell.status, 0) << cell;
    EXPECT_EQ(cell.out,
              "Loaded DAT provider with 7 files.\n--- Meta Information ---\nProvider:    DAT\nFile Count:  7\n"
              "Magic:       0x00005442\nBlock Size:  256\nDataset:     2\nNamespace:   eor/cell\n");
}

TEST_F(SampleTest, ExtractsAJpegAndAWave) {
    ProgramResult r = run_in_sample({"extract", "portal.dat", "0x06000001", "-o", "texture.jpg"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Extracted JPEG texture 06000001 to \"texture.jpg\"\n");
    const auto jpeg = dir.read_file("sample/texture.jpg");
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 2), (std::vector<std::uint8_t>{0xFF, 0xD8}));
    EXPECT_EQ(std::vector<std::uint8_t>(jpeg.end() - 2, jpeg.end()), (std::vector<std::uint8_t>{0xFF, 0xD9}));

    r = run_in_sample({"extract", "portal.dat", "0x0A000001", "-o", "sound.wav"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Extracted WAV audio 0A000001 to \"sound.wav\"\n");
    const std::string wave = dir.read_text("sample/sound.wav");
    // RIFF header, then a PCM "fmt " body: tag 1, one channel, 22050 Hz, 44100 bytes/s, align 2, 16 bits.
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(wave.substr(8, 28), std::string("WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xAC\0\0\x02\0\x10\0", 28));
    EXPECT_EQ(wave.substr(36, 4), "data");
}

TEST_F(SampleTest, PackedDirectoryServesTheRecordCommands) {
    const ProgramResult pack = run_in_sample({"qva-pack", "pack", "sample.qva", "-c"});
    EXPECT_EQ(pack.status, 0) << pack;
    EXPECT_EQ(pack.out, "Packing files from \"pack\" into \"sample.qva\"\nSuccessfully packed 12 files into \"sample.qva\"\n");

    const ProgramResult find = run_in_sample({"weenie-find", "sample.qva", "2753"});
    EXPECT_EQ(find.status, 0) << find;
    EXPECT_EQ(find.out,
              "Scanning 3 table files (0x0E prefix) for WCID 2753...\n"
              "Hit in table eor/portal:0E000003\n  Entry WCID: 00000AC1\n  WeenieType: 22\n  Name: Copper Key\n"
              "Hit in table eor/portal:0E000004\n  Entry WCID: 00000AC1\n  WeenieType: 22\n  Name: Copper Key (festival)\n");

    for (const char* input : {"portal.dat", "sample.qva"}) {
        const ProgramResult spells = run_in_sample({"spell-export", input, "--schools", "war", "--fields", "name"});
        EXPECT_EQ(spells.status, 0) << spells;
        EXPECT_EQ(spells.out,
                  "{\n  \"fileId\": 234881038,\n  \"fields\": [\n    \"name\"\n  ],\n  \"spells\": {\n"
                  "    \"27\": {\n      \"name\": \"Flame Bolt I\"\n    },\n"
                  "    \"28\": {\n      \"name\": \"Flame Bolt II\"\n    },\n"
                  "    \"300\": {\n      \"name\": \"\xC3\x89vocation de la Flamme\"\n    },\n"
                  "    \"301\": {\n      \"name\": \"Frost Lance\xE2\x80\xA6\"\n    }\n  }\n}\n");
    }
}

TEST_F(SampleTest, LandblockWithBuildings) {
    const ProgramResult r = run_in_sample({"landblock", "cell.dat", "0xA9B40000"});
    EXPECT_EQ(r.status, 0) << r;
    const std::string tail =
        "\nLandblock Info (A9B4FFFE):\nObjects:   2\nBuildings: 2\n"
        "  Building model: 01000A51 at Vector3 { x: 96.0, y: 48.5, z: 0.0 }\n"
        "  Building model: 01000B07 at Vector3 { x: 120.25, y: 72.0, z: 12.5 }\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(r.out.substr(0, 16), "Landblock ID:   ");
}

TEST_F(SampleTest, RunningAgainRewritesTheSample) {
    dir.write_file("sample/pack/stale.txt", "left from an older sample");
    const ProgramResult again = run_program(QUORVEL_MAKE_SAMPLE_EXE, {"sample"}, dir.path());
    EXPECT_EQ(again.status, 0) << again;
    EXPECT_FALSE(std::filesystem::exists(dir / "sample/pack/stale.txt"));
    const ProgramResult pack = run_in_sample({"qva-pack", "pack", "again.qva"});
    EXPECT_EQ(pack.status, 0) << pack;
}

}  // namespace
}  // namespace quorvel::test
