// Opening, lookups and payload reads of QVA archives.
#include "quorvel/dat/archive/qva_reader.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include <zstd.h>

namespace quorvel {

namespace {

DatError out_of_memory(std::uint64_t bytes) {
    return DatError::other(fmt::format("Out of memory: cannot allocate {0} bytes", bytes));
}

/// A zero-filled buffer of `n` bytes, or nothing when the allocation fails.
std::optional<std::vector<std::uint8_t>> try_buffer(std::size_t n) {
    try {
        return std::vector<std::uint8_t>(n);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

enum class DecompressFailure { Zstd, OutOfMemory };

/// Decompresses into at most `capacity` bytes. The buffer is sized by the frame's declared content
/// size when `data` is one frame that declares it (zstd then insists on exactly that length), so a
/// small frame cannot make us reserve the whole capacity. The buffer is left uninitialised, so an
/// unknown size costs address space, not touched memory, beyond what the frame really produces.
std::expected<std::vector<std::uint8_t>, DecompressFailure> decompress_bounded(std::span<const std::uint8_t> data,
                                                                               std::size_t capacity) {
    std::size_t limit = capacity;
    const unsigned long long declared = ZSTD_getFrameContentSize(data.data(), data.size());
    if (declared != ZSTD_CONTENTSIZE_UNKNOWN && declared != ZSTD_CONTENTSIZE_ERROR &&
        ZSTD_findFrameCompressedSize(data.data(), data.size()) == data.size())
        limit = static_cast<std::size_t>(std::min<unsigned long long>(limit, declared));

    try {
        const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(limit);
        const std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> dctx(ZSTD_createDCtx(), &ZSTD_freeDCtx);
        if (!dctx) return std::unexpected(DecompressFailure::OutOfMemory);
        const std::size_t n = ZSTD_decompressDCtx(dctx.get(), buffer.get(), limit, data.data(), data.size());
        if (ZSTD_isError(n)) return std::unexpected(DecompressFailure::Zstd);
        return std::vector<std::uint8_t>(buffer.get(), buffer.get() + n);
    } catch (const std::bad_alloc&) {
        return std::unexpected(DecompressFailure::OutOfMemory);
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> decompress_zstd(std::span<const std::uint8_t> data, std::size_t capacity) {
    auto result = decompress_bounded(data, capacity);
    if (!result) return std::nullopt;
    return std::move(*result);
}

DatResult<QvaReader> QvaReader::open(const std::filesystem::path& path) {
    auto file = File::open_read(path);
    if (!file) return std::unexpected(DatError::path_error(path, file.error()));
    return from_source(std::move(*file));
}

DatResult<QvaReader> QvaReader::from_source(File file) {
    std::array<std::uint8_t, QvaHeader::record_size> raw{};
    if (auto read = read_exact_at_compat(file, raw, 0); !read) return std::unexpected(DatError(read.error()));
    ByteCursor header_cursor(raw);
    auto header = QvaHeader::read(header_cursor);
    if (!header) return std::unexpected(DatError(std::move(header.error())));
    const QvaHeader& h = *header;

    if (h.magic != QvaHeader::expected_magic) return std::unexpected(DatError::invalid_magic("QVA"));
    if (h.version != QvaHeader::current_version) return std::unexpected(DatError::unsupported_version(h.version));

    const auto file_len = len_compat(file);
    if (!file_len) return std::unexpected(DatError(file_len.error()));

    const std::uint64_t index_len = std::uint64_t{h.entry_count} * QvaEntry::record_size;
    if (index_len > std::numeric_limits<std::uint32_t>::max())
        return std::unexpected(DatError::corruption("QVA index size overflow"));
    if (h.index_offset > std::numeric_limits<std::uint64_t>::max() - index_len)
        return std::unexpected(DatError::corruption("QVA index range overflow"));
    const std::uint64_t index_end = h.index_offset + index_len;
    if (index_end > *file_len)
        return std::unexpected(
            DatError::corruption(fmt::format("QVA index extends beyond file size ({0} > {1})", index_end, *file_len)));
    if (h.metadata_size > h.index_offset) return std::unexpected(DatError::corruption("QVA metadata offset underflow"));
    const std::uint64_t metadata_offset = h.index_offset - h.metadata_size;
    if (metadata_offset < QvaHeader::record_size)
        return std::unexpected(
            DatError::corruption(fmt::format("QVA metadata offset {0} is within header area", metadata_offset)));
    if (h.entry_count != 0 && h.metadata_size == 0)
        return std::unexpected(DatError::corruption("QVA v2 archives with entries must include namespace metadata"));

    std::vector<NamespaceSpan> spans;
    if (h.metadata_size != 0) {
        // The metadata block ends where the index begins, inside the file: its size is bounded.
        auto block = try_buffer(h.metadata_size);
        if (!block) return std::unexpected(out_of_memory(h.metadata_size));
        if (auto read = read_exact_at_compat(file, *block, metadata_offset); !read)
            return std::unexpected(DatError(read.error()));

        ByteCursor cursor(*block);
        const auto count = cursor.u32();
        if (!count) return std::unexpected(DatError(std::move(count.error())));
        const std::uint64_t required = 4 + std::uint64_t{*count} * QvaNamespaceIndexEntry::record_size;
        if (required != h.metadata_size)
            return std::unexpected(DatError::corruption(fmt::format(
                "QVA metadata size mismatch: header says {0}, metadata contents require {1}", h.metadata_size, required)));

        std::uint32_t expected_start = 0;
        for (std::uint32_t k = 0; k < *count; ++k) {
            auto record = QvaNamespaceIndexEntry::read(cursor);
            if (!record) return std::unexpected(DatError(std::move(record.error())));
            auto ns = ResourceNamespace::from_bytes(record->namespace_);
            if (!ns) return std::unexpected(std::move(ns.error()));
            if (!spans.empty() && !(spans.back().namespace_ < *ns))
                return std::unexpected(DatError::corruption("QVA namespace metadata is not strictly sorted"));
            if (record->start_index != expected_start)
                return std::unexpected(DatError::corruption(
                    fmt::format("QVA namespace metadata is not contiguous: expected start {0}, found {1}", expected_start,
                                record->start_index)));
            if (record->entry_count > std::numeric_limits<std::uint32_t>::max() - record->start_index)
                return std::unexpected(DatError::corruption("QVA namespace span overflow"));
            const std::uint32_t end = record->start_index + record->entry_count;
            if (end > h.entry_count)
                return std::unexpected(DatError::corruption(
                    fmt::format("QVA namespace span exceeds total entry count ({0} > {1})", end, h.entry_count)));
            spans.push_back(NamespaceSpan{*ns, record->start_index, record->entry_count});
            expected_start = end;
        }
        if (expected_start != h.entry_count)
            return std::unexpected(DatError::corruption(fmt::format(
                "QVA namespace metadata covered {0} entries but header declares {1}", expected_start, h.entry_count)));
    }

    return QvaReader(std::move(file), h, *file_len, std::move(spans));
}

DatResult<QvaEntry> QvaReader::find_entry(std::uint32_t file_id) const {
    if (spans_.empty()) return std::unexpected(DatError::not_found(file_id));
    if (spans_.size() > 1)
        return std::unexpected(
            DatError::other("QVA v2 archive contains multiple namespaces; explicit namespace lookup is required"));
    return find_entry_with_namespace_id(spans_.front().namespace_, file_id);
}

DatResult<QvaEntry> QvaReader::find_entry_with_namespace_id(const ResourceNamespace& ns, std::uint32_t file_id) const {
    // The last span whose namespace is not greater than the one sought, if it is that one.
    const auto after = std::upper_bound(spans_.begin(), spans_.end(), ns,
                                        [](const ResourceNamespace& v, const NamespaceSpan& s) { return v < s.namespace_; });
    if (after == spans_.begin() || std::prev(after)->namespace_ != ns) return std::unexpected(DatError::not_found(file_id));
    const NamespaceSpan& span = *std::prev(after);
    if (span.entry_count == 0 || span.entry_count - 1 > std::numeric_limits<std::uint32_t>::max() - span.start_index)
        return std::unexpected(DatError::not_found(file_id));

    std::uint32_t lo = span.start_index;
    std::uint32_t hi = span.start_index + (span.entry_count - 1);
    while (lo <= hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        auto entry = read_entry_at(mid);
        if (!entry) return entry;
        if (entry->file_id == file_id) return entry;
        if (entry->file_id > file_id) {
            // Stepping below the span's first entry would leave it (and wrap at index 0).
            if (mid == span.start_index) break;
            hi = mid - 1;
        } else {
            if (mid == std::numeric_limits<std::uint32_t>::max()) break;
            lo = mid + 1;
        }
    }
    return std::unexpected(DatError::not_found(file_id));
}

DatResult<QvaEntry> QvaReader::read_entry_at(std::uint32_t index) const {
    std::array<std::uint8_t, QvaEntry::record_size> raw{};
    // index_offset lies inside the file (checked at open), so this cannot wrap.
    const std::uint64_t offset = header_.index_offset + std::uint64_t{index} * QvaEntry::record_size;
    if (auto read = read_exact_at_compat(file_, raw, offset); !read) return std::unexpected(DatError(read.error()));
    ByteCursor cursor(raw);
    auto entry = QvaEntry::read(cursor);
    if (!entry) return std::unexpected(DatError(std::move(entry.error())));
    return *entry;
}

DatResult<std::vector<QvaEntry>> QvaReader::read_entries_at(std::uint32_t first, std::uint32_t count) const {
    if (first >= header_.entry_count) return std::vector<QvaEntry>{};
    const std::uint32_t n = std::min(count, header_.entry_count - first);
    // The whole index was checked to lie inside the file at open, so this buffer is bounded by it.
    const std::uint64_t bytes = std::uint64_t{n} * QvaEntry::record_size;
    auto raw = try_buffer(bytes);
    if (!raw) return std::unexpected(out_of_memory(bytes));
    const std::uint64_t offset = header_.index_offset + std::uint64_t{first} * QvaEntry::record_size;
    if (auto read = read_exact_at_compat(file_, *raw, offset); !read) return std::unexpected(DatError(read.error()));

    try {
        std::vector<QvaEntry> entries;
        entries.reserve(n);
        ByteCursor cursor(*raw);
        for (std::uint32_t i = 0; i < n; ++i) {
            auto entry = QvaEntry::read(cursor);
            if (!entry) return std::unexpected(DatError(std::move(entry.error())));
            entries.push_back(*entry);
        }
        return entries;
    } catch (const std::bad_alloc&) {
        return std::unexpected(out_of_memory(std::uint64_t{n} * sizeof(QvaEntry)));
    }
}

DatResult<std::vector<std::uint8_t>> QvaReader::read_entry_data(const QvaEntry& entry) const {
    if (entry.offset > std::numeric_limits<std::uint64_t>::max() - entry.comp_size)
        return std::unexpected(DatError::corruption(fmt::format("Entry offset overflow for 0x{0:08X}: offset {1} + comp_size {2}",
                                                                entry.file_id, entry.offset, entry.comp_size)));
    const std::uint64_t end = entry.offset + entry.comp_size;
    if (end > file_len_)
        return std::unexpected(DatError::corruption(
            fmt::format("Entry range out of bounds for 0x{0:08X}: offset {1} + comp_size {2} > file_len {3}", entry.file_id,
                        entry.offset, entry.comp_size, file_len_)));

    auto stored = try_buffer(entry.comp_size);
    if (!stored) return std::unexpected(out_of_memory(entry.comp_size));
    if (auto read = read_exact_at_compat(file_, *stored, entry.offset); !read) return std::unexpected(DatError(read.error()));
    if (!entry.compressed()) return std::move(*stored);

    auto data = decompress_bounded(*stored, entry.size);
    if (!data) {
        if (data.error() == DecompressFailure::OutOfMemory) return std::unexpected(out_of_memory(entry.size));
        return std::unexpected(DatError::decompression_failed(entry.file_id));
    }
    if (data->size() != entry.size)
        return std::unexpected(DatError::corruption(fmt::format("Decompressed size mismatch for 0x{0:08X}: expected {1}, got {2}",
                                                                entry.file_id, entry.size, data->size())));
    return std::move(*data);
}

}  // namespace quorvel
