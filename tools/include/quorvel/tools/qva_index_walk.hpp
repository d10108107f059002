// Visits every record of a QVA index in order, reading it in bounded chunks.
#pragma once

#include <algorithm>
#include <cstdint>

#include "quorvel/dat/archive/qva_reader.hpp"

namespace quorvel {

/// What a walk does with an index record that cannot be read (the file has shrunk since it was opened).
enum class UnreadableRecord { Fail, Skip };

/// Calls `visit(const QvaEntry&)` for each index position in order; `visit` returns an empty
/// DatResult<void> to go on or an error to stop. Fails with the first error of `visit`, or of reading
/// a record unless such records are skipped; every readable record before the failure has been
/// visited. Never holds more than one chunk of the index.
template <class Visit>
DatResult<void> for_each_index_entry(const QvaReader& reader, Visit&& visit,
                                     UnreadableRecord unreadable = UnreadableRecord::Fail) {
    constexpr std::uint32_t chunk = 4096;
    const std::uint32_t total = reader.header().entry_count;
    for (std::uint32_t first = 0; first < total; first += std::min(chunk, total - first)) {
        const std::uint32_t count = std::min(chunk, total - first);
        auto entries = reader.read_entries_at(first, count);
        if (!entries) {
            // Record by record, so that every readable record is still visited.
            for (std::uint32_t i = first; i < first + count; ++i) {
                auto entry = reader.read_entry_at(i);
                if (!entry && unreadable == UnreadableRecord::Skip) continue;
                if (!entry) return std::unexpected(std::move(entry.error()));
                if (auto step = visit(*entry); !step) return step;
            }
            continue;
        }
        for (const auto& entry : *entries)
            if (auto step = visit(entry); !step) return step;
    }
    return {};
}

}  // namespace quorvel

namespace quorvel {

/// Validates an entry's namespace bytes, remembering the last result: index records of one
/// namespace stand together, so a listing validates each label about once.
class NamespaceLabelCache {
public:
    DatResult<std::string_view> label_of(const QvaEntry& entry) {
        if (!last_ || last_bytes_ != entry.namespace_) {
            auto ns = entry.namespace_id();
            if (!ns) return std::unexpected(std::move(ns.error()));
            last_ = *ns;
            last_bytes_ = entry.namespace_;
        }
        return last_->as_str();
    }

private:
    std::optional<ResourceNamespace> last_;
    decltype(QvaEntry::namespace_) last_bytes_{};
};

}  // namespace quorvel
