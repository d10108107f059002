// Tests of opening DAT files: block chains, the directory walk, file lookup and damaged files.
#include "quorvel/dat/dat_database.hpp"

#include <functional>
#include <unistd.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "quorvel/test_support/dat_writer.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::DatImage;
using test::DatNode;
using test::DatWriter;
using test::EntryField;

// Distinct, mildly compressible bytes for each seed.
Bytes payload(std::size_t n, std::uint32_t seed) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>((k / 5) * 7 + seed * 13 + (k % 3));
    return b;
}

class DatDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               fmt::format("quorvel-dat-{}-{}", ::getpid(), ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    DatResult<DatDatabase> open(const DatImage& image) {
        const auto path = dir_ / fmt::format("image{}.dat", files_++);
        EXPECT_TRUE(image.write(path));
        return DatDatabase::open(path);
    }

    static std::string message(const DatResult<DatDatabase>& db) { return db ? "opened" : db.error().message(); }

    fs::path dir_;
    int files_ = 0;
};

TEST_F(DatDatabaseTest, RoundTripsEveryBlockSizeAndTreeShape) {
    const struct {
        std::uint32_t block_size;
        std::size_t per_node;
    } shapes[] = {{1024, 61}, {256, 61}, {1024, 3}, {256, 1}, {64, 2}, {5, 4}, {4, 5}, {3, 61}, {0, 7}};
    for (const auto& shape : shapes) {
        SCOPED_TRACE(fmt::format("block size {}, {} per node", shape.block_size, shape.per_node));
        test::DatWriterOptions options;
        options.header.block_size = shape.block_size;
        options.header.version_minor = 9;
        options.max_entries_per_node = shape.per_node;
        DatWriter writer(options);
        std::vector<std::pair<std::uint32_t, Bytes>> contents;
        for (std::uint32_t k = 0; k < 150; ++k) {
            const std::uint32_t id = 0x06000000 + k * 7919;
            // Tiny blocks cost two reads per few bytes; keep their items short.
            contents.emplace_back(id, payload((k * 37) % (shape.block_size < 64 ? 300 : 3000), k));
            writer.add(id, contents.back().second, {.compress = k % 3 == 0, .bit_flags = k << 8, .timestamp = k, .version = k + 1});
        }
        const DatImage image = std::move(writer).finish();
        if (shape.per_node < 61) {
            EXPECT_NE(image.nodes.back().second.branches[0], 0u) << "root should be internal";
        }

        auto db = open(image);
        ASSERT_TRUE(db) << db.error().message();
        EXPECT_EQ(db->header(), image.header);
        EXPECT_EQ(db->file_length(), image.bytes.size());
        ASSERT_EQ(db->entries().size(), contents.size());
        for (const auto& [id, data] : contents) {
            ASSERT_EQ(db->entries().count(id), 1u);
            EXPECT_EQ(db->entries().at(id), image.entry(id));
            const auto file = db->get_file(id);
            ASSERT_TRUE(file) << file.error().message();
            EXPECT_EQ(*file, data) << fmt::format("{:08X}", id);
        }
    }
}

TEST_F(DatDatabaseTest, EmptyDirectory) {
    auto db = open(DatWriter().finish());
    ASSERT_TRUE(db);
    EXPECT_EQ(db->header().root_offset, 0u);
    EXPECT_TRUE(db->entries().empty());
    EXPECT_EQ(db->kind(), DatKind::Portal);
}

TEST_F(DatDatabaseTest, RootLeafWithThreeEntries) {
    DatWriter w({.header = test::cell_header()});
    DatNode root;
    for (const std::uint32_t id : {0x5C3AFFFFu, 0x5C3AFFFEu, 0x5C3A0100u}) root.entries.push_back(w.store_entry(id, payload(40, id)));
    const auto root_offset = w.store_node(root);
    auto db = open(std::move(w).finish_with_root(root_offset));
    ASSERT_TRUE(db);
    EXPECT_EQ(db->kind(), DatKind::Cell);
    ASSERT_EQ(db->entries().size(), 3u);
    for (const auto& e : root.entries) EXPECT_EQ(db->entries().at(e.id), e);
}

TEST_F(DatDatabaseTest, EntryMetLaterInPreOrderWins) {
    constexpr std::uint32_t x = 0x0E000001, y = 0x0E000002, z = 0x0E000003;
    DatWriter w;
    const auto entry = [&](std::uint32_t id, std::uint32_t version) {
        return w.store_entry(id, payload(100, id + version), {.version = version});
    };
    const auto node = [&](std::vector<DatFileEntry> entries, std::vector<std::uint32_t> children) {
        DatNode n;
        n.entries = std::move(entries);
        std::copy(children.begin(), children.end(), n.branches.begin());
        return w.store_node(n);
    };
    // root [x1] -> child0 [y1] -> grandchild [x2, y2]
    //                         -> leaf [z1]
    //           -> child1 [x3]
    const auto grandchild = node({entry(x, 2), entry(y, 2)}, {});
    const auto leaf = node({entry(z, 1)}, {});
    const auto child0 = node({entry(y, 1)}, {grandchild, leaf});
    const auto child1 = node({entry(x, 3)}, {});
    const auto root = node({entry(x, 1)}, {child0, child1});

    auto db = open(std::move(w).finish_with_root(root));
    ASSERT_TRUE(db) << db.error().message();
    ASSERT_EQ(db->entries().size(), 3u);
    EXPECT_EQ(db->entries().at(x).version, 3u);
    EXPECT_EQ(db->entries().at(y).version, 2u);
    EXPECT_EQ(db->entries().at(z).version, 1u);
    EXPECT_EQ(db->get_file(x).value(), payload(100, x + 3));
    EXPECT_EQ(db->get_file(y).value(), payload(100, y + 2));
}

TEST_F(DatDatabaseTest, WhichBranchesAreVisited) {
    constexpr std::uint32_t beyond_file = 0x7FFFFF00;
    const struct {
        const char* name;
        bool first_branch;  // branch 0 leads to a leaf (otherwise 0: the node is a leaf itself)
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"count 2 visits branches 0 to 2 only", true, {0x10, 0x11, 0x20, 0x21, 0x22}},
        {"no branch 0 makes a leaf", false, {0x10, 0x11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DatWriter w;
        DatNode root;
        for (const std::uint32_t id : {0x10u, 0x11u}) root.entries.push_back(w.store_entry(id, payload(8, id)));
        for (std::uint32_t j = 0; j < 4; ++j) {
            DatNode leaf;
            leaf.entries.push_back(w.store_entry(0x20 + j, payload(8, j)));
            root.branches[j] = w.store_node(leaf);
        }
        if (!c.first_branch) root.branches[0] = 0;
        root.branches[4] = beyond_file;
        auto db = open(std::move(w).finish_with_root(w.store_node(root)));
        ASSERT_TRUE(db) << db.error().message();
        std::vector<std::uint32_t> ids;
        for (const auto& [id, e] : db->entries()) ids.push_back(id);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, c.expected);
    }
}

TEST_F(DatDatabaseTest, ReadFileDataFollowsBlockChains) {
    DatWriter w;
    const Bytes item = payload(1500, 1);
    const std::uint32_t at = w.store_item(item);
    const Bytes small = payload(10, 2);
    const std::uint32_t small_at = w.store_item(small);
    DatImage image = std::move(w).finish();
    const auto second = load_le<std::uint32_t>(image.bytes.data() + at);
    ASSERT_NE(second, 0u);
    ASSERT_EQ(load_le<std::uint32_t>(image.bytes.data() + second), 0u);

    {
        auto db = open(image);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->read_file_data(at, 1500).value(), item) << "1020 bytes from the first block, 480 from the second";
        EXPECT_EQ(db->read_file_data(small_at, 10).value(), small);
        EXPECT_EQ(db->read_file_data(0xFFFFFFF0, 0).value(), Bytes{}) << "size 0 reads nothing";
        const auto past_end = db->read_file_data(static_cast<std::uint32_t>(image.bytes.size() - 2), 1);
        ASSERT_FALSE(past_end);
        EXPECT_EQ(past_end.error().message(), "IO error: failed to fill whole buffer");
    }
    {
        // A zero link ends the chain in its first block, which then supplies the whole item.
        DatImage ended = image;
        ended.patch_u32(at, 0);
        auto db = open(ended);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->read_file_data(at, 1500).value(), Bytes(ended.bytes.begin() + at + 4, ended.bytes.begin() + at + 1504));
    }
    {
        // Once the size is reached the link is not followed.
        DatImage dangling = image;
        dangling.patch_u32(at, static_cast<std::uint32_t>(image.bytes.size() + 4096));
        auto db = open(dangling);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->read_file_data(at, 1020).value(), Bytes(item.begin(), item.begin() + 1020));
        const auto failed = db->read_file_data(at, 1021);
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().kind(), DatErrorKind::Io);
        EXPECT_EQ(failed.error().message(), "IO error: failed to fill whole buffer");
    }
}

TEST_F(DatDatabaseTest, ReadFileDataFollowsBlocksInAnyOrder) {
    // Chains are read ahead in the direction they run; every layout must still give the item.
    constexpr std::uint32_t block = 1024;
    constexpr std::size_t blocks = 90;  // more than one read-ahead of 64 KiB
    const Bytes item = payload(blocks * (block - 4) - 100, 3);
    std::vector<std::size_t> ascending(blocks);
    for (std::size_t c = 0; c < blocks; ++c) ascending[c] = c;
    std::vector<std::size_t> descending(ascending.rbegin(), ascending.rend());
    std::vector<std::size_t> scattered;  // runs up and down, with jumps back into blocks read before
    for (std::size_t c = 0; c < blocks; ++c) scattered.push_back((c * 37 + 11) % blocks);

    for (const auto& [name, slot_of] : std::vector<std::pair<const char*, std::vector<std::size_t>>>{
             {"ascending", ascending}, {"descending", descending}, {"scattered", scattered}}) {
        DatWriter w;
        const std::uint32_t base = w.store_item(Bytes(item.size() + 10, 0)) - (blocks - 1) * block;
        DatImage image = std::move(w).finish();
        for (std::size_t c = 0; c < blocks; ++c) {
            const std::size_t at = base + slot_of[c] * block;
            image.patch_u32(at, c + 1 < blocks ? static_cast<std::uint32_t>(base + slot_of[c + 1] * block) : 0);
            const std::size_t from = c * (block - 4);
            const std::size_t n = std::min<std::size_t>(block - 4, item.size() - from);
            std::copy_n(item.begin() + from, n, image.bytes.begin() + at + 4);
        }
        auto db = open(image);
        ASSERT_TRUE(db) << name;
        EXPECT_EQ(db->read_file_data(base + slot_of[0] * block, item.size()).value(), item) << name;
    }
}

TEST_F(DatDatabaseTest, UnusualHeadersStillOpen) {
    const struct {
        std::uint32_t magic, block_size, dataset;
        DatKind kind;
    } cases[] = {{0x12345678, 512, 9, DatKind::Unrecognized}, {0x5442, 1024, 2, DatKind::OtherRetail}};
    for (const auto& c : cases) {
        DatWriter w({.header = {.magic = c.magic, .block_size = c.block_size, .dataset = c.dataset}});
        w.add(0x0E000003, payload(700, 3));
        auto db = open(std::move(w).finish());
        ASSERT_TRUE(db) << db.error().message();
        EXPECT_EQ(db->kind(), c.kind);
        EXPECT_EQ(db->get_file(0x0E000003).value(), payload(700, 3));
    }
}

TEST_F(DatDatabaseTest, CompressedEntries) {
    const Bytes data = payload(5000, 4);
    DatWriter w;
    w.add(0x0A000001, data, {.compress = true});
    w.add(0x0A000002, data);
    DatImage image = std::move(w).finish();
    const Bytes stored = test::compress_lrs(data);
    ASSERT_LT(stored.size(), data.size());
    EXPECT_EQ(image.entry(0x0A000001).size, stored.size());
    EXPECT_EQ(image.entry(0x0A000001).bit_flags, 1u);

    auto db = open(image);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->get_file(0x0A000001).value(), data);
    EXPECT_EQ(db->get_file(0x0A000002).value(), data);

    image.patch_entry(0x0A000001, EntryField::bit_flags, 0);
    auto raw = open(image);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->get_file(0x0A000001).value(), stored) << "bit 0 clear: the bytes as stored";
}

TEST_F(DatDatabaseTest, MissingFile) {
    const auto path = dir_ / "missing.dat";
    const auto db = DatDatabase::open(path);
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().kind(), DatErrorKind::PathError);
    EXPECT_EQ(db.error().message(), "Failed to open file at " + path.string() + ": No such file or directory");
}

// Damage applied to one valid image; returns the message the open must fail with.
struct Damage {
    const char* name;
    DatErrorKind kind;
    std::function<std::string(DatImage&)> apply;
};

DatImage tree_image(std::uint32_t block_size) {
    test::DatWriterOptions options;
    options.header.block_size = block_size;
    options.max_entries_per_node = 3;
    DatWriter w(options);
    for (std::uint32_t k = 0; k < 40; ++k) w.add(0x01000000 + k, payload(k * 50, k));
    return std::move(w).finish();
}

std::uint32_t first_leaf(const DatImage& image) {
    for (const auto& [offset, node] : image.nodes)
        if (node.branches[0] == 0 && !node.entries.empty()) return offset;
    return 0;
}

TEST_F(DatDatabaseTest, DamagedFilesFailToOpen) {
    const std::string eof = "IO error: failed to fill whole buffer";
    const std::string count_overflow = "Binary read error: failed to fill whole buffer\n"
                                       "While parsing field 'bit_flags' in DatFileEntry";
    const Damage damages[] = {
        {"file of 320 bytes", DatErrorKind::BinRead,
         [](DatImage& i) {
             i.bytes.resize(320);
             return std::string("Binary read error: failed to fill whole buffer\nWhile parsing field 'magic' in DatHeader");
         }},
        {"file ends inside version_string", DatErrorKind::BinRead,
         [](DatImage& i) {
             i.bytes.resize(DatHeader::offset + 60 + 7);
             return std::string(
                 "Binary read error: failed to fill whole buffer\nWhile parsing field 'version_string' in DatHeader");
         }},
        {"root with 62 entries", DatErrorKind::BinRead,
         [&](DatImage& i) {
             i.patch_item_u32(i.header.root_offset, dat_node::count_offset, 62);
             return count_overflow;
         }},
        {"leaf with 4294967295 entries", DatErrorKind::BinRead,
         [&](DatImage& i) {
             i.patch_item_u32(first_leaf(i), dat_node::count_offset, 0xFFFFFFFF);
             return count_overflow;
         }},
        {"branch beyond the end of the file", DatErrorKind::Io,
         [&](DatImage& i) {
             i.patch_item_u32(i.header.root_offset, 4, 0x7FFFFF00);
             return eof;
         }},
        {"node chain runs past the end of the file", DatErrorKind::Io,
         [&](DatImage& i) {
             i.patch_u32(i.header.root_offset, static_cast<std::uint32_t>(i.bytes.size() - 2));
             return eof;
         }},
        {"root that is its own child", DatErrorKind::Corruption,
         [](DatImage& i) {
             i.patch_item_u32(i.header.root_offset, 0, i.header.root_offset);
             return fmt::format("Corruption detected: directory node at offset 0x{:08X} is reached more than once",
                                i.header.root_offset);
         }},
        {"leaf leading back to the root", DatErrorKind::Corruption,
         [](DatImage& i) {
             i.patch_item_u32(first_leaf(i), 0, i.header.root_offset);
             return fmt::format("Corruption detected: directory node at offset 0x{:08X} is reached more than once",
                                i.header.root_offset);
         }},
        {"two branches to one node", DatErrorKind::Corruption,
         [](DatImage& i) {
             const std::uint32_t child = i.nodes.back().second.branches[0];
             i.patch_item_u32(i.header.root_offset, 4, child);
             return fmt::format("Corruption detected: directory node at offset 0x{:08X} is reached more than once",
                                child);
         }},
    };
    const DatImage valid = tree_image(1024);
    ASSERT_TRUE(open(valid));
    for (const auto& d : damages) {
        DatImage image = valid;
        const std::string expected = d.apply(image);
        const auto db = open(image);
        EXPECT_EQ(message(db), expected) << d.name;
        if (!db) {
            EXPECT_EQ(db.error().kind(), d.kind) << d.name;
        }
    }
}

TEST_F(DatDatabaseTest, LoopingChainOfFourByteBlocksIsRefused) {
    const DatImage valid = tree_image(4);
    ASSERT_TRUE(open(valid));
    const std::uint64_t max_blocks = valid.bytes.size() / 4 + 1;

    DatImage looping_node = valid;
    looping_node.patch_u32(valid.header.root_offset, valid.header.root_offset);
    EXPECT_EQ(message(open(looping_node)),
              fmt::format("Corruption detected: block chain at offset 0x{:08X} does not end within the {} blocks "
                          "the file can hold",
                          valid.header.root_offset, max_blocks));

    // Two blocks linking to each other.
    DatImage looping_entry = valid;
    const DatFileEntry& entry = valid.entry(0x01000005);
    looping_entry.patch_u32(entry.offset, entry.offset + 4);
    looping_entry.patch_u32(entry.offset + 4, entry.offset);
    auto db = open(looping_entry);
    ASSERT_TRUE(db);
    const auto failed = db->get_file(entry.id);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().kind(), DatErrorKind::Corruption);
    EXPECT_EQ(failed.error().message(),
              fmt::format("Corruption detected: block chain at offset 0x{:08X} does not end within the {} blocks "
                          "the file can hold",
                          entry.offset, max_blocks));
    EXPECT_EQ(db->get_file(0x01000006).value(), payload(6 * 50, 6));
}

TEST_F(DatDatabaseTest, DamagedEntriesFailAndLeaveTheDatabaseUsable) {
    constexpr std::uint32_t id = 0x01000026;  // 1900 bytes: two blocks
    const DatImage valid = tree_image(1024);
    const DatFileEntry entry = valid.entry(id);
    const std::string length = std::to_string(valid.bytes.size());
    const std::string eof = "IO error: failed to fill whole buffer";
    const struct {
        const char* name;
        std::function<void(DatImage&)> damage;
        std::uint32_t lookup;
        DatErrorKind kind;
        std::string expected;
    } cases[] = {
        {"unknown id", [](DatImage&) {}, 0xABCD, DatErrorKind::NotFound, "File ID 0000ABCD not found in provider"},
        {"size beyond the file", [&](DatImage& i) { i.patch_entry(id, EntryField::size, 0xFFFFFFF0); }, id,
         DatErrorKind::Corruption,
         fmt::format("Corruption detected: item at offset 0x{:08X} declares 4294967280 bytes, more than the file "
                     "length of {} bytes",
                     entry.offset, length)},
        {"size one above the file length",
         [&](DatImage& i) { i.patch_entry(id, EntryField::size, static_cast<std::uint32_t>(i.bytes.size() + 1)); }, id,
         DatErrorKind::Corruption,
         fmt::format("Corruption detected: item at offset 0x{:08X} declares {} bytes, more than the file length of "
                     "{} bytes",
                     entry.offset, valid.bytes.size() + 1, length)},
        {"offset beyond the file", [&](DatImage& i) { i.patch_entry(id, EntryField::offset, 0xFFFFFF00); }, id,
         DatErrorKind::Io, eof},
        {"chain leaves the file", [&](DatImage& i) { i.patch_u32(entry.offset, 0xFFFFFF00); }, id, DatErrorKind::Io, eof},
    };
    for (const auto& c : cases) {
        DatImage image = valid;
        c.damage(image);
        auto db = open(image);
        ASSERT_TRUE(db) << c.name;
        const auto failed = db->get_file(c.lookup);
        ASSERT_FALSE(failed) << c.name;
        EXPECT_EQ(failed.error().kind(), c.kind) << c.name;
        EXPECT_EQ(failed.error().message(), c.expected) << c.name;
        EXPECT_EQ(db->get_file(0x01000007).value(), payload(7 * 50, 7)) << c.name;
    }
}

}  // namespace
}  // namespace quorvel
