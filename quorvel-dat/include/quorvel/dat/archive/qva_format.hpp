// The records of a QVA archive (header, index entry, namespace record) and their little-endian layouts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/common/record_error.hpp"
#include "quorvel/dat/error.hpp"
#include "quorvel/dat/resource_namespace.hpp"

namespace quorvel {

/// The 24 bytes at the start of every archive.
struct QvaHeader {
    static constexpr std::size_t record_size = 24;
    static constexpr std::array<std::uint8_t, 4> expected_magic{'Q', 'V', 'A', 0};
    static constexpr std::uint32_t current_version = 2;

    std::array<std::uint8_t, 4> magic{};
    std::uint32_t version = 0;
    std::uint32_t entry_count = 0;
    std::uint64_t index_offset = 0;
    std::uint32_t metadata_size = 0;

    /// Decodes a header; fails only with end of data.
    static RecordResult<QvaHeader> read(ByteCursor& cursor);
    /// The 24-byte stored form; never fails.
    std::array<std::uint8_t, record_size> to_bytes() const;

    bool operator==(const QvaHeader&) const = default;
};

/// One index record: where an entry's payload lies and how it is stored.
struct QvaEntry {
    static constexpr std::size_t record_size = 60;
    static constexpr std::uint8_t flag_compressed = 0x01;
    static constexpr std::uint8_t flag_pruned = 0x04;

    ResourceNamespace::Bytes namespace_{};  // unvalidated; see namespace_id()
    std::uint32_t file_id = 0;
    std::uint32_t type_id = 0;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;       // length after decompression
    std::uint32_t comp_size = 0;  // length as stored
    std::uint8_t flags = 0;
    std::uint8_t storage_id = 0;
    std::uint16_t reserved = 0;

    /// Decodes an index record; fails only with end of data.
    static RecordResult<QvaEntry> read(ByteCursor& cursor);
    /// The 60-byte stored form; never fails.
    std::array<std::uint8_t, record_size> to_bytes() const;

    /// The entry's namespace; fails with InvalidNamespace when the stored bytes are not a valid label.
    DatResult<ResourceNamespace> namespace_id() const;
    /// Flags bit 0: the stored payload is a zstd frame.
    bool compressed() const { return (flags & flag_compressed) != 0; }
    /// Flags bit 2: the entry was added as pruned.
    bool pruned() const { return (flags & flag_pruned) != 0; }

    bool operator==(const QvaEntry&) const = default;
};

/// One record of the namespace metadata block: the index range of one namespace.
struct QvaNamespaceIndexEntry {
    static constexpr std::size_t record_size = 40;

    ResourceNamespace::Bytes namespace_{};
    std::uint32_t start_index = 0;
    std::uint32_t entry_count = 0;

    /// Decodes a namespace record; fails only with end of data.
    static RecordResult<QvaNamespaceIndexEntry> read(ByteCursor& cursor);
    /// The 40-byte stored form; never fails.
    std::array<std::uint8_t, record_size> to_bytes() const;

    bool operator==(const QvaNamespaceIndexEntry&) const = default;
};

/// The largest entry count whose index length, 60 × count, fits in 32 bits.
inline constexpr std::uint32_t qva_max_entry_count = 71'582'788;
static_assert(std::uint64_t{qva_max_entry_count} * QvaEntry::record_size <= std::numeric_limits<std::uint32_t>::max());
static_assert((std::uint64_t{qva_max_entry_count} + 1) * QvaEntry::record_size > std::numeric_limits<std::uint32_t>::max());
// Every namespace record covers at least one entry, so the entry limit also keeps the metadata
// block's length within its 32-bit field.
static_assert(4 + std::uint64_t{qva_max_entry_count} * QvaNamespaceIndexEntry::record_size <=
              std::numeric_limits<std::uint32_t>::max());

/// Fails with Other when a payload of `length` bytes cannot be described by the 32-bit size fields.
DatResult<void> check_qva_payload_length(const ResourceNamespace& ns, std::uint32_t file_id, std::uint64_t length);

/// Fails with Other when an index of `count` entries is more than a reader accepts.
DatResult<void> check_qva_entry_count(std::uint64_t count);

}  // namespace quorvel
