// Tests of the QVA record layouts, their readers and writers, and the format's size limits.
#include "quorvel/dat/archive/qva_format.hpp"

#include <gtest/gtest.h>

#include "qva_test_support.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;

ResourceNamespace::Bytes stored(std::string_view label) { return ResourceNamespace::create(label).value().bytes(); }

QvaHeader sample_header() { return {QvaHeader::expected_magic, 2, 7, 0x0102030405060708ULL, 84}; }
QvaEntry sample_entry() { return {stored("eor/portal"), 0x06000123, 6, 0x1122334455ULL, 100, 40, 0x05, 0, 0}; }
QvaNamespaceIndexEntry sample_namespace_record() { return {stored("eor/cell"), 3, 9}; }

template <std::size_t N>
std::vector<std::uint8_t> as_vector(const std::array<std::uint8_t, N>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(QvaFormat, RecordsHaveTheirLayouts) {
    ByteBuilder header;
    test::qva_header(header, 7, 0x0102030405060708ULL, 84);
    EXPECT_EQ(as_vector(sample_header().to_bytes()), header.data());

    ByteBuilder entry;
    test::qva_entry(entry, {"eor/portal", 0x06000123, 6, 0x1122334455ULL, 100, 40, 0x05});
    EXPECT_EQ(as_vector(sample_entry().to_bytes()), entry.data());

    ByteBuilder record;
    test::qva_namespace_record(record, "eor/cell", 3, 9);
    EXPECT_EQ(as_vector(sample_namespace_record().to_bytes()), record.data());
}

template <class Record>
void expect_round_trip(const Record& value) {
    const auto bytes = value.to_bytes();
    static_assert(bytes.size() == Record::record_size);
    ByteCursor cursor(bytes);
    EXPECT_EQ(Record::read(cursor).value(), value);
    EXPECT_EQ(cursor.position(), Record::record_size);
}

TEST(QvaFormat, RecordsRoundTrip) {
    expect_round_trip(sample_header());
    expect_round_trip(sample_entry());
    expect_round_trip(sample_namespace_record());
}

/// Every prefix of a record fails with end of data, restores the cursor and names the cut field.
template <class Record>
void expect_truncation_errors(const Record& value, const std::vector<std::pair<std::size_t, std::string>>& field_ends,
                              std::string_view record_name) {
    const auto bytes = value.to_bytes();
    for (std::size_t len = 0; len < bytes.size(); ++len) {
        ByteCursor cursor(std::span<const std::uint8_t>(bytes).first(len));
        const auto result = Record::read(cursor);
        ASSERT_FALSE(result) << len;
        EXPECT_EQ(result.error().kind(), RecordError::Kind::EndOfData);
        EXPECT_EQ(cursor.position(), 0u);
        std::string field;
        for (const auto& [end, name] : field_ends)
            if (field.empty() && len < end) field = name;
        EXPECT_EQ(result.error().text(),
                  fmt::format("failed to fill whole buffer\nWhile parsing field '{}' in {}", field, record_name))
            << len;
    }
}

TEST(QvaFormat, TruncatedRecordsNameTheFieldThatRanOut) {
    expect_truncation_errors(sample_header(),
                             {{4, "magic"}, {8, "version"}, {12, "entry_count"}, {20, "index_offset"}, {24, "metadata_size"}},
                             "QvaHeader");
    expect_truncation_errors(sample_entry(),
                             {{32, "namespace"}, {36, "file_id"}, {40, "type_id"}, {48, "offset"}, {52, "size"},
                              {56, "comp_size"}, {57, "flags"}, {58, "storage_id"}, {60, "reserved"}},
                             "QvaEntry");
    expect_truncation_errors(sample_namespace_record(), {{32, "namespace"}, {36, "start_index"}, {40, "entry_count"}},
                             "QvaNamespaceIndexEntry");
}

TEST(QvaFormat, EntryFlagsAndNamespace) {
    struct Case {
        std::uint8_t flags;
        bool compressed;
        bool pruned;
    };
    for (const Case& c : {Case{0x00, false, false}, Case{0x01, true, false}, Case{0x04, false, true},
                          Case{0x05, true, true}, Case{0xFA, false, false}}) {
        QvaEntry e;
        e.flags = c.flags;
        EXPECT_EQ(e.compressed(), c.compressed) << int(c.flags);
        EXPECT_EQ(e.pruned(), c.pruned) << int(c.flags);
    }

    EXPECT_EQ(sample_entry().namespace_id().value().as_str(), "eor/portal");
    QvaEntry bad = sample_entry();
    bad.namespace_[0] = 0xFF;
    EXPECT_EQ(bad.namespace_id().error().message(),
              "Invalid namespace: namespace bytes are not valid UTF-8: invalid utf-8 sequence of 1 bytes from index 0");
}

TEST(QvaFormat, SizeLimits) {
    const auto ns = ResourceNamespace::create("eor/portal").value();
    EXPECT_TRUE(check_qva_payload_length(ns, 5, 0xFFFFFFFFULL));
    const auto too_long = check_qva_payload_length(ns, 5, 0x100000000ULL);
    ASSERT_FALSE(too_long);
    EXPECT_EQ(too_long.error().kind(), DatErrorKind::Other);
    EXPECT_EQ(too_long.error().message(),
              "Other error: payload of eor/portal:0x00000005 is 4294967296 bytes; QVA entries must be smaller than 4 GiB");

    EXPECT_TRUE(check_qva_entry_count(71'582'788));
    const auto too_many = check_qva_entry_count(71'582'789);
    ASSERT_FALSE(too_many);
    EXPECT_EQ(too_many.error().message(), "Other error: QVA archives cannot hold more than 71582788 entries");
}

}  // namespace
}  // namespace quorvel
