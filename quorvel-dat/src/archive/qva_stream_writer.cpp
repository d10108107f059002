// Streaming QVA writer: payloads first, then namespace metadata, index and the real header.
#include "quorvel/dat/archive/qva_stream_writer.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include <zstd.h>
#include <zstd_errors.h>

#include "quorvel/dat/log.hpp"

namespace quorvel {

namespace {

constexpr std::string_view log_target = "quorvel_dat::archive";
constexpr int compression_level = 3;
constexpr std::size_t record_buffer_capacity = 8192;

/// Record writes report their I/O failures as record errors, like the record readers do.
DatError record_write_error(const AtomicFile& file, const IoError& error) {
    return DatError(RecordError::io(file.position(), error.message()));
}

/// Collects small records and writes them in blocks of 8192 bytes. A write that `put` triggers is
/// part of writing a record (BinRead on failure); the closing `flush` is a plain write (Io).
class RecordBuffer {
public:
    explicit RecordBuffer(AtomicFile& file) : file_(file) { buffer_.reserve(record_buffer_capacity); }

    DatResult<void> put(std::span<const std::uint8_t> record) {
        if (buffer_.size() + record.size() > record_buffer_capacity) {
            if (auto written = drain(); !written) return std::unexpected(record_write_error(file_, written.error()));
        }
        if (record.size() >= record_buffer_capacity) {
            if (auto written = file_.write(record); !written)
                return std::unexpected(record_write_error(file_, written.error()));
            return {};
        }
        buffer_.insert(buffer_.end(), record.begin(), record.end());
        return {};
    }

    DatResult<void> flush() {
        if (auto written = drain(); !written) return std::unexpected(DatError(written.error()));
        return {};
    }

private:
    std::expected<void, IoError> drain() {
        auto written = file_.write(buffer_);
        buffer_.clear();
        return written;
    }

    AtomicFile& file_;
    std::vector<std::uint8_t> buffer_;
};

/// Compresses `payload` into one zstd frame at the start of `frame` and returns the frame's length,
/// or zstd's error text. `frame` only grows, so it can serve every payload in turn.
std::expected<std::size_t, std::string> compress_frame(ZSTD_CCtx* cctx, std::span<const std::uint8_t> payload,
                                                std::vector<std::uint8_t>& frame) {
    const auto zstd_error = [](std::size_t code) { return std::string(ZSTD_getErrorName(code)); };
    try {
        if (const auto r = ZSTD_CCtx_reset(cctx, ZSTD_reset_session_and_parameters); ZSTD_isError(r))
            return std::unexpected(zstd_error(r));
        if (const auto r = ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, compression_level); ZSTD_isError(r))
            return std::unexpected(zstd_error(r));
        // Growing only: shrinking and growing again would zero the tail every time.
        const std::size_t bound = ZSTD_compressBound(payload.size());
        if (frame.size() < bound) frame.resize(bound);
        ZSTD_outBuffer out{frame.data(), bound, 0};
        ZSTD_inBuffer in{payload.data(), payload.size(), 0};
        std::size_t remaining;
        do {
            remaining = ZSTD_compressStream2(cctx, &out, &in, ZSTD_e_end);
            if (ZSTD_isError(remaining)) return std::unexpected(zstd_error(remaining));
        } while (remaining != 0 && out.pos < out.size);
        if (remaining != 0) return std::unexpected(std::string(ZSTD_getErrorString(ZSTD_error_dstSize_tooSmall)));
        return out.pos;
    } catch (const std::bad_alloc&) {
        return std::unexpected(std::string(ZSTD_getErrorString(ZSTD_error_memory_allocation)));
    }
}

bool key_less(const QvaEntry& a, const QvaEntry& b) {
    const int c = std::memcmp(a.namespace_.data(), b.namespace_.data(), a.namespace_.size());
    return c != 0 ? c < 0 : a.file_id < b.file_id;
}

}  // namespace

std::size_t QvaEntryKeyHash::operator()(const QvaEntryKey& key) const noexcept {
    const std::size_t h = std::hash<ResourceNamespace>{}(key.namespace_);
    return h ^ (std::hash<std::uint32_t>{}(key.file_id) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2));
}

void QvaStreamWriter::CCtxDeleter::operator()(ZSTD_CCtx_s* cctx) const noexcept { ZSTD_freeCCtx(cctx); }

QvaStreamWriter::QvaStreamWriter(QvaStreamWriter&&) noexcept = default;
QvaStreamWriter& QvaStreamWriter::operator=(QvaStreamWriter&&) noexcept = default;
QvaStreamWriter::~QvaStreamWriter() = default;

DatResult<QvaStreamWriter> QvaStreamWriter::create(const std::filesystem::path& path, bool compress) {
    auto file = AtomicFile::create(path);
    if (!file) return std::unexpected(DatError(file.error()));
    QvaHeader placeholder;
    placeholder.magic = QvaHeader::expected_magic;
    placeholder.version = QvaHeader::current_version;
    if (auto written = file->write(placeholder.to_bytes()); !written)
        return std::unexpected(record_write_error(*file, written.error()));
    return QvaStreamWriter(std::move(*file), compress);
}

DatResult<void> QvaStreamWriter::add(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                     std::vector<std::uint8_t>&& payload) {
    return write_entry(label, file_id, type_id, std::move(payload), false);
}

DatResult<void> QvaStreamWriter::add_pruned(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                            std::vector<std::uint8_t>&& payload) {
    return write_entry(label, file_id, type_id, std::move(payload), true);
}

DatResult<void> QvaStreamWriter::write_entry(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                             std::vector<std::uint8_t>&& payload, bool pruned) {
    const std::vector<std::uint8_t> owned = std::move(payload);
    return write_entry(label, file_id, type_id, std::span<const std::uint8_t>(owned), pruned);
}

DatResult<void> QvaStreamWriter::write_entry(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                             std::span<const std::uint8_t> payload, bool pruned) {
    auto ns = ResourceNamespace::create(label);
    if (!ns) return std::unexpected(std::move(ns.error()));
    if (!seen_.insert(QvaEntryKey{*ns, file_id}).second)
        return std::unexpected(DatError::duplicate_namespaced_id(std::string(ns->as_str()), file_id));
    if (auto fits = check_qva_entry_count(entries_.size() + 1); !fits) return fits;
    if (auto fits = check_qva_payload_length(*ns, file_id, payload.size()); !fits) return fits;

    QvaEntry entry;
    entry.namespace_ = ns->bytes();
    entry.file_id = file_id;
    entry.type_id = type_id;
    entry.size = static_cast<std::uint32_t>(payload.size());
    entry.flags = pruned ? QvaEntry::flag_pruned : 0;

    std::span<const std::uint8_t> stored = payload;
    if (compress_) {
        if (!cctx_) cctx_.reset(ZSTD_createCCtx());
        std::expected<std::size_t, std::string> compressed =
            std::unexpected(std::string(ZSTD_getErrorString(ZSTD_error_memory_allocation)));
        if (cctx_) compressed = compress_frame(cctx_.get(), payload, frame_);
        if (!compressed) {
            log_warn(log_target, "Compression failed for {0}:0x{1:08X}: {2}", *ns, file_id, compressed.error());
        } else if (*compressed < payload.size()) {
            stored = std::span<const std::uint8_t>(frame_.data(), *compressed);
            entry.flags |= QvaEntry::flag_compressed;
        }
    }

    entry.offset = file_.position();
    entry.comp_size = static_cast<std::uint32_t>(stored.size());
    if (auto written = file_.write(stored); !written) return std::unexpected(DatError(written.error()));
    entries_.push_back(entry);
    return {};
}

DatResult<void> QvaStreamWriter::finish() && {
    // Whatever happens below, the writer is used up; its file is removed unless committed.
    QvaStreamWriter self = std::move(*this);

    std::stable_sort(self.entries_.begin(), self.entries_.end(), key_less);
    std::vector<QvaNamespaceIndexEntry> namespaces;
    for (std::size_t i = 0; i < self.entries_.size(); ++i) {
        if (i == 0 || self.entries_[i].namespace_ != self.entries_[i - 1].namespace_)
            namespaces.push_back(QvaNamespaceIndexEntry{self.entries_[i].namespace_, static_cast<std::uint32_t>(i), 0});
        ++namespaces.back().entry_count;
    }

    RecordBuffer buffer(self.file_);
    const std::uint64_t metadata_start = self.file_.position();
    std::array<std::uint8_t, 4> count{};
    store_le(count.data(), static_cast<std::uint32_t>(namespaces.size()));
    if (auto put = buffer.put(count); !put) return put;
    for (const auto& record : namespaces)
        if (auto put = buffer.put(record.to_bytes()); !put) return put;
    if (auto flushed = buffer.flush(); !flushed) return flushed;

    const std::uint64_t index_start = self.file_.position();
    for (const auto& entry : self.entries_)
        if (auto put = buffer.put(entry.to_bytes()); !put) return put;
    if (auto flushed = buffer.flush(); !flushed) return flushed;

    QvaHeader header;
    header.magic = QvaHeader::expected_magic;
    header.version = QvaHeader::current_version;
    header.entry_count = static_cast<std::uint32_t>(self.entries_.size());
    header.index_offset = index_start;
    header.metadata_size = static_cast<std::uint32_t>(index_start - metadata_start);
    if (auto sought = self.file_.seek(0); !sought) return std::unexpected(DatError(sought.error()));
    if (auto written = self.file_.write(header.to_bytes()); !written)
        return std::unexpected(record_write_error(self.file_, written.error()));
    if (auto committed = std::move(self.file_).commit(); !committed) return std::unexpected(DatError(committed.error()));
    return {};
}

}  // namespace quorvel
