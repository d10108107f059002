// Reads QVA archives by position: validates the header and namespace metadata once, then looks up
// index records and payloads on demand without loading the index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "quorvel/dat/archive/qva_format.hpp"
#include "quorvel/dat/error.hpp"
#include "quorvel/dat/resource_namespace.hpp"
#include "quorvel/dat/utils/file.hpp"

namespace quorvel {

/// The index range [start_index, start_index + entry_count) that holds one namespace's entries.
struct NamespaceSpan {
    ResourceNamespace namespace_;
    std::uint32_t start_index = 0;
    std::uint32_t entry_count = 0;

    bool operator==(const NamespaceSpan&) const = default;
};

class QvaReader {
public:
    /// Opens and validates the archive at `path`. Fails with PathError when the file cannot be
    /// opened, otherwise as `from_source`.
    static DatResult<QvaReader> open(const std::filesystem::path& path);

    /// Takes an open file and validates it. Fails with Io when the header cannot be read or the
    /// length queried, InvalidMagic ("QVA"), UnsupportedVersion, Corruption when the header's ranges
    /// or the namespace metadata are inconsistent, BinRead when the metadata is too short for its
    /// count, InvalidNamespace for a malformed namespace record. The file is closed on failure.
    static DatResult<QvaReader> from_source(File file);

    QvaReader(QvaReader&&) noexcept = default;
    QvaReader& operator=(QvaReader&&) noexcept = default;
    QvaReader(const QvaReader&) = delete;
    QvaReader& operator=(const QvaReader&) = delete;

    /// The entry with `file_id` in the only namespace. Fails with Other when the archive holds more
    /// than one namespace, NotFound when there is no such entry, Io when an index read fails.
    DatResult<QvaEntry> find_entry(std::uint32_t file_id) const;

    /// The entry with `file_id` in namespace `ns`, by binary search of that namespace's span; reads
    /// about log2(span length) index records. Fails with NotFound, or Io when an index read fails.
    DatResult<QvaEntry> find_entry_with_namespace_id(const ResourceNamespace& ns, std::uint32_t file_id) const;

    /// The index record at `index`, not compared with the entry count. Fails with Io when it cannot
    /// be read.
    DatResult<QvaEntry> read_entry_at(std::uint32_t index) const;

    /// Up to `count` consecutive index records from `first`, stopping at the end of the index, read
    /// with one positional read (so listings can walk the index in bounded chunks). Fails with Io
    /// when the read fails, Other when the buffer cannot be allocated.
    DatResult<std::vector<QvaEntry>> read_entries_at(std::uint32_t first, std::uint32_t count) const;

    /// The entry's payload, decompressed when its compressed flag is set. Fails with Corruption when
    /// the stored range lies outside the file or the decompressed length differs from `size`,
    /// DecompressionFailed when the frame is invalid or larger than `size`, Io when the read fails,
    /// Other when memory for the payload cannot be had.
    DatResult<std::vector<std::uint8_t>> read_entry_data(const QvaEntry& entry) const;

    /// The header as read at open.
    const QvaHeader& header() const { return header_; }
    /// The file length taken at open; every bounds check uses it.
    std::uint64_t file_len() const { return file_len_; }
    /// One span per namespace, in ascending namespace order.
    const std::vector<NamespaceSpan>& spans() const { return spans_; }

private:
    QvaReader(File file, QvaHeader header, std::uint64_t file_len, std::vector<NamespaceSpan> spans)
        : file_(std::move(file)), header_(header), file_len_(file_len), spans_(std::move(spans)) {}

    File file_;
    QvaHeader header_;
    std::uint64_t file_len_ = 0;
    std::vector<NamespaceSpan> spans_;
};

/// One-shot zstd decompression of `data` into at most `capacity` bytes. Nothing when zstd fails,
/// including when the output does not fit, or when memory for the output cannot be had.
std::optional<std::vector<std::uint8_t>> decompress_zstd(std::span<const std::uint8_t> data, std::size_t capacity);

}  // namespace quorvel
