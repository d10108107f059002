// Fuzz target: a QVA archive opened from the input, its whole index listed, lookups and payload reads.
#include <algorithm>
#include <limits>

#include "harness.hpp"
#include "quorvel/dat/archive/qva_reader.hpp"

namespace quorvel::fuzz {
namespace {

// Listings walk the index in chunks of this many records.
constexpr std::uint32_t chunk = 256;

}  // namespace

void run_one(std::span<const std::uint8_t> data) {
    const MemoryFile file(data);
    auto opened = File::open_read(file.path());
    require(opened.has_value(), "the in-memory input cannot be opened");
    if (auto direct = QvaReader::from_source(std::move(*opened)); !direct) render(direct.error());

    auto reader = QvaReader::open(file.path());
    if (!reader) return render(reader.error());
    require(reader->file_len() == data.size(), "file length differs from the input size");

    std::vector<QvaEntry> entries;
    for (std::uint32_t first = 0;; first += chunk) {
        auto records = reader->read_entries_at(first, chunk);
        if (!records) return render(records.error());
        if (records->empty()) break;
        for (std::size_t k = 0; k < records->size(); ++k) {
            auto single = reader->read_entry_at(first + static_cast<std::uint32_t>(k));
            require(single.has_value() && *single == (*records)[k], "a record read alone differs from the listing");
        }
        entries.insert(entries.end(), records->begin(), records->end());
        if (records->size() < chunk) break;
    }
    require(entries.size() == reader->header().entry_count, "the listing does not cover the index");
    for (const std::uint32_t index : {reader->header().entry_count, std::numeric_limits<std::uint32_t>::max()}) {
        if (auto beyond = reader->read_entry_at(index); !beyond) render(beyond.error());
    }

    for (const auto& span : reader->spans()) {
        for (const std::uint32_t id : {0u, 0x06000123u, std::numeric_limits<std::uint32_t>::max()}) {
            if (auto found = reader->find_entry_with_namespace_id(span.namespace_, id); !found) render(found.error());
        }
    }
    if (auto any = reader->find_entry(0x0E00000E); !any) render(any.error());

    // Payloads: every entry until the budget of bytes read is spent (entries may all name one long
    // range, which would make reading them all quadratic in the input size).
    std::uint64_t budget = 8 * std::uint64_t{data.size()} + 64 * 1024;
    for (const auto& entry : entries) {
        if (auto ns = entry.namespace_id()) {
            if (auto found = reader->find_entry_with_namespace_id(*ns, entry.file_id); !found) render(found.error());
        } else {
            render(ns.error());
        }

        const std::uint64_t cost = std::min<std::uint64_t>(entry.comp_size, data.size()) + 1;
        if (cost > budget) break;
        budget -= cost;
        // The reader decompresses in one call into a buffer sized from the recorded size (at most
        // 4 GiB - 1) when the frame does not declare a smaller one: the format lets the data choose it.
        const AllowAllocation payload_buffer(entry.compressed() ? entry.size : 0);
        auto payload = reader->read_entry_data(entry);
        if (!payload) {
            render(payload.error());
            continue;
        }
        require(entry.compressed() ? payload->size() == entry.size : payload->size() == entry.comp_size,
                "a payload's length differs from its index record");
    }
}

}  // namespace quorvel::fuzz
