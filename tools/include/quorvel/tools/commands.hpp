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
    bool operator==(const MetaCommand&) const = default;
};
struct ListCommand {
    std::filesystem::path path;
    bool operator==(const ListCommand&) const = default;
};
struct InfoCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    bool operator==(const InfoCommand&) const = default;
};
struct ExportCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    std::optional<std::filesystem::path> output;
    bool operator==(const ExportCommand&) const = default;
};
struct SpellExportCommand {
    std::filesystem::path path;
    std::optional<std::string> namespace_label;
    SpellExportRequest request;
    std::optional<std::filesystem::path> output;
    bool operator==(const SpellExportCommand&) const = default;
};
struct ExtractCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    std::optional<std::filesystem::path> output;
    bool operator==(const ExtractCommand&) const = default;
};
struct WeenieCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    bool operator==(const WeenieCommand&) const = default;
};
struct WeenieFindCommand {
    std::filesystem::path path;
    std::string wcid;
    bool operator==(const WeenieFindCommand&) const = default;
};
struct LandblockCommand {
    std::filesystem::path path;
    std::string id;
    std::optional<std::string> namespace_label;
    bool operator==(const LandblockCommand&) const = default;
};
struct QvaPackCommand {
    std::filesystem::path input;
    std::filesystem::path output;
    bool compress = false;
    bool operator==(const QvaPackCommand&) const = default;
};
struct UnpackCommand {
    std::filesystem::path path;
    std::filesystem::path outdir;
    std::optional<std::string> namespace_label;
    bool force = false;
    bool operator==(const UnpackCommand&) const = default;
};
struct VerifyCommand {
    std::filesystem::path path;
    bool operator==(const VerifyCommand&) const = default;
};

using Commands = std::variant<MetaCommand, ListCommand, InfoCommand, ExportCommand, SpellExportCommand, ExtractCommand,
                              WeenieCommand, WeenieFindCommand, LandblockCommand, QvaPackCommand, UnpackCommand,
                              VerifyCommand>;

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
/// Writes every entry of one dataset as an [ID].[TYPE] file into the output directory. Fails
/// before writing anything when a target file exists and `force` is not set.
Result<> run_unpack(const UnpackCommand& command, Output& out);
/// Prints one line per problem found and a summary; fails when there was any problem.
Result<> run_verify(const VerifyCommand& command, Output& out);

/// Runs the handler of the parsed subcommand.
Result<> dispatch(const Commands& command, Output& out);

}  // namespace quorvel
