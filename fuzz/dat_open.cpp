// Fuzz target: a DAT file opened from the input, then every entry's bytes fetched.
#include <algorithm>

#include "harness.hpp"
#include "quorvel/dat/dat_database.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    const MemoryFile file(data);
    auto db = DatDatabase::open(file.path());
    if (!db) return render(db.error());
    require(db->file_length() == data.size(), "file length differs from the input size");

    // Entries may all name one chain as long as the file, which makes reading every entry quadratic
    // in the input size; the budget keeps each run linear while still reading small files whole.
    std::uint64_t budget = 8 * std::uint64_t{data.size()} + 64 * 1024;
    for (const auto& [id, entry] : db->entries()) {
        const std::uint64_t cost = std::min<std::uint64_t>(entry.size, data.size()) + 1;
        if (cost > budget) break;
        budget -= cost;
        auto bytes = db->get_file(id);
        if (!bytes) {
            render(bytes.error());
            continue;
        }
        if (!entry.is_compressed()) require(bytes->size() == entry.size, "an entry's bytes differ from its size");
    }
    auto missing = db->get_file(0);
    if (!missing) render(missing.error());
}

}  // namespace quorvel::fuzz
