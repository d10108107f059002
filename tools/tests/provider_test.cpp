// Tests of the provider called directly: queries on both readers and inputs that shrink after opening.
#include "quorvel/tools/provider.hpp"

#include <fstream>

#include <gtest/gtest.h>

#include "quorvel/dat/archive/qva_writer.hpp"
#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "quorvel/test_support/temp_dir.hpp"

namespace quorvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::size_t n, std::uint8_t seed) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(seed + i * 13);
    return out;
}

class ProviderTest : public testing::Test {
protected:

    std::filesystem::path write_archive(const std::string& name, std::vector<std::pair<std::string, std::uint32_t>> keys) {
        QvaWriter writer;
        writer.compress = false;
        for (const auto& [label, id] : keys) EXPECT_TRUE(writer.add(label, id, 6, bytes_of(64, static_cast<std::uint8_t>(id))));
        EXPECT_TRUE(std::move(writer).write(dir_ / name));
        return dir_ / name;
    }

    test::TempDir dir_;
};

TEST_F(ProviderTest, DatQueries) {
    test::DatWriter w({.header = test::cell_header()});
    w.add(0x5C3AFFFF, bytes_of(100, 1), {.compress = true});
    w.add(0x5C3AFFFE, bytes_of(10, 2));
    ASSERT_TRUE(std::move(w).finish().write(dir_ / "cell.dat"));

    auto provider = Provider::open(dir_ / "cell.dat");
    ASSERT_TRUE(provider);
    EXPECT_EQ(provider->kind_label(), "DAT");
    EXPECT_EQ(provider->file_count(), 2u);
    EXPECT_EQ(provider->dat_namespace_label(), "eor/cell");
    EXPECT_NE(provider->dat(), nullptr);
    EXPECT_EQ(provider->qva(), nullptr);

    EXPECT_EQ(provider->get_file_in_namespace(std::nullopt, 0x5C3AFFFF), bytes_of(100, 1));
    EXPECT_EQ(provider->get_file_in_namespace(std::string("\xff not a namespace"), 0x5C3AFFFE), bytes_of(10, 2));
    // No lookup at all for a DAT input: even an id that is absent gives none, not an error.
    const auto entry = provider->get_qva_entry(std::string(""), 0x12345678);
    ASSERT_TRUE(entry);
    EXPECT_FALSE(*entry);

    const auto missing = provider->get_file_in_namespace(std::nullopt, 0x5C3A0001);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message(), "File ID 5C3A0001 not found in provider");
    // A failed lookup leaves the provider usable.
    EXPECT_EQ(provider->get_file_in_namespace(std::nullopt, 0x5C3AFFFE), bytes_of(10, 2));
}

TEST_F(ProviderTest, QvaQueries) {
    auto provider = Provider::open(write_archive("a.qva", {{"eor/portal", 7}, {"eor/cell", 7}, {"eor/cell", 9}}));
    ASSERT_TRUE(provider);
    EXPECT_EQ(provider->kind_label(), "QVA");
    EXPECT_EQ(provider->file_count(), 3u);
    EXPECT_EQ(provider->dat_namespace_label(), std::nullopt);

    const auto entry = provider->get_qva_entry(std::string("eor/cell"), 9);
    ASSERT_TRUE(entry);
    ASSERT_TRUE(*entry);
    EXPECT_EQ((*entry)->file_id, 9u);
    EXPECT_EQ(provider->get_file_in_namespace(std::string("eor/portal"), 7), bytes_of(64, 7));

    const auto ambiguous = provider->get_qva_entry(std::nullopt, 7);
    ASSERT_FALSE(ambiguous);
    EXPECT_EQ(ambiguous.error().message(),
              "Other error: QVA v2 archive contains multiple namespaces; explicit namespace lookup is required");
    const auto invalid = provider->get_file_in_namespace(std::string(33, 'x'), 7);
    ASSERT_FALSE(invalid);
    EXPECT_EQ(invalid.error().kind(), DatErrorKind::InvalidNamespace);
    const auto absent = provider->get_file_in_namespace(std::string("eor/portal"), 9);
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.error().kind(), DatErrorKind::NotFound);
}

TEST_F(ProviderTest, ArchiveThatShrinksAfterOpeningGivesAnIoError) {
    const auto path = write_archive("a.qva", {{"eor/portal", 1}, {"eor/portal", 2}});
    auto provider = Provider::open(path);
    ASSERT_TRUE(provider);
    std::filesystem::resize_file(path, 100);  // the index is gone, the first payload partly

    const auto data = provider->get_file_in_namespace(std::nullopt, 1);
    ASSERT_FALSE(data);
    EXPECT_EQ(data.error().kind(), DatErrorKind::Io);
    EXPECT_EQ(data.error().message(), "IO error: failed to fill whole buffer");
    const auto entry = provider->get_qva_entry(std::nullopt, 2);
    ASSERT_FALSE(entry);
    EXPECT_EQ(entry.error().kind(), DatErrorKind::Io);
}

TEST_F(ProviderTest, PayloadThatShrinksAfterTheIndexWasReadGivesAnIoError) {
    // The payload lies after the index, so cutting the file's tail leaves the index whole.
    test::ByteBuilder b;
    b.text("QVA").u8(0).u32(2).u32(1).u64(24 + 44).u32(44);  // header: one entry, index at 68
    b.u32(1).text("eor/portal").fill(22).u32(0).u32(1);      // one namespace record
    b.text("eor/portal").fill(22)                            // index record: namespace
        .u32(5)                                              // file_id
        .u32(6)                                              // type_id
        .u64(128)                                            // offset: just after the index
        .u32(32)                                             // size
        .u32(32)                                             // comp_size
        .u8(0).u8(0).u16(0);                                 // flags, storage_id, reserved
    b.bytes(bytes_of(32, 5));
    ASSERT_EQ(b.size(), 160u);
    {
        std::ofstream out(dir_ / "tail.qva", std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data().data()), static_cast<std::streamsize>(b.size()));
    }
    auto provider = Provider::open(dir_ / "tail.qva");
    ASSERT_TRUE(provider);
    EXPECT_EQ(provider->get_file_in_namespace(std::nullopt, 5), bytes_of(32, 5));

    std::filesystem::resize_file(dir_ / "tail.qva", 140);
    ASSERT_TRUE(provider->get_qva_entry(std::nullopt, 5));
    const auto data = provider->get_file_in_namespace(std::nullopt, 5);
    ASSERT_FALSE(data);
    EXPECT_EQ(data.error().message(), "IO error: failed to fill whole buffer");
}

TEST_F(ProviderTest, DatThatShrinksAfterOpeningGivesAnIoError) {
    test::DatWriter w;
    w.add(0x06000001, bytes_of(3000, 1));
    w.add(0x06000002, bytes_of(3000, 2), {.compress = true});
    test::DatImage image = std::move(w).finish();
    ASSERT_TRUE(image.write(dir_ / "p.dat"));
    auto provider = Provider::open(dir_ / "p.dat");
    ASSERT_TRUE(provider);
    std::filesystem::resize_file(dir_ / "p.dat", 0x400);
    for (const std::uint32_t id : {0x06000001u, 0x06000002u}) {
        const auto data = provider->get_file_in_namespace(std::nullopt, id);
        ASSERT_FALSE(data);
        EXPECT_EQ(data.error().kind(), DatErrorKind::Io) << data.error().message();
    }
}

}  // namespace
}  // namespace quorvel
