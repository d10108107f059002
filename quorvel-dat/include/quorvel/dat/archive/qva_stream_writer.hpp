// Writes a QVA archive front to back: payloads as entries arrive, then metadata, index and header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "quorvel/dat/archive/qva_format.hpp"
#include "quorvel/dat/error.hpp"
#include "quorvel/dat/resource_namespace.hpp"
#include "quorvel/dat/utils/atomic_file.hpp"

struct ZSTD_CCtx_s;

namespace quorvel {

/// What makes an entry unique within an archive.
struct QvaEntryKey {
    ResourceNamespace namespace_;
    std::uint32_t file_id = 0;

    auto operator<=>(const QvaEntryKey&) const = default;
    bool operator==(const QvaEntryKey&) const = default;
};

struct QvaEntryKeyHash {
    std::size_t operator()(const QvaEntryKey& key) const noexcept;
};

/// The archive is written to a temporary beside the target and renamed into place by `finish`; a
/// writer dropped without `finish`, or whose `finish` failed, removes it and leaves the target as it
/// was. Move-only.
class QvaStreamWriter {
public:
    /// Opens the output and writes a placeholder header. Fails with Io when the output cannot be
    /// opened, BinRead (carrying the I/O error) when the header cannot be written.
    static DatResult<QvaStreamWriter> create(const std::filesystem::path& path, bool compress);

    QvaStreamWriter(QvaStreamWriter&&) noexcept;
    QvaStreamWriter& operator=(QvaStreamWriter&&) noexcept;
    ~QvaStreamWriter();

    /// `write_entry` with pruned false.
    DatResult<void> add(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                        std::vector<std::uint8_t>&& payload);

    /// `write_entry` with pruned true.
    DatResult<void> add_pruned(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                               std::vector<std::uint8_t>&& payload);

    /// Stores the payload (as a zstd frame when compression is on and the frame is shorter) at the
    /// end of the output and records its index entry. Fails with InvalidNamespace for a bad label,
    /// DuplicateNamespacedId when the key was seen before (even in a call that failed later), Other
    /// when the payload is 4 GiB or longer or the archive would exceed its entry limit, Io when the
    /// payload cannot be written. A compression failure is logged and the payload stored raw.
    DatResult<void> write_entry(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                std::vector<std::uint8_t>&& payload, bool pruned);

    /// `write_entry` from bytes the caller keeps, so one buffer can serve every entry. Fails the same way.
    DatResult<void> write_entry(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                std::span<const std::uint8_t> payload, bool pruned);

    /// Writes the namespace metadata, the sorted index and the real header, then renames the file
    /// into place. Fails with BinRead (carrying the I/O error) when a record or header write fails,
    /// Io when a final flush, the seek to the start, the close or the rename fails. Consumes the
    /// writer either way.
    DatResult<void> finish() &&;

private:
    struct CCtxDeleter {
        void operator()(ZSTD_CCtx_s* cctx) const noexcept;
    };

    QvaStreamWriter(AtomicFile file, bool compress) : file_(std::move(file)), compress_(compress) {}

    AtomicFile file_;
    bool compress_;
    std::vector<QvaEntry> entries_;
    std::unordered_set<QvaEntryKey, QvaEntryKeyHash> seen_;
    std::unique_ptr<ZSTD_CCtx_s, CCtxDeleter> cctx_;
    /// Holds each compressed frame in turn; reused so that compressing allocates nothing per entry.
    std::vector<std::uint8_t> frame_;
};

}  // namespace quorvel
