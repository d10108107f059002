// Fuzz target: the landblock terrain record, checked against its writer.
#include <algorithm>

#include "harness.hpp"
#include "quorvel/dat/landblock.hpp"
#include "quorvel/test_support/landblock_builder.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    auto terrain = CellLandblock::unpack(data);
    if (!terrain) {
        render(terrain.error());
        require(data.size() < CellLandblock::size, "a terrain record long enough was refused");
        return;
    }
    require(terrain->terrain.size() == CellLandblock::vertex_count && terrain->height.size() == CellLandblock::vertex_count,
            "a terrain grid is not 9 x 9");
    const auto written = test::cell_landblock_bytes(*terrain);
    require(std::equal(written.begin(), written.end(), data.begin(), data.begin() + CellLandblock::size) &&
                written.size() == CellLandblock::size,
            "writing the decoded terrain does not give its bytes back");
}

}  // namespace quorvel::fuzz
