// The "qva-pack" subcommand: a directory of [ID].[TYPE] files becomes one QVA archive.
#include <algorithm>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "quorvel/dat/archive/qva_stream_writer.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/dataset_labels.hpp"
#include "quorvel/tools/file_io.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/path_parts.hpp"
#include "quorvel/tools/progress.hpp"
#include "quorvel/tools/quote_path.hpp"
#include "../utf8_decode.hpp"

namespace quorvel {

namespace {

// Output names whose stem mentions "cell" hold the cell dataset; everything else the portal one.
std::string_view namespace_for_output(const std::filesystem::path& output) {
    const std::string stem = split_file_name(output).stem;
    if (!detail::is_valid_utf8(stem)) return portal_namespace_label;
    return to_ascii_lower(stem).find("cell") != std::string::npos ? cell_namespace_label : portal_namespace_label;
}

struct EntryName {
    std::string_view id;
    std::string_view type;
};

// "[ID].[TYPE]": exactly one dot.
std::optional<EntryName> split_entry_name(std::string_view name) {
    const auto dot = name.find('.');
    if (dot == std::string_view::npos || name.find('.', dot + 1) != std::string_view::npos) return std::nullopt;
    return EntryName{name.substr(0, dot), name.substr(dot + 1)};
}

struct PackItem {
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    std::filesystem::path path;
};

// The archive is written from the sorted listing, reading each file when its turn comes through one
// reused buffer: holding every file until the end costs more in fresh memory than the packing itself.
Result<> write_archive(const std::filesystem::path& output, bool compress, std::string_view label,
                       std::vector<PackItem>& items) {
    std::sort(items.begin(), items.end(), [](const PackItem& a, const PackItem& b) { return a.id < b.id; });
    auto stream = QvaStreamWriter::create(output, compress);
    if (!stream) return std::unexpected(Error(stream.error()).context("Failed to write QVA file"));
    std::vector<std::uint8_t> buffer;
    Progress progress("qva-pack", items.size());
    for (const auto& item : items) {
        auto bytes = read_whole_file_into(item.path, buffer);
        if (!bytes) return std::unexpected(std::move(bytes.error()));
        progress.advance(bytes->size());
        if (auto added = stream->write_entry(label, item.id, item.type, *bytes, false); !added)
            return std::unexpected(Error(added.error()).context("Failed to write QVA file"));
    }
    if (auto written = std::move(*stream).finish(); !written)
        return std::unexpected(Error(written.error()).context("Failed to write QVA file"));
    return {};
}

}  // namespace

Result<> run_qva_pack(const QvaPackCommand& command, Output& out) {
    const std::string label(namespace_for_output(command.output));
    out.print("Packing files from {} into {}\n", quote_path(command.input), quote_path(command.output));

    std::error_code ec;
    std::filesystem::directory_iterator it(command.input, ec);
    if (ec) return std::unexpected(Error(ec.message()).context("Failed to read input directory"));

    std::vector<PackItem> items;
    std::unordered_set<std::uint32_t> ids;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) return std::unexpected(Error(ec.message()));
        const auto& path = it->path();
        std::error_code status_ec;
        if (!std::filesystem::is_regular_file(path, status_ec)) continue;

        std::string name = path.filename().string();
        if (!detail::is_valid_utf8(name)) name.clear();
        const auto parts = split_entry_name(name);
        if (!parts) {
            out.print("Skipping {} (expected format: [ID].[TYPE] in hex)\n", name);
            continue;
        }
        auto id = parse_hex_u32(parts->id);
        if (!id) return std::unexpected(std::move(id.error()).context(fmt::format("Invalid hex ID in filename: {}", name)));
        auto type = parse_hex_u32(parts->type);
        if (!type)
            return std::unexpected(std::move(type.error()).context(fmt::format("Invalid hex Type ID in filename: {}", name)));

        // The bytes are read while the archive is written; opening the file now keeps an unreadable
        // file failing at its place in the listing.
        if (auto readable = check_readable(path); !readable) return readable;
        if (!ids.insert(*id).second) return std::unexpected(Error(DatError::duplicate_namespaced_id(label, *id)));
        items.push_back(PackItem{*id, *type, path});
    }
    if (ec) return std::unexpected(Error(ec.message()));

    if (auto written = write_archive(command.output, command.compress, label, items); !written) return written;
    out.print("Successfully packed {} files into {}\n", items.size(), quote_path(command.output));
    return {};
}

}  // namespace quorvel
