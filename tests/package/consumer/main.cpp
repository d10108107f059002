// Lists a DAT file's entries with their sizes and checksums, through the installed library only.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "quorvel/dat/dat_database.hpp"
#include "package_listing.hpp"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    auto database = quorvel::DatDatabase::open(argv[1]);
    if (!database) {
        fmt::print(stderr, "{}\n", database.error().message());
        return 1;
    }
    std::vector<std::uint32_t> ids;
    for (const auto& [id, entry] : database->entries()) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    for (const std::uint32_t id : ids) {
        auto data = database->get_file(id);
        if (!data) {
            fmt::print(stderr, "{}\n", data.error().message());
            return 1;
        }
        fmt::print("{}", quorvel::package_listing_line(id, *data));
    }
    return 0;
}
