// Decodes the compressed entries of the portal-like dataset once, for instruction counts:
//
//   valgrind --tool=callgrind --toggle-collect='quorvel::decompress_lrs*' quorvel-bench-lrs
//
// Prints the number of bytes decoded; the counted instructions divided by it give the cost per byte.
#include <cstdio>

#include "payload.hpp"
#include "quorvel/dat/utils/lrs.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"

int main() {
    using namespace quorvel;
    std::vector<std::vector<std::uint8_t>> streams;
    for (const auto& e : bench::portal_entries(3'000))
        if (e.compressed) streams.push_back(test::compress_lrs(bench::payload_of(e)));
    std::size_t produced = 0;
    for (const auto& s : streams) produced += decompress_lrs(s).size();
    std::printf("%zu\n", produced);
    return 0;
}
