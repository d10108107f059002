// The "landblock" subcommand: terrain summary, height grid, and objects and buildings when present.
#include "quorvel/dat/landblock.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/provider.hpp"

namespace quorvel {

namespace {

constexpr std::uint32_t terrain_low = 0xFFFF;
constexpr std::uint32_t info_low = 0xFFFE;

void print_terrain(const CellLandblock& terrain, Output& out) {
    out.print("Landblock ID:   {:08X}\n", terrain.id);
    out.print("Has Objects:     {}\n", terrain.has_objects != 0);
    out.print("Terrain Vertices: {}\n", terrain.terrain.size());
    out.print("Height Vertices:  {}\n", terrain.height.size());
    out.print("\nHeightmap (9x9):\n");
    constexpr std::size_t side = CellLandblock::grid_side;
    for (std::size_t row = side; row-- > 0;) {
        for (std::size_t column = 0; column < side; ++column) out.print("{:>3} ", terrain.height[column * side + row]);
        out.print("\n");
    }
}

void print_info(std::uint32_t info_id, const LandblockInfo& info, Output& out) {
    out.print("\nLandblock Info ({:08X}):\n", info_id);
    out.print("Objects:   {}\n", info.objects.size());
    out.print("Buildings: {}\n", info.buildings.size());
    for (const auto& building : info.buildings)
        out.print("  Building model: {:08X} at {}\n", building.model_id, building.frame.origin);
}

}  // namespace

Result<> run_landblock(const LandblockCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto id = parse_id_auto(command.id);
    if (!id) return std::unexpected(std::move(id.error()));

    // A bare landblock id (low half zero) names its terrain record.
    const std::uint32_t terrain_id = (*id & 0xFFFF) == 0 ? (*id | terrain_low) : *id;
    auto terrain_bytes = provider->get_file_in_namespace(command.namespace_label, terrain_id);
    if (!terrain_bytes) return std::unexpected(Error(terrain_bytes.error()));
    auto terrain = CellLandblock::unpack(*terrain_bytes);
    if (!terrain) return std::unexpected(Error(terrain.error()));
    print_terrain(*terrain, out);

    // The info record is optional: without one the terrain stands alone.
    const std::uint32_t info_id = (terrain_id & 0xFFFF0000) | info_low;
    auto info_bytes = provider->get_file_in_namespace(command.namespace_label, info_id);
    if (!info_bytes) return {};
    auto info = LandblockInfo::unpack(*info_bytes);
    if (!info) return std::unexpected(Error(info.error()));
    print_info(info_id, *info, out);
    return {};
}

}  // namespace quorvel
