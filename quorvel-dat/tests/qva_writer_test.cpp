// Tests of the in-memory QVA writer: exact layouts, ordering, refusals and failed writes.
#include "quorvel/dat/archive/qva_writer.hpp"

#include <csignal>
#include <string>

#include <gtest/gtest.h>

#include "qva_test_support.hpp"
#include "quorvel/dat/archive/qva_reader.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;

std::vector<std::uint8_t> text(std::string_view s) { return {s.begin(), s.end()}; }

TEST(QvaWriter, CompressesByDefault) { EXPECT_TRUE(QvaWriter{}.compress); }

TEST(QvaWriter, WritesTheEmptyArchive) {
    test::TempDir dir;
    ASSERT_TRUE(QvaWriter{}.write(dir / "empty.qva"));
    const auto bytes = test::read_file(dir / "empty.qva");
    EXPECT_EQ(bytes.size(), 28u);
    EXPECT_EQ(bytes, test::empty_archive());
}

TEST(QvaWriter, WritesTheTwoEntryExampleByteForByte) {
    for (const bool compress : {false, true}) {  // neither payload gets shorter as a frame
        SCOPED_TRACE(compress);
        test::TempDir dir;
        QvaWriter writer;
        writer.compress = compress;
        ASSERT_TRUE(writer.add("eor/portal", 2, 10, test::example_payload_2()));
        ASSERT_TRUE(writer.add("eor/portal", 1, 6, test::example_payload_1()));
        ASSERT_TRUE(std::move(writer).write(dir / "example.qva"));
        const auto bytes = test::read_file(dir / "example.qva");
        EXPECT_EQ(bytes.size(), 338u);
        EXPECT_EQ(bytes, test::example_archive());
    }
}

TEST(QvaWriter, WritesPayloadsInIndexOrder) {
    test::TempDir dir;
    QvaWriter writer;
    ASSERT_TRUE(writer.add("eor/portal", 5, 6, text("p5")));
    ASSERT_TRUE(writer.add("eor/cell", 9, 7, text("cell9")));
    ASSERT_TRUE(writer.add("eor/portal", 1, 8, text("p1")));
    ASSERT_TRUE(std::move(writer).write(dir / "out.qva"));

    ByteBuilder expected;
    test::qva_header(expected, 3, 117, 84);
    expected.text("cell9").text("p1").text("p5");  // 24, 29, 31; payloads end at 33
    expected.u32(2);                                  // namespace record count
    test::qva_namespace_record(expected, "eor/cell", 0, 1);
    test::qva_namespace_record(expected, "eor/portal", 1, 2);
    test::qva_entry(expected, {"eor/cell", 9, 7, 24, 5, 5});
    test::qva_entry(expected, {"eor/portal", 1, 8, 29, 2, 2});
    test::qva_entry(expected, {"eor/portal", 5, 6, 31, 2, 2});
    EXPECT_EQ(test::read_file(dir / "out.qva"), expected.data());
}

TEST(QvaWriter, RefusesDuplicatesAndInvalidNamespaces) {
    test::TempDir dir;
    QvaWriter writer;
    writer.compress = false;
    ASSERT_TRUE(writer.add("eor/portal", 5, 1, text("first")));
    const auto duplicate = writer.insert("eor/portal", 5, 1, text("second"), true);
    ASSERT_FALSE(duplicate);
    EXPECT_EQ(duplicate.error().kind(), DatErrorKind::DuplicateNamespacedId);
    EXPECT_EQ(duplicate.error().message(), "Duplicate namespaced file eor/portal:00000005 detected");
    ASSERT_TRUE(writer.add("eor/cell", 5, 1, text("cell")));
    const auto empty = writer.add("", 6, 1, text("nowhere"));
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().kind(), DatErrorKind::InvalidNamespace);
    EXPECT_EQ(empty.error().message(), "Invalid namespace: namespace label cannot be empty");
    ASSERT_TRUE(std::move(writer).write(dir / "out.qva"));

    const auto reader = QvaReader::open(dir / "out.qva").value();
    EXPECT_EQ(reader.header().entry_count, 2u);
    const auto portal = reader.find_entry_with_namespace_id(ResourceNamespace::create("eor/portal").value(), 5).value();
    EXPECT_EQ(reader.read_entry_data(portal).value(), text("first"));
    EXPECT_FALSE(portal.pruned());
}

TEST(QvaWriter, MarksPrunedEntries) {
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        test::TempDir dir;
        QvaWriter writer;
        writer.compress = compress;
        ASSERT_TRUE(writer.insert("eor/portal", 3, 1, std::vector<std::uint8_t>(4096, 0), true));
        ASSERT_TRUE(std::move(writer).write(dir / "out.qva"));
        const auto reader = QvaReader::open(dir / "out.qva").value();
        const auto entry = reader.find_entry(3).value();
        EXPECT_EQ(entry.flags, compress ? 0x05 : 0x04);
        EXPECT_EQ(reader.read_entry_data(entry).value(), std::vector<std::uint8_t>(4096, 0));
    }
}

TEST(QvaWriter, AFailedWriteKeepsTheOldArchive) {
    test::TempDir dir;
    const auto missing = QvaWriter{}.write(dir / "no-such-dir" / "out.qva");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind(), DatErrorKind::Io);
    EXPECT_EQ(missing.error().message(), "IO error: No such file or directory");
    EXPECT_TRUE(dir.names().empty());

    const auto target = dir / "out.qva";
    test::write_file(target, test::example_archive());
    QvaWriter writer;
    writer.compress = false;
    ASSERT_TRUE(writer.add("eor/portal", 1, 1, test::pattern_bytes(1000, 9)));
    DatResult<void> result;
    {
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        test::ResourceLimit limit(RLIMIT_FSIZE, 500);
        result = std::move(writer).write(target);
        std::signal(SIGXFSZ, previous);
    }
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "IO error: File too large");
    EXPECT_EQ(test::read_file(target), test::example_archive());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"out.qva"});
}

TEST(QvaWriter, WritesToDevNull) {
    QvaWriter writer;
    ASSERT_TRUE(writer.add("eor/cell", 1, 1, std::vector<std::uint8_t>(100000, 3)));
    EXPECT_TRUE(std::move(writer).write("/dev/null"));
}

}  // namespace
}  // namespace quorvel
