// End-to-end tests of export and extract: output names, written bytes, conversions and write failures.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "file_inputs.hpp"
#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A texture entry: 16 header bytes, the format word, 4 more header bytes, then the pixel data.
Bytes texture(std::uint32_t format, const Bytes& pixels) {
    ByteBuilder b;
    b.fill(16, 0xA5)  // header bytes that are not interpreted
        .u32(format)  // format
        .u32(0x11223344)
        .bytes(pixels);
    return b.take();
}

// A sound entry: 12 unused bytes, the 16-byte PCM format block, 2 unused bytes, then the samples.
Bytes sound(const Bytes& samples) {
    ByteBuilder b;
    b.fill(12, 0xEE)      // not used
        .u16(1)           // format tag: PCM
        .u16(2)           // channels
        .u32(22050)       // sample rate
        .u32(88200)       // byte rate
        .u16(4)           // block alignment
        .u16(16)          // bits per sample
        .u16(0xBEEF)      // not used
        .bytes(samples);  // samples
    return b.take();
}

// The RIFF WAVE file extract makes of a sound entry.
Bytes wave_of(const Bytes& entry) {
    ByteBuilder b;
    b.text("RIFF")
        .u32(static_cast<std::uint32_t>(entry.size() + 6))
        .text("WAVE")
        .text("fmt ")
        .u32(16)
        .bytes(std::span(entry).subspan(12, 16))
        .text("data")
        .u32(static_cast<std::uint32_t>(entry.size() - 30))
        .bytes(std::span(entry).subspan(30));
    return b.take();
}

const Bytes jpeg_stream = [] {
    Bytes b{0xFF, 0xD8, 0xFF, 0xE0};
    const Bytes rest = pattern_bytes(200, 9);
    b.insert(b.end(), rest.begin(), rest.end());
    b.push_back(0xFF);
    b.push_back(0xD9);
    return b;
}();

class ExportExtractTest : public E2eTest {
protected:
    // Runs in a fresh subdirectory, so that the files a command creates are exactly its new names.
    ProgramResult run_in(const std::string& sub, const std::vector<std::string>& args) const {
        std::filesystem::create_directories(dir / sub);
        return run_tools(args, dir / sub);
    }
    std::set<std::string> names_in(const std::string& sub) const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir / sub))
            names.insert(std::filesystem::relative(e.path(), dir / sub).string());
        return names;
    }
};

TEST_F(ExportExtractTest, ExportNamesAndBytes) {
    {
        DatWriter w;
        w.add(0x06000001, pattern_bytes(300, 1));
        w.add(0x0E000002, compressible_bytes(5000), {.compress = true});
        DatImage image = std::move(w).finish();
        ASSERT_LT(image.entry(0x0E000002).size, 5000u);  // stored compressed
        ASSERT_TRUE(image.write(dir / "p.dat"));
    }
    write_qva(dir / "c.qva", {{"eor/cell", 0x5C3AFFFE, 0xFF, compressible_bytes(4000)}}, true);
    write_qva(dir / "m.qva",
              {{"a:b\\c/d", 1, 6, pattern_bytes(10, 2)}, {"eor/portal", 1, 6, pattern_bytes(12, 3)}});
    ASSERT_NE(run({"info", "c.qva", "0x5C3AFFFE"}).out.find("Compressed:true"), std::string::npos);

    const struct {
        std::vector<std::string> args;
        std::string name;
        std::string out;
        Bytes bytes;
    } cases[] = {
        {{"export", "../p.dat", "0x06000001"}, "06000001.bin", "Exported 06000001 to \"06000001.bin\"\n", pattern_bytes(300, 1)},
        {{"export", "../p.dat", "100663297", "--namespace", "eor/cell"}, "06000001.bin",
         "Exported 06000001 to \"06000001.bin\"\n", pattern_bytes(300, 1)},
        {{"export", "../p.dat", "0xe000002"}, "0E000002.bin", "Exported 0E000002 to \"0E000002.bin\"\n",
         compressible_bytes(5000)},
        {{"export", "../c.qva", "0x5c3afffe"}, "eor_cell_5C3AFFFE.bin", "Exported 5C3AFFFE to \"eor_cell_5C3AFFFE.bin\"\n",
         compressible_bytes(4000)},
        {{"export", "../m.qva", "1", "--namespace", "a:b\\c/d"}, "a_b_c_d_00000001.bin",
         "Exported 00000001 to \"a_b_c_d_00000001.bin\"\n", pattern_bytes(10, 2)},
        {{"export", "../m.qva", "1", "--namespace", "eor/portal", "-o", "x.raw"}, "x.raw", "Exported 00000001 to \"x.raw\"\n",
         pattern_bytes(12, 3)},
        {{"export", "../c.qva", "1547370494", "--output", "we\"ird name"}, "we\"ird name",
         "Exported 5C3AFFFE to \"we\\\"ird name\"\n", compressible_bytes(4000)},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string sub = "case" + std::to_string(i++);
        const ProgramResult r = run_in(sub, c.args);
        EXPECT_EQ(r.status, 0) << r;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(names_in(sub), std::set<std::string>{c.name}) << sub;
        EXPECT_EQ(dir.read_file(sub + "/" + c.name), c.bytes) << sub;
    }
}

TEST_F(ExportExtractTest, ExportIntoAnotherDirectoryAndOverAnExistingFile) {
    DatWriter w;
    w.add(0x06000001, pattern_bytes(300, 1));
    ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
    dir.write_file("out/old.bin", std::string(1000, 'x'));
    const ProgramResult r = run({"export", "p.dat", "0x06000001", "-o", "out/old.bin"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Exported 06000001 to \"out/old.bin\"\n");
    EXPECT_EQ(dir.read_file("out/old.bin"), pattern_bytes(300, 1));
}

TEST_F(ExportExtractTest, ExtractByIdPrefix) {
    const Bytes sound_entry = sound(pattern_bytes(64, 4));
    const Bytes silent_sound = sound({});
    ASSERT_EQ(silent_sound.size(), 30u);
    const Bytes other_texture = texture(21, pattern_bytes(40, 5));
    const Bytes prefix7 = texture(500, jpeg_stream);  // classified as a texture, but not by its prefix
    {
        DatWriter w;
        w.add(0x06000001, texture(500, jpeg_stream));
        w.add(0x06000002, texture(500, {}));
        w.add(0x06000003, other_texture);
        w.add(0x06000004, Bytes(20, 0));  // format 0, no bytes after it
        w.add(0x0A000001, sound_entry, {.compress = true});
        w.add(0x0A000002, silent_sound);
        w.add(0x07000001, prefix7);
        w.add(0x01000001, pattern_bytes(50, 6));
        w.add(0x00000005, pattern_bytes(5, 7));
        w.add(0xFF000001, {});
        ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
    }
    Bytes silent_wave = wave_of(silent_sound);
    ASSERT_EQ(silent_wave.size(), 44u);
    ASSERT_EQ(silent_wave[4], 36);

    const struct {
        std::string id;
        std::string name;
        std::string out;
        Bytes bytes;
    } cases[] = {
        {"0x06000001", "06000001.jpg", "Extracted JPEG texture 06000001 to \"06000001.jpg\"\n", jpeg_stream},
        {"0x06000002", "06000002.jpg", "Extracted JPEG texture 06000002 to \"06000002.jpg\"\n", {}},
        {"0x06000003", "06000003.bin", "Texture 06000003 is not a JPEG (Format 21), exporting as .bin\n", other_texture},
        {"0x06000004", "06000004.bin", "Texture 06000004 is not a JPEG (Format 0), exporting as .bin\n", Bytes(20, 0)},
        {"0xa000001", "0A000001.wav", "Extracted WAV audio 0A000001 to \"0A000001.wav\"\n", wave_of(sound_entry)},
        {"167772162", "0A000002.wav", "Extracted WAV audio 0A000002 to \"0A000002.wav\"\n", silent_wave},
        {"0x07000001", "07000001.bin", "No extraction specialist for type 07, exporting raw .bin\n", prefix7},
        {"0x01000001", "01000001.bin", "Model 01000001 (GraphicsObject) exported as .bin (custom client format)\n",
         pattern_bytes(50, 6)},
        {"5", "00000005.bin", "No extraction specialist for type 00, exporting raw .bin\n", pattern_bytes(5, 7)},
        {"FF000001", "FF000001.bin", "No extraction specialist for type FF, exporting raw .bin\n", {}},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string sub = "case" + std::to_string(i++);
        const ProgramResult r = run_in(sub, {"extract", "../p.dat", c.id});
        EXPECT_EQ(r.status, 0) << r;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(names_in(sub), std::set<std::string>{c.name}) << c.id;
        EXPECT_EQ(dir.read_file(sub + "/" + c.name), c.bytes) << c.id;

        // An output path replaces the default name and changes nothing else.
        const std::string named = "named" + std::to_string(i);
        const ProgramResult o = run_in(named, {"extract", "../p.dat", c.id, "-o", "given.out"});
        EXPECT_EQ(o.status, 0) << o;
        std::string expected_out = c.out;
        if (const auto at = expected_out.find('"'); at != std::string::npos)
            expected_out = expected_out.substr(0, at) + "\"given.out\"\n";
        EXPECT_EQ(o.out, expected_out);
        EXPECT_EQ(dir.read_file(named + "/given.out"), c.bytes) << c.id;
    }
}

TEST_F(ExportExtractTest, ExtractFromArchiveUsesTheNamespaceOnlyForTheLookup) {
    const Bytes sound_entry = sound(compressible_bytes(3000));
    write_qva(dir / "m.qva",
              {{"eor/cell", 0x0A000001, 0x0A, sound(pattern_bytes(8, 1))},
               {"eor/portal", 0x0A000001, 0x0A, sound_entry},
               {"eor/portal", 0x06000001, 0x06, texture(500, jpeg_stream)}},
              true);
    ASSERT_NE(run({"info", "m.qva", "0x0A000001", "--namespace", "eor/portal"}).out.find("Compressed:true"), std::string::npos);

    ProgramResult r = run({"extract", "m.qva", "0x0A000001", "--namespace", "eor/portal"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Extracted WAV audio 0A000001 to \"0A000001.wav\"\n");
    EXPECT_EQ(dir.read_file("0A000001.wav"), wave_of(sound_entry));

    r = run({"extract", "m.qva", "0x06000001", "--namespace", "eor/portal"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Extracted JPEG texture 06000001 to \"06000001.jpg\"\n");
    EXPECT_EQ(dir.read_file("06000001.jpg"), jpeg_stream);
}

TEST_F(ExportExtractTest, EntriesTooShortToConvertAreRefusedWithoutWritingAFile) {
    DatWriter w;
    const Bytes jpeg_header = texture(500, {});
    w.add(0x06000010, Bytes(jpeg_header.begin(), jpeg_header.begin() + 19));
    w.add(0x06000011, Bytes(jpeg_header.begin(), jpeg_header.begin() + 23));
    w.add(0x0A000010, Bytes(29, 2));
    w.add(0x0A000011, {});
    ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
    const struct {
        std::string id;
        std::string err;
    } cases[] = {
        {"0x06000010", "Error: Texture 06000010 is too short to hold its format (19 bytes)\n"},
        {"0x06000011", "Error: JPEG texture 06000011 is too short to hold its header (23 bytes)\n"},
        {"0x0A000010", "Error: Sound 0A000010 is too short to hold its format block (29 bytes)\n"},
        {"0x0A000011", "Error: Sound 0A000011 is too short to hold its format block (0 bytes)\n"},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string sub = "case" + std::to_string(i++);
        const ProgramResult r = run_in(sub, {"extract", "../p.dat", c.id});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(names_in(sub), std::set<std::string>{}) << c.id;
    }
}

TEST_F(ExportExtractTest, LookupFailuresWriteNothing) {
    DatWriter w;
    w.add(0x06000001, pattern_bytes(30, 1));
    ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
    write_qva(dir / "m.qva", {{"eor/cell", 1, 6, pattern_bytes(8, 1)}, {"eor/portal", 2, 6, pattern_bytes(8, 1)}});
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"export", "../p.dat", "0x06000002"}, "Error: File ID 06000002 not found in provider\n"},
        {{"extract", "../p.dat", "0x06000002"}, "Error: File ID 06000002 not found in provider\n"},
        {{"export", "../p.dat", "12 34"}, "Error: invalid digit found in string\n"},
        {{"extract", "../p.dat", ""}, "Error: cannot parse integer from empty string\n"},
        {{"export", "../m.qva", "1"},
         "Error: Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required\n"},
        {{"extract", "../m.qva", "2", "--namespace", "eor/cell"}, "Error: File ID 00000002 not found in provider\n"},
        {{"export", "../none.bak", "xyz", "-o", "x"}, "Error: Could not open provider for \"../none.bak\". Expected .qva or .dat\n"},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string sub = "case" + std::to_string(i++);
        const ProgramResult r = run_in(sub, c.args);
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(names_in(sub), std::set<std::string>{}) << testing::PrintToString(c.args);
    }
}

TEST_F(ExportExtractTest, WriteFailureReportsTheSystemErrorAndKeepsEarlierMessages) {
    DatWriter w;
    w.add(0x06000001, texture(500, jpeg_stream));
    w.add(0x06000003, texture(21, {}));
    w.add(0x0A000001, sound({}));
    w.add(0x07000001, pattern_bytes(8, 1));
    w.add(0x01000001, pattern_bytes(8, 2));
    ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
    const struct {
        std::string command;
        std::string id;
        std::string out;
    } cases[] = {
        {"export", "0x06000001", ""},
        {"extract", "0x06000001", ""},
        {"extract", "0x0A000001", ""},
        {"extract", "0x06000003", "Texture 06000003 is not a JPEG (Format 21), exporting as .bin\n"},
        {"extract", "0x07000001", "No extraction specialist for type 07, exporting raw .bin\n"},
        {"extract", "0x01000001", "Model 01000001 (GraphicsObject) exported as .bin (custom client format)\n"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = run({c.command, "p.dat", c.id, "-o", "missing/dir/out.bin"});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "Error: No such file or directory\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

    const ProgramResult r = run({"export", "p.dat", "0x06000001", "-o", "."});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Error: Is a directory\n");
}

}  // namespace
}  // namespace quorvel::test
