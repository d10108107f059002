// In-memory QVA writer driving the stream writer in sorted order.
#include "quorvel/dat/archive/qva_writer.hpp"

#include <algorithm>
#include <string>
#include <utility>

namespace quorvel {

DatResult<void> QvaWriter::insert(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                                  std::vector<std::uint8_t>&& payload, bool pruned) {
    std::vector<std::uint8_t> owned = std::move(payload);
    auto ns = ResourceNamespace::create(label);
    if (!ns) return std::unexpected(std::move(ns.error()));
    auto [it, inserted] = pending_.try_emplace(QvaEntryKey{*ns, file_id});
    if (!inserted) return std::unexpected(DatError::duplicate_namespaced_id(std::string(ns->as_str()), file_id));
    it->second = Pending{type_id, std::move(owned), pruned};
    return {};
}

DatResult<void> QvaWriter::add(std::string_view label, std::uint32_t file_id, std::uint32_t type_id,
                               std::vector<std::uint8_t>&& payload) {
    return insert(label, file_id, type_id, std::move(payload), false);
}

DatResult<void> QvaWriter::write(const std::filesystem::path& path) && {
    auto pending = std::move(pending_);
    pending_.clear();

    auto stream = QvaStreamWriter::create(path, compress);
    if (!stream) return std::unexpected(std::move(stream.error()));

    std::vector<std::pair<QvaEntryKey, Pending>> sorted;
    sorted.reserve(pending.size());
    while (!pending.empty()) {
        auto node = pending.extract(pending.begin());
        sorted.emplace_back(node.key(), std::move(node.mapped()));
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    for (auto& [key, entry] : sorted) {
        auto added = stream->write_entry(key.namespace_.as_str(), key.file_id, entry.type_id, std::move(entry.payload),
                                         entry.pruned);
        if (!added) return added;
    }
    return std::move(*stream).finish();
}

}  // namespace quorvel
