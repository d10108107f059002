// Tests of opening QVA archives, the lookups and payload reads, against images built byte by byte.
#include "quorvel/dat/archive/qva_reader.hpp"

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>
#include <zstd.h>

#include "qva_test_support.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;
using Image = std::vector<std::uint8_t>;

void patch_u32(Image& image, std::size_t at, std::uint32_t value) { store_le(image.data() + at, value); }
void patch_u64(Image& image, std::size_t at, std::uint64_t value) { store_le(image.data() + at, value); }
void patch_label(Image& image, std::size_t at, std::string_view label) {
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(at), 32, 0);
    std::copy(label.begin(), label.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

ResourceNamespace ns(std::string_view label) { return ResourceNamespace::create(label).value(); }

/// Payload of an entry in the images built below: its id, little-endian.
std::vector<std::uint8_t> id_payload(std::uint32_t id) { return ByteBuilder().u32(id).take(); }

/// An archive with raw 4-byte payloads; `namespaces` must be in ascending order with ascending ids.
Image make_archive(const std::vector<std::pair<std::string, std::vector<std::uint32_t>>>& namespaces) {
    std::uint32_t entry_count = 0;
    for (const auto& [label, ids] : namespaces) entry_count += static_cast<std::uint32_t>(ids.size());
    const std::uint64_t metadata_start = 24 + 4ULL * entry_count;
    const std::uint32_t metadata_size = 4 + 40 * static_cast<std::uint32_t>(namespaces.size());

    ByteBuilder b;
    test::qva_header(b, entry_count, metadata_start + metadata_size, metadata_size);
    for (const auto& [label, ids] : namespaces)
        for (const auto id : ids) b.bytes(id_payload(id));
    b.u32(static_cast<std::uint32_t>(namespaces.size()));  // namespace record count
    std::uint32_t start = 0;
    for (const auto& [label, ids] : namespaces) {
        test::qva_namespace_record(b, label, start, static_cast<std::uint32_t>(ids.size()));
        start += static_cast<std::uint32_t>(ids.size());
    }
    std::uint64_t offset = 24;
    for (const auto& [label, ids] : namespaces)
        for (const auto id : ids) {
            test::qva_entry(b, {label, id, 0x06, offset, 4, 4});
            offset += 4;
        }
    return b.take();
}

/// eor/cell {9} and eor/portal {1, 5}: metadata at 36 (records at 40 and 80), index at 120.
Image two_namespace_archive() { return make_archive({{"eor/cell", {9}}, {"eor/portal", {1, 5}}}); }

class QvaReaderTest : public ::testing::Test {
protected:
    DatResult<QvaReader> open_image(const Image& image) {
        const auto path = dir_ / "archive.qva";
        test::write_file(path, image);
        return QvaReader::open(path);
    }

    test::TempDir dir_;
};

TEST_F(QvaReaderTest, OpensTheExampleArchive) {
    const auto reader = open_image(test::example_archive());
    ASSERT_TRUE(reader) << reader.error().message();
    EXPECT_EQ(reader->header(), (QvaHeader{QvaHeader::expected_magic, 2, 2, 218, 44}));
    EXPECT_EQ(reader->file_len(), 338u);
    EXPECT_EQ(reader->spans(), (std::vector<NamespaceSpan>{{ns("eor/portal"), 0, 2}}));

    const auto first = reader->find_entry(1).value();
    EXPECT_EQ(first.namespace_id().value(), ns("eor/portal"));
    EXPECT_EQ(first.type_id, 6u);
    EXPECT_EQ(first.offset, 24u);
    EXPECT_EQ(reader->read_entry_data(first).value(), test::example_payload_1());
    const auto second = reader->find_entry_with_namespace_id(ns("eor/portal"), 2).value();
    EXPECT_EQ(second.type_id, 10u);
    EXPECT_EQ(reader->read_entry_data(second).value(), test::example_payload_2());
    EXPECT_EQ(reader->read_entry_at(1).value(), second);
}

TEST_F(QvaReaderTest, AcceptsBytesAfterTheIndex) {
    Image image = test::example_archive();
    image.push_back(0xAA);
    const auto reader = open_image(image);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->file_len(), 339u);
}

TEST_F(QvaReaderTest, OpensEmptyArchives) {
    Image without_metadata;
    {
        ByteBuilder b;
        test::qva_header(b, 0, 24, 0);
        without_metadata = b.take();
    }
    for (const Image& image : {test::empty_archive(), without_metadata}) {
        const auto reader = open_image(image);
        ASSERT_TRUE(reader) << reader.error().message();
        EXPECT_TRUE(reader->spans().empty());
        EXPECT_EQ(reader->find_entry(7).error().message(), "File ID 00000007 not found in provider");
        EXPECT_EQ(reader->find_entry_with_namespace_id(ns("eor/cell"), 7).error().kind(), DatErrorKind::NotFound);
        EXPECT_TRUE(reader->read_entries_at(0, 10).value().empty());
    }
}

TEST_F(QvaReaderTest, ReportsAFileThatCannotBeOpened) {
    const auto path = dir_ / "missing.qva";
    const auto reader = QvaReader::open(path);
    ASSERT_FALSE(reader);
    EXPECT_EQ(reader.error().kind(), DatErrorKind::PathError);
    EXPECT_EQ(reader.error().message(), "Failed to open file at " + path.string() + ": No such file or directory");
}

struct OpenCase {
    std::string name;
    std::function<Image()> image;
    DatErrorKind kind;
    std::string message;
};

/// One valid image per row, damaged in one place.
Image damaged(Image image, const std::function<void(Image&)>& damage) {
    damage(image);
    return image;
}

TEST_F(QvaReaderTest, RefusesDamagedArchives) {
    const auto example = [](const std::function<void(Image&)>& damage) {
        return [damage] { return damaged(test::example_archive(), damage); };
    };
    const auto two = [](const std::function<void(Image&)>& damage) {
        return [damage] { return damaged(two_namespace_archive(), damage); };
    };
    using K = DatErrorKind;
    const std::vector<OpenCase> cases = {
        // Header and ranges.
        {"23 bytes", example([](Image& i) { i.resize(23); }), K::Io, "IO error: failed to fill whole buffer"},
        {"magic", example([](Image& i) { i[2] = 'B'; }), K::InvalidMagic, "Invalid magic for format: QVA"},
        {"magic zero byte", example([](Image& i) { i[3] = ' '; }), K::InvalidMagic, "Invalid magic for format: QVA"},
        {"all 0xFF", [] { return Image(24, 0xFF); }, K::InvalidMagic, "Invalid magic for format: QVA"},
        {"version 1", example([](Image& i) { patch_u32(i, 4, 1); }), K::UnsupportedVersion, "Unsupported version: 1"},
        {"version 3", example([](Image& i) { patch_u32(i, 4, 3); }), K::UnsupportedVersion, "Unsupported version: 3"},
        {"index size", example([](Image& i) { patch_u32(i, 8, 71'582'789); }), K::Corruption,
         "Corruption detected: QVA index size overflow"},
        {"largest count", example([](Image& i) { patch_u32(i, 8, 71'582'788); }), K::Corruption,
         "Corruption detected: QVA index extends beyond file size (4294967498 > 338)"},
        {"index range", example([](Image& i) { patch_u64(i, 12, std::numeric_limits<std::uint64_t>::max() - 100); }),
         K::Corruption, "Corruption detected: QVA index range overflow"},
        {"index offset +1", example([](Image& i) { patch_u64(i, 12, 219); }), K::Corruption,
         "Corruption detected: QVA index extends beyond file size (339 > 338)"},
        {"one more entry", example([](Image& i) { patch_u32(i, 8, 3); }), K::Corruption,
         "Corruption detected: QVA index extends beyond file size (398 > 338)"},
        {"metadata underflow", example([](Image& i) { patch_u32(i, 20, 219); }), K::Corruption,
         "Corruption detected: QVA metadata offset underflow"},
        {"metadata in header", example([](Image& i) { patch_u32(i, 20, 195); }), K::Corruption,
         "Corruption detected: QVA metadata offset 23 is within header area"},
        {"placeholder header", example([](Image& i) { patch_u32(i, 8, 0), patch_u64(i, 12, 0), patch_u32(i, 20, 0); }),
         K::Corruption, "Corruption detected: QVA metadata offset 0 is within header area"},
        {"no metadata", example([](Image& i) { patch_u32(i, 20, 0); }), K::Corruption,
         "Corruption detected: QVA v2 archives with entries must include namespace metadata"},
        // Namespace metadata.
        {"metadata of 3 bytes", example([](Image& i) { patch_u32(i, 20, 3); }), K::BinRead,
         "Binary read error: failed to fill whole buffer"},
        {"count 2", example([](Image& i) { patch_u32(i, 174, 2); }), K::Corruption,
         "Corruption detected: QVA metadata size mismatch: header says 44, metadata contents require 84"},
        {"count wraps in 32 bits", example([](Image& i) { patch_u32(i, 174, 536'870'913); }), K::Corruption,
         "Corruption detected: QVA metadata size mismatch: header says 44, metadata contents require 21474836524"},
        {"namespace not UTF-8", example([](Image& i) { i[178] = 0xFF; }), K::InvalidNamespace,
         "Invalid namespace: namespace bytes are not valid UTF-8: invalid utf-8 sequence of 1 bytes from index 0"},
        {"namespace trailing data", example([](Image& i) { i[178 + 20] = 'x'; }), K::InvalidNamespace,
         "Invalid namespace: namespace bytes must be zero-padded without embedded trailing data"},
        {"namespace empty", example([](Image& i) { patch_label(i, 178, ""); }), K::InvalidNamespace,
         "Invalid namespace: namespace label cannot be empty"},
        {"first start 1", example([](Image& i) { patch_u32(i, 210, 1); }), K::Corruption,
         "Corruption detected: QVA namespace metadata is not contiguous: expected start 0, found 1"},
        {"span too long", example([](Image& i) { patch_u32(i, 214, 3); }), K::Corruption,
         "Corruption detected: QVA namespace span exceeds total entry count (3 > 2)"},
        {"span too short", example([](Image& i) { patch_u32(i, 214, 1); }), K::Corruption,
         "Corruption detected: QVA namespace metadata covered 1 entries but header declares 2"},
        {"unsorted", two([](Image& i) { patch_label(i, 40, "eor/portal"), patch_label(i, 80, "eor/cell"); }),
         K::Corruption, "Corruption detected: QVA namespace metadata is not strictly sorted"},
        {"repeated", two([](Image& i) { patch_label(i, 80, "eor/cell"); }), K::Corruption,
         "Corruption detected: QVA namespace metadata is not strictly sorted"},
        {"gap", two([](Image& i) { patch_u32(i, 76, 2), patch_u32(i, 112, 3); }), K::Corruption,
         "Corruption detected: QVA namespace metadata is not contiguous: expected start 2, found 3"},
        {"span overflow", two([](Image& i) { patch_u32(i, 116, 0xFFFFFFFF); }), K::Corruption,
         "Corruption detected: QVA namespace span overflow"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reader = open_image(c.image());
        ASSERT_FALSE(reader);
        EXPECT_EQ(reader.error().kind(), c.kind);
        EXPECT_EQ(reader.error().message(), c.message);
    }
}

TEST_F(QvaReaderTest, AcceptsAnEmptySpan) {
    Image image = two_namespace_archive();
    patch_u32(image, 76, 3);   // eor/cell covers all three entries
    patch_u32(image, 112, 3);  // eor/portal starts at the end
    patch_u32(image, 116, 0);  // and is empty
    const auto reader = open_image(image);
    ASSERT_TRUE(reader) << reader.error().message();
    EXPECT_EQ(reader->spans().back(), (NamespaceSpan{ns("eor/portal"), 3, 0}));
    EXPECT_EQ(reader->find_entry_with_namespace_id(ns("eor/portal"), 1).error().kind(), DatErrorKind::NotFound);
}

/// Read system calls made by this process so far, from the kernel's per-task I/O accounting.
std::optional<std::uint64_t> read_syscalls() {
    std::ifstream in("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value)
        if (key == "syscr:") return value;
    return std::nullopt;
}

/// Counts the read system calls `f` makes, less the cost of asking.
template <class F>
std::uint64_t count_reads(F&& f) {
    const auto a = read_syscalls();
    const auto b = read_syscalls();
    f();
    const auto c = read_syscalls();
    return (*c - *b) - (*b - *a);
}

class QvaLookupTest : public QvaReaderTest {
protected:
    void SetUp() override {
        std::vector<std::uint32_t> portal;
        for (std::uint32_t i = 0; i < 1000; ++i) portal.push_back(20 + 2 * i);  // 20, 22, ..., 2018
        // The neighbours hold ids the portal search must not reach: 12 below its span, 5000 above it.
        auto opened = open_image(make_archive({{"eor/cell", {10, 11, 12}},
                                               {"eor/portal", portal},
                                               {"eor/zzz", {20, 3000, 5000}}}));
        ASSERT_TRUE(opened) << opened.error().message();
        reader_.emplace(std::move(*opened));
    }

    std::optional<QvaReader> reader_;
};

TEST_F(QvaLookupTest, FindsEntriesAtSpanEdges) {
    struct Case {
        std::string_view label;
        std::uint32_t id;
        std::optional<std::uint32_t> index;  // position in the index, or not found
    };
    const std::vector<Case> cases = {
        {"eor/cell", 10, 0},       {"eor/cell", 12, 2},       {"eor/cell", 9, {}},      {"eor/cell", 13, {}},
        {"eor/cell", 0, {}},       {"eor/portal", 20, 3},     {"eor/portal", 2018, 1002}, {"eor/portal", 1020, 503},
        {"eor/portal", 12, {}},    {"eor/portal", 19, {}},    {"eor/portal", 21, {}},   {"eor/portal", 2019, {}},
        {"eor/portal", 5000, {}},  {"eor/portal", 0xFFFFFFFF, {}}, {"eor/zzz", 20, 1003}, {"eor/zzz", 5000, 1005},
        {"eor/zzz", 22, {}},       {"eor/zzz", 6000, {}},     {"a", 10, {}},            {"eor/d", 20, {}},
        {"zzz", 20, {}},           {"eor/portal2", 20, {}},   {"eor/porta", 20, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{}:{}", c.label, c.id));
        const auto entry = reader_->find_entry_with_namespace_id(ns(c.label), c.id);
        if (c.index) {
            ASSERT_TRUE(entry) << entry.error().message();
            EXPECT_EQ(*entry, reader_->read_entry_at(*c.index).value());
            EXPECT_EQ(entry->namespace_id().value(), ns(c.label));
            EXPECT_EQ(reader_->read_entry_data(*entry).value(), id_payload(c.id));
        } else {
            ASSERT_FALSE(entry);
            EXPECT_EQ(entry.error().kind(), DatErrorKind::NotFound);
            EXPECT_EQ(entry.error().message(), fmt::format("File ID {:08X} not found in provider", c.id));
        }
    }
}

TEST_F(QvaLookupTest, FindEntryNeedsANamespaceWhenThereAreSeveral) {
    // Even for an id only one namespace holds.
    const auto entry = reader_->find_entry(3000);
    ASSERT_FALSE(entry);
    EXPECT_EQ(entry.error().kind(), DatErrorKind::Other);
    EXPECT_EQ(entry.error().message(),
              "Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required");
}

TEST_F(QvaLookupTest, LookupsReadLogarithmicallyManyRecords) {
    if (!read_syscalls()) GTEST_SKIP() << "no per-task I/O accounting on this system";
    // A span of n entries is searched with at most floor(log2(n)) + 1 probes of one read each.
    const std::uint64_t portal_bound = static_cast<std::uint64_t>(std::floor(std::log2(1000.0))) + 1;
    std::uint64_t most = 0;
    for (std::uint32_t id = 18; id <= 2020; ++id) {
        const auto reads = count_reads([&] { (void)reader_->find_entry_with_namespace_id(ns("eor/portal"), id); });
        most = std::max(most, reads);
        ASSERT_LE(reads, portal_bound) << id;
    }
    EXPECT_GE(most, portal_bound - 1);  // the counting itself works
    EXPECT_EQ(count_reads([&] { (void)reader_->find_entry_with_namespace_id(ns("eor/cell"), 11); }), 1u);
    EXPECT_EQ(count_reads([&] { (void)reader_->find_entry_with_namespace_id(ns("eor/nothing"), 11); }), 0u);
}

TEST_F(QvaLookupTest, ReadsIndexChunksWithOneRead) {
    const auto chunk = reader_->read_entries_at(2, 5).value();
    ASSERT_EQ(chunk.size(), 5u);
    for (std::uint32_t i = 0; i < 5; ++i) EXPECT_EQ(chunk[i], reader_->read_entry_at(2 + i).value());
    EXPECT_EQ(reader_->read_entries_at(1004, 10).value().size(), 2u);  // stops at the end of the index
    EXPECT_TRUE(reader_->read_entries_at(1006, 10).value().empty());
    EXPECT_TRUE(reader_->read_entries_at(0xFFFFFFFF, 0xFFFFFFFF).value().empty());
    EXPECT_EQ(reader_->read_entries_at(0, 0xFFFFFFFF).value().size(), 1006u);
    if (read_syscalls()) {
        EXPECT_EQ(count_reads([&] { (void)reader_->read_entries_at(0, 700); }), 1u);
    }
}

TEST_F(QvaReaderTest, SameIdInTwoNamespaces) {
    const auto reader = open_image(make_archive({{"eor/cell", {7}}, {"eor/portal", {7}}}));
    ASSERT_TRUE(reader);
    const auto cell = reader->find_entry_with_namespace_id(ns("eor/cell"), 7).value();
    const auto portal = reader->find_entry_with_namespace_id(ns("eor/portal"), 7).value();
    EXPECT_EQ(cell.offset, 24u);
    EXPECT_EQ(portal.offset, 28u);
}

std::vector<std::uint8_t> zstd_frame(const std::vector<std::uint8_t>& data, bool declare_size) {
    ZSTD_CCtx* cctx = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_contentSizeFlag, declare_size ? 1 : 0);
    std::vector<std::uint8_t> out(ZSTD_compressBound(data.size()));
    const std::size_t n = ZSTD_compress2(cctx, out.data(), out.size(), data.data(), data.size());
    ZSTD_freeCCtx(cctx);
    out.resize(n);
    return out;
}

const std::vector<std::uint8_t> hundred = std::vector<std::uint8_t>(100, 'q');

TEST(DecompressZstd, DecompressesWithinCapacity) {
    const auto declared = zstd_frame(hundred, true);
    const auto undeclared = zstd_frame(hundred, false);
    ASSERT_EQ(ZSTD_getFrameContentSize(undeclared.data(), undeclared.size()), ZSTD_CONTENTSIZE_UNKNOWN);
    for (const auto& frame : {declared, undeclared}) {
        EXPECT_EQ(decompress_zstd(frame, 100), hundred);
        EXPECT_EQ(decompress_zstd(frame, 1000), hundred);
        EXPECT_EQ(decompress_zstd(frame, 99), std::nullopt);
    }
    auto two_frames = declared;
    two_frames.insert(two_frames.end(), declared.begin(), declared.end());
    EXPECT_EQ(decompress_zstd(two_frames, 250)->size(), 200u);
    EXPECT_EQ(decompress_zstd(two_frames, 150), std::nullopt);
    EXPECT_EQ(decompress_zstd(hundred, 1000), std::nullopt);
    EXPECT_EQ(decompress_zstd({}, 1000), std::vector<std::uint8_t>{});  // no frames, no bytes
}

class QvaPayloadTest : public QvaReaderTest {
protected:
    void SetUp() override {
        Image image = test::example_archive();
        declared_at_ = image.size();
        const auto declared = zstd_frame(hundred, true);
        image.insert(image.end(), declared.begin(), declared.end());
        declared_len_ = static_cast<std::uint32_t>(declared.size());
        undeclared_at_ = image.size();
        const auto undeclared = zstd_frame(hundred, false);
        image.insert(image.end(), undeclared.begin(), undeclared.end());
        undeclared_len_ = static_cast<std::uint32_t>(undeclared.size());
        auto opened = open_image(image);
        ASSERT_TRUE(opened);
        reader_.emplace(std::move(*opened));
    }

    QvaEntry entry(std::uint64_t offset, std::uint32_t size, std::uint32_t comp_size, std::uint8_t flags) const {
        QvaEntry e;
        e.namespace_ = ns("eor/portal").bytes();
        e.file_id = 1;
        e.offset = offset;
        e.size = size;
        e.comp_size = comp_size;
        e.flags = flags;
        return e;
    }

    std::optional<QvaReader> reader_;
    std::uint64_t declared_at_ = 0;
    std::uint32_t declared_len_ = 0;
    std::uint64_t undeclared_at_ = 0;
    std::uint32_t undeclared_len_ = 0;
};

TEST_F(QvaPayloadTest, ReadsRawAndCompressedPayloads) {
    const std::uint64_t len = reader_->file_len();
    EXPECT_EQ(reader_->read_entry_data(entry(declared_at_, 100, declared_len_, 0x01)).value(), hundred);
    EXPECT_EQ(reader_->read_entry_data(entry(declared_at_, 100, declared_len_, 0x05)).value(), hundred);
    EXPECT_EQ(reader_->read_entry_data(entry(undeclared_at_, 100, undeclared_len_, 0x01)).value(), hundred);
    // Raw payloads are returned as stored, whatever `size` says; bits other than 0 do not matter.
    const auto tail = reader_->read_entry_data(entry(len - 3, 999, 3, 0xFE)).value();
    const auto file = test::read_file(dir_ / "archive.qva");
    EXPECT_EQ(tail, std::vector<std::uint8_t>(file.end() - 3, file.end()));
    EXPECT_TRUE(reader_->read_entry_data(entry(len, 0, 0, 0)).value().empty());
}

TEST_F(QvaPayloadTest, RefusesBadPayloads) {
    const std::uint64_t len = reader_->file_len();
    struct Case {
        std::string name;
        QvaEntry entry;
        DatErrorKind kind;
        std::string message;
    };
    using K = DatErrorKind;
    const std::vector<Case> cases = {
        {"offset overflow", entry(std::numeric_limits<std::uint64_t>::max(), 1, 1, 0), K::Corruption,
         "Corruption detected: Entry offset overflow for 0x00000001: offset 18446744073709551615 + comp_size 1"},
        {"one byte past the end", entry(len - 3, 4, 4, 0), K::Corruption,
         fmt::format("Corruption detected: Entry range out of bounds for 0x00000001: offset {} + comp_size 4 > file_len {}",
                     len - 3, len)},
        {"not a frame", entry(24, 100, 100, 0x01), K::DecompressionFailed, "Failed to recover compressed file 00000001"},
        {"more than size", entry(declared_at_, 99, declared_len_, 0x01), K::DecompressionFailed,
         "Failed to recover compressed file 00000001"},
        {"more than size, undeclared", entry(undeclared_at_, 50, undeclared_len_, 0x01), K::DecompressionFailed,
         "Failed to recover compressed file 00000001"},
        {"cut frame", entry(declared_at_, 100, declared_len_ - 1, 0x01), K::DecompressionFailed,
         "Failed to recover compressed file 00000001"},
        {"fewer than size", entry(declared_at_, 200, declared_len_, 0x05), K::Corruption,
         "Corruption detected: Decompressed size mismatch for 0x00000001: expected 200, got 100"},
        {"fewer than size, undeclared", entry(undeclared_at_, 200, undeclared_len_, 0x01), K::Corruption,
         "Corruption detected: Decompressed size mismatch for 0x00000001: expected 200, got 100"},
        // The frame's own declared size bounds the buffer, not the entry's claim.
        {"huge size claim", entry(declared_at_, 0xFFFFFFFF, declared_len_, 0x01), K::Corruption,
         "Corruption detected: Decompressed size mismatch for 0x00000001: expected 4294967295, got 100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto data = reader_->read_entry_data(c.entry);
        ASSERT_FALSE(data);
        EXPECT_EQ(data.error().kind(), c.kind);
        EXPECT_EQ(data.error().message(), c.message);
    }
}

TEST_F(QvaPayloadTest, AFailedAllocationIsAnError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    // A frame without a declared size and an entry claiming 4 GiB - 1: the buffer cannot be had
    // within this address-space limit.
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    const auto limit = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) + (256ULL << 20);
    DatResult<std::vector<std::uint8_t>> data = std::vector<std::uint8_t>{};
    {
        test::ResourceLimit guard(RLIMIT_AS, limit);
        data = reader_->read_entry_data(entry(undeclared_at_, 0xFFFFFFFF, undeclared_len_, 0x01));
    }
    ASSERT_FALSE(data);
    EXPECT_EQ(data.error().kind(), DatErrorKind::Other);
    EXPECT_EQ(data.error().message(), "Other error: Out of memory: cannot allocate 4294967295 bytes");
#endif
}

}  // namespace
}  // namespace quorvel
