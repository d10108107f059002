// End-to-end tests of "weenie" and "weenie-find" on DAT files and QVA archives.
#include <algorithm>
#include <array>

#include <gtest/gtest.h>

#include "archive_inputs.hpp"
#include "quorvel/test_support/weenie_builder.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

constexpr std::uint32_t table_type = 14;  // the type id of table files in a QVA index

// Counted: ints 1, 5, 19; float 39; strings 1, 14; data ids 1, 8. Not counted: int 400 and float
// 8019 (unknown numbers), string 16 (empty), data id 3 (zero), and the three uncounted families.
WeenieBuilder full_weenie() {
    WeenieBuilder w(0xAC1, 22);
    w.int_property(1, 0x4000).int_property(5, 10).int_property(19, 25).int_property(400, 7);
    w.int64_property(1, 5).bool_property(19, 1);
    w.float_property(39, 0.8).float_property(8019, 1.0);
    w.string_property(1, "Cl\xE9 de cuivre").string_property(14, "Opens.").string_property(16, "");
    w.data_id_property(1, 0x02000155).data_id_property(8, 0x060012F4).data_id_property(3, 0);
    w.instance_id_property(1, 5);
    return w;
}

constexpr const char* full_weenie_text =
    "File ID:         0E100001\n"
    "Weenie Class ID: 00000AC1\n"
    "Weenie Type:     22\n"
    "Name:            Cl\xC3\xA9 de cuivre\n"
    "Icon ID:         060012F4\n"
    "Properties (Int):    3\n"
    "Properties (Float):  1\n"
    "Properties (String): 2\n"
    "Properties (DID):    2\n";

// A name that is set and then removed, and no data id 8.
WeenieBuilder nameless_weenie() {
    WeenieBuilder w(4100, 7);
    w.int_property(1, 0x10000).string_property(1, "Gone").string_property(1, "").data_id_property(1, 0x02000001);
    return w;
}

Bytes truncated(Bytes bytes) {
    bytes.resize(bytes.size() - 1);
    return bytes;
}

class WeenieTest : public E2eTest {
protected:
    void SetUp() override {
        write_dat(dir / "portal.dat", {{0x0E100001, full_weenie().bytes()},
                                       {0x0E100002, nameless_weenie().bytes()},
                                       {0x0E100003, truncated(full_weenie().bytes())}});
        write_qva(dir / "portal.qva", {{"eor/portal", 0x0E100001, table_type, full_weenie().bytes()}});
        write_qva(dir / "both.qva", {{"eor/portal", 0x0E100001, table_type, full_weenie().bytes()},
                                     {"eor/cell", 0x0E100001, table_type, nameless_weenie().bytes()}},
                  /*compress=*/true);
    }
};

TEST_F(WeenieTest, PrintsTheSummaryFromEveryKindOfInput) {
    const std::vector<std::vector<std::string>> cases = {
        {"weenie", "portal.dat", "0x0E100001"},
        {"weenie", "portal.dat", "0E100001"},
        {"weenie", "portal.dat", "235929601"},  // the same id in decimal
        {"weenie", "portal.dat", "0x0E100001", "--namespace", ""},  // a DAT file ignores the namespace
        {"weenie", "portal.qva", "0x0E100001"},
        {"weenie", "portal", "0x0E100001"},  // the ".qva" sibling
        {"weenie", "both.qva", "0x0E100001", "--namespace", "eor/portal"},
    };
    for (const auto& args : cases) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, full_weenie_text) << testing::PrintToString(args);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(WeenieTest, OmitsNameAndIconLinesWhenAbsent) {
    const std::string expected =
        "File ID:         0E100002\n"
        "Weenie Class ID: 00001004\n"
        "Weenie Type:     7\n"
        "Properties (Int):    1\n"
        "Properties (Float):  0\n"
        "Properties (String): 0\n"
        "Properties (DID):    1\n";
    const ProgramResult r = run({"weenie", "portal.dat", "0x0E100002"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");

    const ProgramResult cell = run({"weenie", "both.qva", "0x0E100001", "--namespace", "eor/cell"});
    EXPECT_EQ(cell.status, 0) << cell;
    EXPECT_EQ(cell.out, std::string(expected).replace(expected.find("0E100002"), 8, "0E100001"));
}

// Whatever makes fetching or decoding fail is one line on standard output, and success.
TEST_F(WeenieTest, UnreadableRecordIsOneLineAndSuccess) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"weenie", "portal.dat", "0xABCD"}, "0000ABCD"},                                       // absent
        {{"weenie", "portal.dat", "0x0E100003"}, "0E100003"},                                   // cut short
        {{"weenie", "portal.qva", "0xABCD"}, "0000ABCD"},                                       // absent
        {{"weenie", "both.qva", "0x0E100001"}, "0E100001"},                                     // several namespaces
        {{"weenie", "both.qva", "0x0E100001", "--namespace", "eor/other"}, "0E100001"},         // unknown namespace
        {{"weenie", "both.qva", "0x0E100001", "--namespace", ""}, "0E100001"},                  // invalid namespace
    };
    for (const auto& [args, id] : cases) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, "Could not decode a Weenie record from ID " + id + ".\n") << testing::PrintToString(args);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(WeenieTest, BadInputOrIdIsAnError) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"weenie", "portal.dat", "xyz"}, "Error: invalid digit found in string\n"},
        {{"weenie-find", "portal.dat", ""}, "Error: cannot parse integer from empty string\n"},
        {{"weenie", "missing.bin", "xyz"}, "Error: Could not open provider for \"missing.bin\". Expected .qva or .dat\n"},
        {{"weenie-find", "missing.bin", "1"}, "Error: Could not open provider for \"missing.bin\". Expected .qva or .dat\n"},
    };
    for (const auto& [args, err] : cases) {
        const ProgramResult r = run(args);
        EXPECT_EQ(r.status, 1) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, err);
    }
}

// --- weenie-find ---

WeenieTableBuilder key_table(std::uint32_t table_id) {
    WeenieTableBuilder t(table_id);
    t.add(2753, WeenieBuilder(2753, 22).string_property(1, "Copper Key"));
    t.add(200, WeenieBuilder(200, 6).string_property(1, "Training Sword"));
    return t;
}

// Key 2753 holds a record with another class id and no name.
WeenieTableBuilder odd_key_table(std::uint32_t table_id) {
    WeenieTableBuilder t(table_id);
    t.add(2753, WeenieBuilder(9999, 3).data_id_property(8, 0x06000001));
    return t;
}

// Class id 2753 under another key: not a hit, since the key is searched.
WeenieTableBuilder class_only_table(std::uint32_t table_id) {
    WeenieTableBuilder t(table_id);
    t.add(77, WeenieBuilder(2753, 22).string_property(1, "Misfiled Key"));
    return t;
}

const std::string key_hit_lines = "  Entry WCID: 00000AC1\n  WeenieType: 22\n  Name: Copper Key\n";
const std::string odd_hit_lines = "  Entry WCID: 0000270F\n  WeenieType: 3\n";

TEST_F(E2eTest, WeenieFindWithoutTablesSaysSo) {
    write_dat(dir / "portal.dat", {{0x06000001, Bytes(30, 1)}, {0x0F000001, key_table(0x0F000001).bytes()}});
    write_qva(dir / "empty.qva", {});
    for (const char* input : {"portal.dat", "empty.qva"}) {
        const ProgramResult r = run({"weenie-find", input, "1234"});
        EXPECT_EQ(r.status, 0) << r;
        EXPECT_EQ(r.out,
                  "Scanning 0 table files (0x0E prefix) for WCID 1234...\n"
                  "No WCID 1234 entries found in scan-able table files (0x0E range).\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(E2eTest, WeenieFindOnADatFileSearchesEveryTableByKey) {
    DatWriter writer;
    writer.add(0x0E000003, key_table(0x0E000003).bytes());
    writer.add(0x0E000004, odd_key_table(0x0E000004).bytes(), {.compress = true});
    writer.add(0x0E000005, class_only_table(0x0E000005).bytes());
    writer.add(0x0E000006, truncated(key_table(0x0E000006).bytes()));  // fails to decode
    writer.add(0x0E000007, key_table(0x0E000007).bytes());             // fails to read, below
    writer.add(0x0EFFFFFF, Bytes{1, 2, 3});                             // too short for a table
    writer.add(0x0F000003, key_table(0x0F000003).bytes());             // not a table id
    writer.add(0x0D000003, key_table(0x0D000003).bytes());
    DatImage image = std::move(writer).finish();
    image.patch_entry(0x0E000007, EntryField::offset, 0x7FFFFF00);
    ASSERT_TRUE(image.write(dir / "portal.dat"));

    for (const char* wcid : {"2753", "0xAC1", "AC1"}) {
        const ProgramResult r = run({"weenie-find", "portal.dat", wcid});
        EXPECT_EQ(r.status, 0) << r;
        EXPECT_EQ(r.err, "");
        // The directory's order is not fixed: compare the hit blocks as a set.
        const std::string head = "Scanning 6 table files (0x0E prefix) for WCID 2753...\n";
        ASSERT_EQ(r.out.substr(0, head.size()), head) << r;
        const std::string block3 = "Hit in table 0E000003\n" + key_hit_lines;
        const std::string block4 = "Hit in table 0E000004\n" + odd_hit_lines;
        const std::string rest = r.out.substr(head.size());
        EXPECT_TRUE(rest == block3 + block4 || rest == block4 + block3) << r;
    }

    const ProgramResult none = run({"weenie-find", "portal.dat", "4242"});
    EXPECT_EQ(none.status, 0) << none;
    EXPECT_EQ(none.out,
              "Scanning 6 table files (0x0E prefix) for WCID 4242...\n"
              "No WCID 4242 entries found in scan-able table files (0x0E range).\n");
}

TEST_F(E2eTest, WeenieFindOnAnArchiveScansTypeFourteenInIndexOrder) {
    write_qva(dir / "all.qva",
              {
                  {"eor/portal", 0x0E000003, table_type, key_table(0x0E000003).bytes()},
                  {"eor/portal", 0x06000009, table_type, odd_key_table(0x06000009).bytes()},  // table type, other id
                  {"eor/portal", 0x0E000001, 6, key_table(0x0E000001).bytes()},               // table id, other type
                  {"eor/portal", 0x0E000002, table_type, truncated(key_table(0x0E000002).bytes())},
                  {"eor/cell", 0x0E000003, table_type, key_table(0x0E000003).bytes()},
                  {"eor/cell", 0x0E000004, table_type, key_table(0x0E000004).bytes()},  // its label is damaged below
              },
              /*compress=*/true);
    // Index order: eor/cell 0E000003, 0E000004, then eor/portal 06000009, 0E000001, 0E000002, 0E000003.
    std::array<std::uint8_t, 32> damaged{'e', 'o', 'r', '/', 'c', 'e', 'l', 'l'};
    damaged[20] = 'x';  // data after the label's end
    patch_index_namespace(dir / "all.qva", 1, damaged);

    const ProgramResult r = run({"weenie-find", "all.qva", "2753"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Scanning 4 table files (0x0E prefix) for WCID 2753...\n"
                     "Hit in table eor/cell:0E000003\n" + key_hit_lines +
                     "Hit in table eor/portal:06000009\n" + odd_hit_lines +
                     "Hit in table eor/portal:0E000003\n" + key_hit_lines);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace quorvel::test
