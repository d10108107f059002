// Writes the DAT file the package test's consumer reads, and the listing the consumer must print.
#include <cstdio>
#include <fstream>
#include <string>

#include <fmt/format.h>

#include "quorvel/test_support/dat_writer.hpp"
#include "package_listing.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvel-package-sample DAT LISTING\n");
        return 2;
    }
    quorvel::test::DatWriter writer;
    std::string expected;
    for (std::uint32_t k = 0; k < 5; ++k) {
        const std::uint32_t id = 0x06000000 + k;
        std::vector<std::uint8_t> data(300 * k + 7);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i / 5) * k);
        expected += quorvel::package_listing_line(id, data);
        writer.add(id, std::move(data), {.compress = k % 2 == 1});
    }
    if (!std::move(writer).finish().write(argv[1])) return 1;
    std::ofstream(argv[2], std::ios::binary) << expected;
    return 0;
}
