// The records of a QVA archive laid out field by field, for tests that build archives by hand.
#pragma once

#include <cstdint>
#include <string_view>

#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::test {

/// A namespace's 32-byte stored form: the label, then zero bytes.
inline ByteBuilder& namespace_field(ByteBuilder& b, std::string_view label) {
    return b.text(label).fill(32 - label.size());
}

inline ByteBuilder& qva_header(ByteBuilder& b, std::uint32_t entry_count, std::uint64_t index_offset,
                               std::uint32_t metadata_size) {
    return b.text("QVA").u8(0)      // magic
        .u32(2)                     // version
        .u32(entry_count)           // entry_count
        .u64(index_offset)          // index_offset
        .u32(metadata_size);        // metadata_size
}

inline ByteBuilder& qva_namespace_record(ByteBuilder& b, std::string_view label, std::uint32_t start_index,
                                         std::uint32_t entry_count) {
    namespace_field(b, label);  // namespace
    return b.u32(start_index)   // start_index
        .u32(entry_count);      // entry_count
}

/// The fields of one index record.
struct EntryFields {
    std::string_view label;
    std::uint32_t file_id = 0;
    std::uint32_t type_id = 0;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t comp_size = 0;
    std::uint8_t flags = 0;
};

inline ByteBuilder& qva_entry(ByteBuilder& b, const EntryFields& e) {
    namespace_field(b, e.label);  // namespace
    return b.u32(e.file_id)       // file_id
        .u32(e.type_id)           // type_id
        .u64(e.offset)            // offset
        .u32(e.size)              // size
        .u32(e.comp_size)         // comp_size
        .u8(e.flags)              // flags
        .u8(0)                    // storage_id
        .u16(0);                  // reserved
}

}  // namespace quorvel::test
