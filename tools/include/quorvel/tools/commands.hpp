// The parsed command line, one variant per subcommand, and the handler of each.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "quorvel/tools/error.hpp"
#include "quorvel/tools/output.hpp"
#include "quorvel/tools/spell_export.hpp"

namespace quorvel {

struct MetaCommand {
    std::filesystem::path path;
};
struct ListCommand {
    std::filesystem::path path;
};
struct InfoCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
};
struct ExportCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    std::optional<std::filesystem::path> output;
};
struct SpellExportCommand {
    std::filesystem::path path;
    std::optional<std::string> namespace_label;
    SpellExportRequest request;
    std::optional<std::filesystem::path> output;
};
struct ExtractCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    std::optional<std::filesystem::path> output;
};
struct WeenieCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
};
struct WeenieFindCommand {
    std::filesystem::path path;
    std::string wcid;
};
struct LandblockCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
};
struct QvaPackCommand {
    std::filesystem::path input;
    std::filesystem::path output;
    bool compress = false;
};

using Commands = std::variant<MetaCommand, ListCommand, InfoCommand, ExportCommand, SpellExportCommand, ExtractCommand,
                              WeenieCommand, WeenieFindCommand, LandblockCommand, QvaPackCommand>;

// Handlers print their normal output to `out` and return an error for `main` to report.
Result<> run_meta(const MetaCommand& command, Output& out);
Result<> run_list(const ListCommand& command, Output& out);
Result<> run_info(const InfoCommand& command, Output& out);
Result<> run_export(const ExportCommand& command, Output& out);
Result<> run_spell_export(const SpellExportCommand& command, Output& out);
Result<> run_extract(const ExtractCommand& command, Output& out);
Result<> run_weenie(const WeenieCommand& command, Output& out);
Result<> run_weenie_find(const WeenieFindCommand& command, Output& out);
Result<> run_landblock(const LandblockCommand& command, Output& out);
Result<> run_qva_pack(const QvaPackCommand& command, Output& out);

/// Runs the handler of the parsed subcommand.
Result<> dispatch(const Commands& command, Output& out);

}  // namespace quorvel
