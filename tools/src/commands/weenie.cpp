// The "weenie" subcommand: one file decoded as a bare weenie record.
#include "quorvel/dat/weenie.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/provider.hpp"

namespace quorvel {

Result<> run_weenie(const WeenieCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto id = parse_id_auto(command.id);
    if (!id) return std::unexpected(std::move(id.error()));

    // A missing or undecodable record is reported on standard output, not failed.
    auto bytes = provider->get_file_in_namespace(command.namespace_label, *id);
    auto weenie = bytes ? Weenie::unpack(*bytes) : DatResult<Weenie>(std::unexpected(std::move(bytes.error())));
    if (!weenie) {
        out.print("Could not decode a Weenie record from ID {:08X}.\n", *id);
        return {};
    }

    out.print("File ID:         {:08X}\n", *id);
    out.print("Weenie Class ID: {:08X}\n", weenie->class_id);
    out.print("Weenie Type:     {}\n", weenie->weenie_type);
    if (const auto name = weenie->name()) out.print("Name:            {}\n", *name);
    if (const auto icon = weenie->icon_id()) out.print("Icon ID:         {:08X}\n", *icon);
    const auto& properties = weenie->properties;
    out.print("Properties (Int):    {}\n", properties.ints().size());
    out.print("Properties (Float):  {}\n", properties.floats().size());
    out.print("Properties (String): {}\n", properties.strings().size());
    out.print("Properties (DID):    {}\n", properties.data_ids().size());
    return {};
}

}  // namespace quorvel
