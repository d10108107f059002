// Visits the records of a QVA index in order, reading them in bounded chunks.
#pragma once

#include <algorithm>
#include <cstdint>

#include "quorvel/dat/archive/qva_reader.hpp"

namespace quorvel {

/// What a walk does with an index record that cannot be read (the file has shrunk since it was opened).
enum class UnreadableRecord { Fail, Skip };

/// Calls `visit(const QvaEntry&)` for each index position from `first` up to `end` in order; `visit`
/// returns an empty DatResult<void> to go on or an error to stop. Fails with the first error of
/// `visit`, or of reading a record unless such records are skipped; every readable record before the
/// failure has been visited. Never holds more than one chunk of the index.
template <class Visit>
DatResult<void> for_each_index_entry_between(const QvaReader& reader, std::uint32_t first, std::uint32_t end,
                                             Visit&& visit, UnreadableRecord unreadable = UnreadableRecord::Fail) {
    constexpr std::uint32_t chunk = 4096;
    for (; first < end; first += std::min(chunk, end - first)) {
        const std::uint32_t count = std::min(chunk, end - first);
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

/// for_each_index_entry_between over the whole index.
template <class Visit>
DatResult<void> for_each_index_entry(const QvaReader& reader, Visit&& visit,
                                     UnreadableRecord unreadable = UnreadableRecord::Fail) {
    return for_each_index_entry_between(reader, 0, reader.header().entry_count, visit, unreadable);
}

/// for_each_index_entry_between over the records of one namespace.
template <class Visit>
DatResult<void> for_each_span_entry(const QvaReader& reader, const NamespaceSpan& span, Visit&& visit) {
    return for_each_index_entry_between(reader, span.start_index, span.start_index + span.entry_count, visit);
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
