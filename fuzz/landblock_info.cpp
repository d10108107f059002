// Fuzz target: the landblock info record; a decoded record must decode again from what its writer makes.
#include "harness.hpp"
#include "quorvel/dat/landblock.hpp"
#include "quorvel/test_support/landblock_builder.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    auto info = LandblockInfo::unpack(data);
    if (!info) return render(info.error());
    require(info->restriction_tables.has_value() == ((info->pack_mask & 1) != 0),
            "a restriction table is present without pack_mask bit 0, or missing with it");

    // Bytes, not values, are compared: stored floats may be NaN.
    const auto written = test::landblock_info_bytes(*info);
    auto again = LandblockInfo::unpack(written);
    require(again.has_value(), "the written form of a decoded record does not decode");
    require(test::landblock_info_bytes(*again) == written, "the written form of a decoded record changes on decoding");
}

}  // namespace quorvel::fuzz
