// Collects QVA entries in memory and writes them as one archive, payloads in index order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "quorvel/dat/archive/qva_stream_writer.hpp"
#include "quorvel/dat/error.hpp"

namespace quorvel {

class QvaWriter {
public:
    /// Whether `write` stores payloads as zstd frames where that makes them shorter.
    bool compress = true;

    /// Takes ownership of `payload` under (label, file_id). Fails with InvalidNamespace for a bad
    /// label and DuplicateNamespacedId for a key already pending; the writer is then unchanged.
    DatResult<void> insert(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                           std::vector<std::uint8_t>&& payload, bool pruned);

    /// `insert` with pruned false.
    DatResult<void> add(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                        std::vector<std::uint8_t>&& payload);

    /// Writes every pending entry, sorted by namespace and id, to `path` and consumes the writer.
    /// Fails as QvaStreamWriter's create, write_entry and finish do; on failure the file at `path`
    /// keeps its old contents (or stays absent).
    DatResult<void> write(const std::filesystem::path& path) &&;

private:
    struct Pending {
        std::uint32_t type_id = 0;
        std::vector<std::uint8_t> payload;
        bool pruned = false;
    };

    std::unordered_map<QvaEntryKey, Pending, QvaEntryKeyHash> pending_;
};

}  // namespace quorvel
