// The directory of an open DAT file: entries by id in one array, found through an open-addressing index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "quorvel/dat/dat_file_entry.hpp"

namespace quorvel {

/// A hash map from file id to DatFileEntry, read-only to its users. Iteration visits each id once,
/// in the order the ids were first inserted (callers that present entries in an order sort them).
/// Holds 30 to 60 bytes per entry and makes no allocation per entry, which matters for directories of
/// hundreds of thousands of entries.
class DatEntryMap {
public:
    using value_type = std::pair<const std::uint32_t, DatFileEntry>;
    using const_iterator = std::vector<value_type>::const_iterator;
    using iterator = const_iterator;

    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    /// The entry with `id`, or end().
    const_iterator find(std::uint32_t id) const;
    std::size_t count(std::uint32_t id) const { return find(id) == end() ? 0 : 1; }
    /// The entry with `id`; throws std::out_of_range when there is none, as the standard maps do.
    const DatFileEntry& at(std::uint32_t id) const;

    /// Adds the entry, or replaces the one held for `id` (which keeps its place in the iteration).
    void insert_or_assign(std::uint32_t id, const DatFileEntry& entry);

private:
    struct Slot {
        std::uint32_t id = 0;
        std::uint32_t position_plus_one = 0;  // 0: empty
    };

    std::size_t home_of(std::uint32_t id) const;
    void grow();

    std::vector<value_type> entries_;
    std::vector<Slot> slots_;  // a power of two in size, at most half full
    unsigned shift_ = 64;
};

}  // namespace quorvel
