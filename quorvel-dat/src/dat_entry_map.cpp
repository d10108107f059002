// Building and searching the DAT directory index.
#include "quorvel/dat/dat_entry_map.hpp"

#include <sys/random.h>

#include <chrono>
#include <stdexcept>

namespace quorvel {

namespace {

std::uint64_t random_odd_multiplier() {
    std::uint64_t a = 0;
    if (::getrandom(&a, sizeof a, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof a))
        a = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
            0x9E3779B97F4A7C15ULL;
    return a | 1;
}

}  // namespace

DatEntryMap::DatEntryMap(entry_vector in_walk_order)
    : entries_(std::move(in_walk_order)), multiplier_(random_odd_multiplier()) {
    const auto superseded = build_index();
    if (superseded.empty()) return;
    // A repeated id is rare (a damaged or patched directory), so dropping the superseded entries may
    // copy the rest and index them again.
    entry_vector kept;
    kept.reserve(entries_.size() - superseded.size());
    auto next_superseded = superseded.begin();
    for (std::size_t position = 0; position < entries_.size(); ++position) {
        if (next_superseded != superseded.end() && *next_superseded == position) ++next_superseded;
        else kept.push_back(entries_[position]);
    }
    entries_ = std::move(kept);
    build_index();
}

std::size_t DatEntryMap::home_of(std::uint32_t id) const {
    // Multiply-shift with a random odd multiplier: a universal hash, which spreads the structured ids
    // of DAT files (type prefixes, landblock coordinates) and hostile ones alike.
    return static_cast<std::size_t>((std::uint64_t{id} * multiplier_) >> shift_);
}

std::vector<std::size_t> DatEntryMap::build_index() {
    std::size_t capacity = 64;
    while (capacity * 2 < entries_.size() * 3) capacity *= 2;
    slots_.assign(capacity, Slot{});
    shift_ = 64;
    for (std::size_t c = capacity; c > 1; c >>= 1) --shift_;

    std::vector<std::size_t> superseded;
    const std::size_t mask = capacity - 1;
    for (std::size_t position = 0; position < entries_.size(); ++position) {
        const std::uint32_t id = entries_[position].first;
        std::size_t i = home_of(id);
        while (slots_[i].position_plus_one != 0 && slots_[i].id != id) i = (i + 1) & mask;
        if (slots_[i].position_plus_one == 0) {
            slots_[i] = Slot{id, static_cast<std::uint32_t>(position + 1)};
        } else {
            entries_[slots_[i].position_plus_one - 1].second = entries_[position].second;
            superseded.push_back(position);
        }
    }
    return superseded;
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

}  // namespace quorvel
