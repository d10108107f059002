// End-to-end tests of "verify": each kind of damage in a DAT file and in a QVA archive is reported.
#include <functional>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/dat/archive/qva_writer.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using testing::EndsWith;
using testing::StartsWith;

std::vector<std::uint8_t> repeated(std::size_t n, std::uint8_t value) { return std::vector<std::uint8_t>(n, value); }

// Bytes that no compressor shortens, so the entry is stored raw.
std::vector<std::uint8_t> noise(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

constexpr std::uint32_t plain_id = 0x06000001;
constexpr std::uint32_t packed_id = 0x06000002;  // stored compressed
constexpr std::uint32_t other_id = 0x0A000003;

DatImage valid_dat() {
    DatWriter writer;
    writer.add(plain_id, noise(3000));
    writer.add(packed_id, repeated(5000, 'x'), {.compress = true});
    writer.add(other_id, repeated(10, 'y'));
    return std::move(writer).finish();
}

struct Damage {
    const char* name;
    std::function<void(DatImage&)> apply;
    std::function<std::string(const DatImage&)> problem;  // the one line verify must print

    friend void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }
};

using VerifyTest = E2eTest;

class VerifyDatTest : public E2eTest, public testing::WithParamInterface<Damage> {};

TEST_F(VerifyTest, VerifyPassesAnUndamagedDatFile) {
    ASSERT_TRUE(valid_dat().write(dir / "portal.dat"));
    const ProgramResult r = run({"verify", "portal.dat"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Checked 3 entries, 8010 bytes: no problems\n");
    EXPECT_EQ(r.err, "");
}

TEST_P(VerifyDatTest, ReportsTheDamage) {
    DatImage image = valid_dat();
    GetParam().apply(image);
    ASSERT_TRUE(image.write(dir / "portal.dat"));
    const ProgramResult r = run({"verify", "portal.dat"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_THAT(r.out, StartsWith(GetParam().problem(image) + "\nChecked 3 entries, "));
    EXPECT_THAT(r.out, EndsWith(" bytes: 1 problem\n"));
    EXPECT_EQ(r.err, "Error: Verification found 1 problem\n");
}

constexpr std::size_t header_file_size = DatHeader::offset + 8;

INSTANTIATE_TEST_SUITE_P(
    Damages, VerifyDatTest,
    testing::Values(
        Damage{"TruncatedFile",
               [](DatImage& image) { image.patch_u32(header_file_size, static_cast<std::uint32_t>(image.bytes.size() + 1)); },
               [](const DatImage& image) {
                   return fmt::format("header: file size of {} bytes exceeds the file's length of {} bytes",
                                      image.bytes.size() + 1, image.bytes.size());
               }},
        Damage{"SizeBeyondFile", [](DatImage& image) { image.patch_entry(plain_id, EntryField::size, 0x10000000); },
               [](const DatImage& image) {
                   return fmt::format("06000001: declared size of 268435456 bytes exceeds the file's length of {} bytes",
                                      image.bytes.size());
               }},
        Damage{"ChainOutsideFile",
               [](DatImage& image) { image.patch_entry(other_id, EntryField::offset, 0x7FFFFF00); },
               [](const DatImage&) {
                   return std::string("0A000003: block chain at offset 0x7FFFFF00 cannot be read: IO error: failed to "
                                      "fill whole buffer");
               }},
        Damage{"CompressedWithoutPrefix", [](DatImage& image) { image.patch_entry(packed_id, EntryField::size, 3); },
               [](const DatImage&) {
                   return std::string("06000002: compressed entry of 3 bytes lacks its 4-byte size prefix");
               }},
        Damage{"PrefixDisagrees",
               [](DatImage& image) { image.patch_item_u32(image.entry(packed_id).offset, 0, 5001); },
               [](const DatImage&) {
                   return std::string("06000002: decompresses to 5000 bytes, its size prefix declares 5001");
               }}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// The index record layout: namespace 0..31, file_id 32, type_id 36, offset 40, size 48,
// comp_size 52, flags 56.
enum class IndexField : std::size_t { namespace_ = 0, file_id = 32, offset = 40, size = 48, comp_size = 52 };

struct Archive {
    std::vector<std::uint8_t> bytes;

    std::uint64_t index_offset() const { return load_le<std::uint64_t>(bytes.data() + 12); }
    std::uint8_t* record(std::size_t index) { return bytes.data() + index_offset() + index * QvaEntry::record_size; }
    std::uint32_t u32(std::size_t index, IndexField field) {
        return load_le<std::uint32_t>(record(index) + static_cast<std::size_t>(field));
    }
    void set_u32(std::size_t index, IndexField field, std::uint32_t value) {
        store_le<std::uint32_t>(record(index) + static_cast<std::size_t>(field), value);
    }
    void set_u64(std::size_t index, IndexField field, std::uint64_t value) {
        store_le<std::uint64_t>(record(index) + static_cast<std::size_t>(field), value);
    }
};

// Index order: eor/cell 0x10 (compressed), then eor/portal 0x20 (raw), 0x30 (compressed), 0x40 (raw).
Archive valid_archive(const TempDir& dir) {
    QvaWriter writer;
    EXPECT_TRUE(writer.add("eor/cell", 0x10, 0xFE, repeated(4000, 'c')));
    EXPECT_TRUE(writer.add("eor/portal", 0x20, 0x6, noise(100)));
    EXPECT_TRUE(writer.add("eor/portal", 0x30, 0x6, repeated(2000, 'p')));
    EXPECT_TRUE(writer.add("eor/portal", 0x40, 0xA, noise(50)));
    EXPECT_TRUE(std::move(writer).write(dir / "valid.qva"));
    return Archive{dir.read_file("valid.qva")};
}

struct ArchiveDamage {
    const char* name;
    std::function<void(Archive&)> apply;
    std::function<std::string(Archive&)> problem;

    friend void PrintTo(const ArchiveDamage& d, std::ostream* os) { *os << d.name; }
};

class VerifyQvaTest : public E2eTest, public testing::WithParamInterface<ArchiveDamage> {};

TEST_F(VerifyTest, VerifyPassesAnUndamagedArchive) {
    valid_archive(dir);
    const ProgramResult r = run({"verify", "valid.qva"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Checked 4 entries, 6150 bytes: no problems\n");
    EXPECT_EQ(r.err, "");
}

TEST_P(VerifyQvaTest, ReportsTheDamage) {
    Archive archive = valid_archive(dir);
    GetParam().apply(archive);
    const std::string expected = GetParam().problem(archive);
    dir.write_file("damaged.qva", archive.bytes);
    const ProgramResult r = run({"verify", "damaged.qva"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_THAT(r.out, StartsWith(expected + "\nChecked 4 entries, "));
    EXPECT_THAT(r.out, EndsWith(" bytes: 1 problem\n"));
    EXPECT_EQ(r.err, "Error: Verification found 1 problem\n");
}

INSTANTIATE_TEST_SUITE_P(
    Damages, VerifyQvaTest,
    testing::Values(
        ArchiveDamage{"NamespaceBytesInvalid", [](Archive& a) { a.record(1)[31] = 'z'; },
                      [](Archive&) {
                          return std::string("eor/portal:00000020: stored namespace is not valid: Invalid namespace: "
                                             "namespace bytes must be zero-padded without embedded trailing data");
                      }},
        ArchiveDamage{"NamespaceOfAnotherRange",
                      [](Archive& a) { std::copy_n(a.record(0), 32, a.record(3)); },
                      [](Archive&) {
                          return std::string(
                              "eor/portal:00000040: stored namespace \"eor/cell\" differs from its index range's "
                              "\"eor/portal\"");
                      }},
        ArchiveDamage{"DuplicateId", [](Archive& a) { a.set_u32(2, IndexField::file_id, 0x20); },
                      [](Archive&) { return std::string("eor/portal:00000020: id occurs more than once in the namespace"); }},
        ArchiveDamage{"OutOfOrder", [](Archive& a) { a.set_u32(2, IndexField::file_id, 0x05); },
                      [](Archive&) { return std::string("eor/portal:00000005: id is out of order after 00000020"); }},
        ArchiveDamage{"RangeInsideIndex",
                      [](Archive& a) { a.set_u64(1, IndexField::offset, a.index_offset()); },
                      [](Archive& a) {
                          const std::uint64_t metadata = a.index_offset() - (4 + 2 * 40);
                          return fmt::format(
                              "eor/portal:00000020: stored range of 100 bytes at offset {} lies outside the payload "
                              "area 24..{}",
                              a.index_offset(), metadata);
                      }},
        ArchiveDamage{"RangeInsideHeader", [](Archive& a) { a.set_u64(3, IndexField::offset, 20); },
                      [](Archive& a) {
                          return fmt::format(
                              "eor/portal:00000040: stored range of 50 bytes at offset 20 lies outside the payload "
                              "area 24..{}",
                              a.index_offset() - (4 + 2 * 40));
                      }},
        ArchiveDamage{"RawSizeDisagrees", [](Archive& a) { a.set_u32(3, IndexField::size, 51); },
                      [](Archive&) {
                          return std::string("eor/portal:00000040: uncompressed entry stores 50 bytes but records a size of 51");
                      }},
        ArchiveDamage{"CompressedSizeTooSmall", [](Archive& a) { a.set_u32(0, IndexField::size, 3999); },
                      [](Archive&) {
                          return std::string(
                              "eor/cell:00000010: zstd frame does not decompress within its recorded size of 3999 bytes");
                      }},
        ArchiveDamage{"CompressedSizeTooLarge", [](Archive& a) { a.set_u32(2, IndexField::size, 2001); },
                      [](Archive&) {
                          return std::string("eor/portal:00000030: decompresses to 2000 bytes, the index records 2001");
                      }},
        ArchiveDamage{"FrameDamaged",
                      [](Archive& a) {
                          const auto offset = load_le<std::uint64_t>(a.record(2) + 40);
                          a.bytes[offset] ^= 0xFF;  // the frame's magic number
                      },
                      [](Archive&) {
                          return std::string(
                              "eor/portal:00000030: zstd frame does not decompress within its recorded size of 2000 bytes");
                      }}),
    [](const testing::TestParamInfo<ArchiveDamage>& info) { return std::string(info.param.name); });

TEST_F(VerifyTest, VerifyOfAnUnreadableInputIsAnErrorReport) {
    dir.write_file("bad.qva", "not an archive at all, but long enough");
    const ProgramResult r = run({"verify", "bad.qva"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Invalid magic for format: QVA\n");
}

}  // namespace
}  // namespace quorvel::test
