// Tests of the streaming QVA writer: layout, compression choices, refusals and failure handling.
#include "quorvel/dat/archive/qva_stream_writer.hpp"

#include <csignal>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>
#include <zstd.h>

#include "qva_test_support.hpp"
#include "quorvel/dat/archive/qva_reader.hpp"
#include "quorvel/dat/log.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;

std::vector<std::uint8_t> text(std::string_view s) { return {s.begin(), s.end()}; }

/// Lowers the file size limit and ignores the signal that exceeding it raises, so writes fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previous_(std::signal(SIGXFSZ, SIG_IGN)), limit_(RLIMIT_FSIZE, bytes) {}
    ~FileSizeLimit() { std::signal(SIGXFSZ, previous_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    void (*previous_)(int);
    test::ResourceLimit limit_;
};

TEST(QvaStreamWriter, WritesPayloadsInArrivalOrderAndTheIndexSorted) {
    test::TempDir dir;
    auto writer = QvaStreamWriter::create(dir / "out.qva", true).value();
    ASSERT_TRUE(writer.add("eor/portal", 5, 6, text("p5")));
    ASSERT_TRUE(writer.add("eor/cell", 9, 7, text("cell9")));
    ASSERT_TRUE(writer.add("eor/portal", 1, 8, text("p1")));
    ASSERT_TRUE(std::move(writer).finish());

    ByteBuilder expected;
    test::qva_header(expected, 3, 117, 84);
    expected.text("p5").text("cell9").text("p1");  // 24, 26, 31; payloads end at 33
    expected.u32(2);                                  // namespace record count
    test::qva_namespace_record(expected, "eor/cell", 0, 1);
    test::qva_namespace_record(expected, "eor/portal", 1, 2);
    test::qva_entry(expected, {"eor/cell", 9, 7, 26, 5, 5});
    test::qva_entry(expected, {"eor/portal", 1, 8, 31, 2, 2});
    test::qva_entry(expected, {"eor/portal", 5, 6, 24, 2, 2});
    EXPECT_EQ(test::read_file(dir / "out.qva"), expected.data());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"out.qva"});
}

TEST(QvaStreamWriter, StoresAFrameOnlyWhenItIsShorter) {
    struct Case {
        std::string name;
        std::vector<std::uint8_t> payload;
        bool compress;
        bool pruned;
        std::uint8_t flags;
    };
    const std::vector<std::uint8_t> mib_of_zeros(1 << 20, 0);
    const std::vector<Case> cases = {
        {"one byte", {0x42}, true, false, 0x00},
        {"1 MiB of zeros", mib_of_zeros, true, false, 0x01},
        {"empty", {}, true, false, 0x00},
        {"incompressible", test::pattern_bytes(200, 3), true, false, 0x00},
        {"pruned, compressed", mib_of_zeros, true, true, 0x05},
        {"pruned, compression off", mib_of_zeros, false, true, 0x04},
        {"compression off", mib_of_zeros, false, false, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        auto writer = QvaStreamWriter::create(dir / "out.qva", c.compress).value();
        auto payload = c.payload;
        if (c.pruned) {
            ASSERT_TRUE(writer.add_pruned("eor/portal", 1, 2, std::move(payload)));
        } else {
            ASSERT_TRUE(writer.add("eor/portal", 1, 2, std::move(payload)));
        }
        ASSERT_TRUE(std::move(writer).finish());

        const auto reader = QvaReader::open(dir / "out.qva").value();
        const auto entry = reader.find_entry(1).value();
        EXPECT_EQ(entry.flags, c.flags);
        EXPECT_EQ(entry.offset, 24u);
        EXPECT_EQ(entry.size, c.payload.size());
        if (entry.compressed()) {
            EXPECT_LT(entry.comp_size, c.payload.size() / 100);
            // One frame that records its content size.
            const auto file = test::read_file(dir / "out.qva");
            EXPECT_EQ(ZSTD_findFrameCompressedSize(file.data() + 24, entry.comp_size), entry.comp_size);
            EXPECT_EQ(ZSTD_getFrameContentSize(file.data() + 24, entry.comp_size), c.payload.size());
        } else {
            EXPECT_EQ(entry.comp_size, c.payload.size());
        }
        EXPECT_EQ(reader.read_entry_data(entry).value(), c.payload);
    }
}

TEST(QvaStreamWriter, WritesBorrowedBytesThroughOneBuffer) {
    // A long frame first, then shorter ones: each entry must hold only its own frame.
    const std::vector<std::vector<std::uint8_t>> payloads = {
        std::vector<std::uint8_t>(1 << 20, 0x11), std::vector<std::uint8_t>(300, 0), text("abc"), test::pattern_bytes(200, 3)};
    test::TempDir dir;
    auto writer = QvaStreamWriter::create(dir / "out.qva", true).value();
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t id = 0; id < payloads.size(); ++id) {
        buffer = payloads[id];
        ASSERT_TRUE(writer.write_entry("eor/portal", id, 2, std::span<const std::uint8_t>(buffer), false));
        EXPECT_EQ(buffer, payloads[id]);
    }
    ASSERT_TRUE(std::move(writer).finish());

    const auto reader = QvaReader::open(dir / "out.qva").value();
    const std::vector<std::uint8_t> flags = {0x01, 0x01, 0x00, 0x00};
    for (std::uint32_t id = 0; id < payloads.size(); ++id) {
        const auto entry = reader.find_entry(id).value();
        EXPECT_EQ(entry.flags, flags[id]) << id;
        EXPECT_EQ(reader.read_entry_data(entry).value(), payloads[id]) << id;
    }
}

TEST(QvaStreamWriter, RefusesDuplicatesAndInvalidNamespaces) {
    test::TempDir dir;
    auto writer = QvaStreamWriter::create(dir / "out.qva", false).value();
    ASSERT_TRUE(writer.add("eor/portal", 5, 1, text("a")));
    const auto duplicate = writer.add_pruned("eor/portal", 5, 1, text("b"));
    ASSERT_FALSE(duplicate);
    EXPECT_EQ(duplicate.error().kind(), DatErrorKind::DuplicateNamespacedId);
    EXPECT_EQ(duplicate.error().message(), "Duplicate namespaced file eor/portal:00000005 detected");
    ASSERT_TRUE(writer.add("eor/cell", 5, 1, text("c")));
    const auto invalid = writer.add("", 6, 1, text("d"));
    ASSERT_FALSE(invalid);
    EXPECT_EQ(invalid.error().message(), "Invalid namespace: namespace label cannot be empty");
    ASSERT_TRUE(std::move(writer).finish());

    const auto reader = QvaReader::open(dir / "out.qva").value();
    EXPECT_EQ(reader.header().entry_count, 2u);
    EXPECT_EQ(reader.read_entry_data(reader.find_entry_with_namespace_id(
                                             ResourceNamespace::create("eor/portal").value(), 5).value()).value(),
              text("a"));
}

TEST(QvaStreamWriter, LeavesTheTargetAloneUntilFinish) {
    test::TempDir dir;
    const auto target = dir / "out.qva";
    test::write_file(target, test::example_archive());
    {
        auto writer = QvaStreamWriter::create(target, true).value();
        ASSERT_TRUE(writer.add("eor/cell", 1, 1, text("x")));
        EXPECT_EQ(test::read_file(target), test::example_archive());
    }  // dropped without finish
    EXPECT_EQ(test::read_file(target), test::example_archive());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"out.qva"});

    {
        auto writer = QvaStreamWriter::create(dir / "new.qva", true).value();
        ASSERT_TRUE(writer.add("eor/cell", 1, 1, text("x")));
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"out.qva"});
}

TEST(QvaStreamWriter, ReportsOutputsThatCannotBeOpenedOrWritten) {
    test::TempDir dir;
    const auto missing = QvaStreamWriter::create(dir / "no-such-dir" / "out.qva", true);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind(), DatErrorKind::Io);
    EXPECT_EQ(missing.error().message(), "IO error: No such file or directory");
    EXPECT_TRUE(dir.names().empty());

    // The placeholder header is a record, so its failure is reported as one.
    const auto full = QvaStreamWriter::create("/dev/full", true);
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().kind(), DatErrorKind::BinRead);
    EXPECT_EQ(full.error().message(), "Binary read error: No space left on device");
}

TEST(QvaStreamWriter, WritesToDevNull) {
    auto writer = QvaStreamWriter::create("/dev/null", true).value();
    ASSERT_TRUE(writer.add("eor/portal", 1, 1, std::vector<std::uint8_t>(5000, 7)));
    EXPECT_TRUE(std::move(writer).finish());
}

TEST(QvaStreamWriter, WriteFailuresKeepTheOldArchive) {
    struct Case {
        std::string name;
        std::size_t entries;       // empty payloads after one of 10 bytes
        rlim_t file_size_limit;
        bool fails_in_add;
        DatErrorKind kind;
    };
    // Payloads end at 34; one namespace makes a 44-byte metadata block ending at 78.
    const std::vector<Case> cases = {
        {"payload write", 0, 30, true, DatErrorKind::Io},
        {"final flush of the metadata", 3, 60, false, DatErrorKind::Io},
        {"final flush of the index", 3, 100, false, DatErrorKind::Io},
        // 140 index records overflow the 8192-byte buffer, so writing a record flushes it.
        {"index record", 140, 200, false, DatErrorKind::BinRead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const auto target = dir / "out.qva";
        test::write_file(target, test::example_archive());
        DatResult<void> result;
        {
            FileSizeLimit limit(c.file_size_limit);
            auto writer = QvaStreamWriter::create(target, false).value();
            result = writer.add("eor/portal", 0, 1, std::vector<std::uint8_t>(10, 1));
            for (std::uint32_t id = 1; result && id <= c.entries; ++id) result = writer.add("eor/portal", id, 1, {});
            EXPECT_EQ(!result, c.fails_in_add);
            if (result) result = std::move(writer).finish();
        }
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), c.kind);
        EXPECT_EQ(result.error().message(), c.kind == DatErrorKind::Io ? "IO error: File too large"
                                                                       : "Binary read error: File too large");
        EXPECT_EQ(test::read_file(target), test::example_archive());
        EXPECT_EQ(dir.names(), std::vector<std::string>{"out.qva"});
    }
}

TEST(QvaStreamWriter, AKeyStaysRecordedWhenItsPayloadWriteFails) {
    test::TempDir dir;
    auto writer = QvaStreamWriter::create(dir / "out.qva", false).value();
    {
        FileSizeLimit limit(30);
        ASSERT_FALSE(writer.add("eor/portal", 1, 1, std::vector<std::uint8_t>(10, 1)));
    }
    EXPECT_EQ(writer.add("eor/portal", 1, 1, std::vector<std::uint8_t>(10, 1)).error().kind(),
              DatErrorKind::DuplicateNamespacedId);
}

TEST(QvaStreamWriter, ACompressionFailureIsLoggedAndThePayloadStoredRaw) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    test::TempDir dir;
    std::vector<std::string> warnings;
    const LogSink previous = set_log_sink([&](const LogRecord& r) {
        if (r.level == LogLevel::Warn) warnings.push_back(fmt::format("{}: {}", r.target, r.message));
    });
    auto writer = QvaStreamWriter::create(dir / "out.qva", true).value();
    std::vector<std::uint8_t> payload(64 << 20, 0);
    {
        // Too little address space left for the compressed copy of 64 MiB.
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        test::ResourceLimit limit(RLIMIT_AS, pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) + (32ULL << 20));
        ASSERT_TRUE(writer.add("eor/portal", 7, 1, std::move(payload)));
    }
    set_log_sink(previous);
    ASSERT_TRUE(std::move(writer).finish());

    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "quorvel_dat::archive: Compression failed for eor/portal:0x00000007: Allocation error : not enough memory");
    const auto entry = QvaReader::open(dir / "out.qva").value().find_entry(7).value();
    EXPECT_EQ(entry.flags, 0);
    EXPECT_EQ(entry.comp_size, 64u << 20);
#endif
}

}  // namespace
}  // namespace quorvel
