// The "export" subcommand: one entry's bytes, as the provider returns them, to a file.
#include <fmt/format.h>

#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/file_io.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/quote_path.hpp"

namespace quorvel {

namespace {

// An archive entry's default name carries its namespace; any failure to form it falls back to the plain name.
std::filesystem::path default_export_name(const Provider& provider, const ExportCommand& command, std::uint32_t id) {
    auto found = provider.get_qva_entry(command.namespace_label, id);
    if (found && *found) {
        if (auto ns = (*found)->namespace_id()) {
            std::string label(ns->as_str());
            for (char& c : label)
                if (c == '/' || c == ':' || c == '\\') c = '_';
            return fmt::format("{}_{:08X}.bin", label, id);
        }
    }
    return fmt::format("{:08X}.bin", id);
}

}  // namespace

Result<> run_export(const ExportCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto id = parse_id_auto(command.id);
    if (!id) return std::unexpected(std::move(id.error()));
    auto data = provider->get_file_in_namespace(command.namespace_label, *id);
    if (!data) return std::unexpected(Error(data.error()));

    const auto path = command.output ? *command.output : default_export_name(*provider, command, *id);
    if (auto written = write_whole_file(path, *data); !written) return written;
    out.print("Exported {:08X} to {}\n", *id, quote_path(path));
    return {};
}

}  // namespace quorvel
