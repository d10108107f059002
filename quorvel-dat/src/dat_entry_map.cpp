// Lookups and growth of the DAT directory map.
#include "quorvel/dat/dat_entry_map.hpp"

#include <stdexcept>

namespace quorvel {

std::size_t DatEntryMap::home_of(std::uint32_t id) const {
    // Fibonacci hashing spreads the structured ids of DAT files (type prefixes, landblock
    // coordinates) over the whole table.
    return static_cast<std::size_t>((std::uint64_t{id} * 0x9E3779B97F4A7C15ULL) >> shift_);
}

DatEntryMap::const_iterator DatEntryMap::find(std::uint32_t id) const {
    if (slots_.empty()) return end();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = home_of(id);; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.position_plus_one == 0) return end();
        if (slot.id == id) return entries_.begin() + (slot.position_plus_one - 1);
    }
}

const DatFileEntry& DatEntryMap::at(std::uint32_t id) const {
    const auto it = find(id);
    if (it == end()) throw std::out_of_range("DatEntryMap::at");
    return it->second;
}

void DatEntryMap::insert_or_assign(std::uint32_t id, const DatFileEntry& entry) {
    if ((entries_.size() + 1) * 2 > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = home_of(id);; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.position_plus_one == 0) {
            entries_.emplace_back(id, entry);
            slot = Slot{id, static_cast<std::uint32_t>(entries_.size())};
            return;
        }
        if (slot.id == id) {
            entries_[slot.position_plus_one - 1].second = entry;
            return;
        }
    }
}

void DatEntryMap::grow() {
    const std::size_t capacity = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(capacity, Slot{});
    shift_ = 64;
    for (std::size_t c = capacity; c > 1; c >>= 1) --shift_;
    const std::size_t mask = capacity - 1;
    for (std::size_t position = 0; position < entries_.size(); ++position) {
        const std::uint32_t id = entries_[position].first;
        std::size_t i = home_of(id);
        while (slots_[i].position_plus_one != 0) i = (i + 1) & mask;
        slots_[i] = Slot{id, static_cast<std::uint32_t>(position + 1)};
    }
}

}  // namespace quorvel
