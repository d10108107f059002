// Fuzz target: weenie table files.
#include "harness.hpp"
#include "quorvel/dat/weenie.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    auto table = WeenieTable::unpack(data);
    if (!table) return render(table.error());
    for (const auto& [key, weenie] : table->weenies) (void)weenie.name();
}

}  // namespace quorvel::fuzz
