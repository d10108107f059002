// The directory of an open DAT file: entries by id in one array, found through an open-addressing index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "quorvel/dat/dat_file_entry.hpp"
#include "quorvel/dat/utils/huge_page_allocator.hpp"

namespace quorvel {

/// A read-only hash map from file id to DatFileEntry, built once from the entries of a directory
/// walk. Iteration visits each id once, in walk order (callers that present entries in an order
/// sort them). Holds 36 to 44 bytes per entry and makes no allocation per entry, which matters for
/// directories of hundreds of thousands of entries.
class DatEntryMap {
public:
    using value_type = std::pair<const std::uint32_t, DatFileEntry>;
    using entry_vector = std::vector<value_type, HugePageAllocator<value_type>>;
    using const_iterator = entry_vector::const_iterator;
    using iterator = const_iterator;

    DatEntryMap() = default;
    /// Indexes the entries in the order met; of the entries under one id, the last one met is kept,
    /// in the place of the first.
    explicit DatEntryMap(entry_vector in_walk_order);

    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    /// The entry with `id`, or end().
    const_iterator find(std::uint32_t id) const;
    std::size_t count(std::uint32_t id) const { return find(id) == end() ? 0 : 1; }
    /// The entry with `id`; throws std::out_of_range when there is none, as the standard maps do.
    const DatFileEntry& at(std::uint32_t id) const;

private:
    struct Slot {
        std::uint32_t id = 0;
        std::uint32_t position_plus_one = 0;  // 0: empty
    };

    std::size_t home_of(std::uint32_t id) const;
    /// Indexes entries_, moving each later entry of a repeated id into the place of its first; returns
    /// the positions, ascending, of the entries so moved.
    std::vector<std::size_t> build_index();

    entry_vector entries_;
    std::vector<Slot, HugePageAllocator<Slot>> slots_;  // a power of two in size, at most two thirds full
    // Drawn at random for each map, so no file can choose ids that all land on a few slots.
    std::uint64_t multiplier_ = 1;
    unsigned shift_ = 64;
};

}  // namespace quorvel
